// Streaming reader throughput: KELDASax (raw views, and decoding every value) against expat and
// libxml2's SAX2 push reader (both fed in 256 KiB pieces), pugixml (its tree, with freed memory
// returned to the system as usual, and with an allocator of its own that keeps it) and a memchr scan
// for '<' as the floor, on generated imsmanifest.xml documents of about 1, 10 and 100 MB.
//
// Before any figure is printed every reader parses every document once more in a checking mode, and
// the element, attribute and text counts (text: decoded bytes that are not white space) must agree, or
// no ratio is printed. Warm figures: the same number of iterations at every size, each timed on its own
// (median and range of iterations 2..n; the first one is printed apart), with page faults and system
// time per iteration. Cold figures: `--cold READER FILE` parses one file once in this fresh process
// (see bench_xml_cold.sh, which alternates the readers and rotates their order).
#include "support/KELDASax.h"
#include "support/XmlWriter.h"

#include <benchmark/benchmark.h>
#include <expat.h>
#include <libxml/parser.h>
#include <pugixml.hpp>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>
namespace
{

// ---- document generator -------------------------------------------------------------------------

void Must(HRESULT hr)
{
    if (FAILED(hr)) {
        std::fprintf(stderr, "document generator: a step failed\n");
        std::abort();
    }
}

int g_id = 0;
std::string NextId()
{
    return "id" + std::to_string(++g_id);
}

void Lom(IKELDAXMLWriter *w, const std::string &identifier, const std::string &title, bool file)
{
    w->startElement("metadata");
    w->startElement("lom:lom");
    w->startElement("lom:general");
    w->startElement("lom:identifier");
    w->WriteEscapedSimpleTextElement("lom:catalog", "URI");
    w->WriteEscapedSimpleTextElement("lom:entry", identifier);
    w->endElement("lom:identifier");
    w->startElement("lom:title");
    w->startElement("lom:string");
    w->WriteTextAttribute("language", "en");
    w->WriteEscapedElementContents(title);
    w->endElement("lom:string");
    w->startElement("lom:string");
    w->WriteTextAttribute("language", "de");
    w->WriteEscapedElementContents(title + " (de) & \xC3\xA4");
    w->endElement("lom:string");
    w->endElement("lom:title");
    w->startElement("lom:keyword");
    w->startElement("lom:string");
    w->WriteTextAttribute("language", "en");
    w->WriteEscapedElementContents("science; nature <animals>");
    w->endElement("lom:string");
    w->endElement("lom:keyword");
    w->endElement("lom:general");
    w->startElement("lom:lifeCycle");
    w->startElement("lom:version");
    w->startElement("lom:string");
    w->WriteTextAttribute("language", "en");
    w->WriteElementContents("1.0.0");
    w->endElement("lom:string");
    w->endElement("lom:version");
    w->endElement("lom:lifeCycle");
    if (file) {
        w->startElement("lom:technical");
        w->WriteEscapedSimpleTextElement("lom:format", "image/png");
        w->endElement("lom:technical");
    }
    w->WriteEscapedSimpleTextElement("keldagallery:creationdatetime", "2010-06-03T12:00:00");
    w->endElement("lom:lom");
    w->endElement("metadata");
}

// An imsmanifest.xml of at least `bytes` bytes: organizations of activities, each with files, and the
// resources section.
std::string GenerateManifest(size_t bytes)
{
    g_id = 0;
    // The writer on a buffer stream of our own, so that the size so far can be looked at cheaply.
    CKeldaPtr<IKELDABufferStream> buffer;
    Must(CStreamFactory::CreateWritableBufferStream(buffer.put()));
    CKeldaPtr<IKELDAXMLWriter> w;
    Must(IKELDAXMLWriter::CreateKELDAXMLWriterOnStream(w.put(), buffer.get()));
    w->OutputXMLHeader();
    w->startElement("manifest");
    w->WriteTextAttribute("identifier", NextId());
    w->WriteTextAttribute("version", "2006-01");
    w->WriteTextAttribute("keldagallery:filesource", "Kelda Vellum Linux Version 1.0.92.0");
    w->WriteTextAttribute("xmlns", "http://www.imsglobal.org/xsd/imscp_v1p1");
    w->WriteTextAttribute("xmlns:adlcp", "http://www.adlnet.org/xsd/adlcp_v1p3");
    w->WriteTextAttribute("xmlns:lom", "http://ltsc.ieee.org/xsd/LOM");
    w->WriteTextAttribute("xmlns:keldagallery", "http://gallery.example.org/2006-01/gallery");
    w->startElement("metadata");
    w->WriteSimpleTextElement("schema", "ADL SCORM");
    w->WriteSimpleTextElement("schemaversion", "CAM 1.3");
    w->endElement("metadata");
    w->startElement("organizations");
    w->WriteTextAttribute("default", "id2");

    std::vector<std::pair<int, std::string>> resources;
    // Resources take roughly a fifth of the document; stop the tree at four fifths.
    const size_t treeBytes = bytes / 5 * 4;
    int organization = 0;
    while (buffer->Peek().size() < treeBytes) {
        w->startElement("organization");
        w->WriteTextAttribute("identifier", NextId());
        w->WriteTextAttribute("keldagallery:readonly", "false");
        w->WriteEscapedSimpleTextElement("title", "Organization " + std::to_string(++organization));
        for (int a = 0; a < 40; ++a) {
            w->startElement("item");
            w->WriteTextAttribute("identifier", NextId());
            w->WriteEscapedSimpleTextElement("title", "Activity " + std::to_string(a));
            for (int f = 0; f < 10; ++f) {
                const std::string itemId = NextId();
                const int resource = ++g_id;
                const std::string href = "Pictures/Animals/animal_" + std::to_string(resource) + ".png";
                resources.emplace_back(resource, href);
                w->startElement("item");
                w->WriteTextAttribute("identifier", itemId);
                w->WriteTextAttribute("identifierref", "id" + std::to_string(resource));
                w->WriteEscapedSimpleTextElement("title", "Picture " + std::to_string(f));
                Lom(w.get(), "file-" + itemId, "Picture " + std::to_string(f), true);
                w->endElement("item");
            }
            Lom(w.get(), "activity-" + std::to_string(a), "Activity " + std::to_string(a), false);
            w->endElement("item");
        }
        Lom(w.get(), "organization-" + std::to_string(organization), "Organization", false);
        w->endElement("organization");
    }
    w->endElement("organizations");
    w->startElement("resources");
    for (const auto &[id, href] : resources) {
        w->startElement("resource");
        w->WriteTextAttribute("identifier", "id" + std::to_string(id));
        w->WriteTextAttribute("type", "webcontent");
        w->WriteTextAttribute("adlcp:scormType", "asset");
        w->WriteTextAttribute("href", href);
        w->startElement("file");
        w->WriteTextAttribute("href", href);
        w->endElement("file");
        w->endElement("resource");
    }
    w->endElement("resources");
    w->endElement("manifest");
    w->Close();
    CAtlStringA out;
    buffer->DetachBufferAsString(&out);
    return out;
}

const std::string &Document(int64_t megabytes)
{
    static std::map<int64_t, std::string> cache;
    auto it = cache.find(megabytes);
    if (it == cache.end()) it = cache.emplace(megabytes, GenerateManifest(static_cast<size_t>(megabytes) << 20)).first;
    return it->second;
}

// ---- what the readers report ----------------------------------------------------------------------

// Counts per parse. In checking mode the readers also add the decoded bytes of every attribute value
// and the decoded text bytes that are not white space, so that all readers can be compared.
struct Tally {
    bool check = false;
    size_t elements = 0;
    size_t attributes = 0;
    size_t attributeBytes = 0;
    size_t textBytes = 0;

    bool SameWork(const Tally &o) const
    {
        return elements == o.elements && attributes == o.attributes && attributeBytes == o.attributeBytes &&
               textBytes == o.textBytes;
    }
};

size_t NonWhite(const char *p, size_t n)
{
    size_t count = 0;
    for (size_t i = 0; i < n; ++i)
        count += !(p[i] == ' ' || p[i] == '\n' || p[i] == '\r' || p[i] == '\t');
    return count;
}

constexpr size_t kChunk = 256 << 10;

// ---- readers --------------------------------------------------------------------------------------

// Raw views: no value is decoded.
struct KeldaHandler : KELDASaxContentHandler {
    Tally *t;
    explicit KeldaHandler(Tally *tally) : t(tally) {}
    HRESULT startElement(const KELDASaxString &, const KELDASaxString &, const KELDASaxString &,
                         const KELDASaxAttributes &attributes, const KELDASaxString &text, size_t, size_t) override
    {
        ++t->elements;
        t->attributes += attributes.GetLength();
        if (t->check)
            Check(attributes, text);
        else
            t->textBytes += text.length();
        return S_OK;
    }
    void Check(const KELDASaxAttributes &attributes, const KELDASaxString &text)
    {
        for (size_t i = 0; i < attributes.GetLength(); ++i)
            t->attributeBytes += attributes.GetValue(i).valueA().size();
        const CAtlStringA decoded = text.valueA();
        t->textBytes += NonWhite(decoded.data(), decoded.size());
    }
};

// Every attribute value and every text decoded with the reader's own helper, as the peers do.
struct KeldaDecodingHandler : KeldaHandler {
    using KeldaHandler::KeldaHandler;
    HRESULT startElement(const KELDASaxString &, const KELDASaxString &, const KELDASaxString &,
                         const KELDASaxAttributes &attributes, const KELDASaxString &text, size_t, size_t) override
    {
        ++t->elements;
        t->attributes += attributes.GetLength();
        if (t->check) {
            Check(attributes, text);
            return S_OK;
        }
        for (size_t i = 0; i < attributes.GetLength(); ++i)
            t->attributeBytes += attributes.GetValue(i).valueA().size();
        if (!text.empty()) t->textBytes += text.valueA().size();
        return S_OK;
    }
};

bool ParseKelda(const std::string &doc, Tally *t)
{
    KeldaHandler h(t);
    return KELDASax::ReadXml(doc.data(), doc.size(), &h) == S_OK;
}

bool ParseKeldaDecoding(const std::string &doc, Tally *t)
{
    KeldaDecodingHandler h(t);
    return KELDASax::ReadXml(doc.data(), doc.size(), &h) == S_OK;
}

bool ParseExpat(const std::string &doc, Tally *t)
{
    XML_Parser p = XML_ParserCreate("UTF-8");
    XML_SetUserData(p, t);
    XML_SetElementHandler(
        p,
        [](void *data, const XML_Char *, const XML_Char **atts) {
            auto *t = static_cast<Tally *>(data);
            ++t->elements;
            for (; *atts; atts += 2) {
                ++t->attributes;
                if (t->check) t->attributeBytes += std::strlen(atts[1]);
            }
        },
        nullptr);
    XML_SetCharacterDataHandler(p, [](void *data, const XML_Char *s, int len) {
        auto *t = static_cast<Tally *>(data);
        t->textBytes += t->check ? NonWhite(s, static_cast<size_t>(len)) : static_cast<size_t>(len);
    });
    bool ok = true;
    for (size_t at = 0; ok && at < doc.size(); at += kChunk) {
        const size_t n = std::min(kChunk, doc.size() - at);
        ok = XML_Parse(p, doc.data() + at, static_cast<int>(n), at + n == doc.size()) == XML_STATUS_OK;
    }
    XML_ParserFree(p);
    return ok;
}

bool ParseLibxml2(const std::string &doc, Tally *t)
{
    xmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.initialized = XML_SAX2_MAGIC;
    // Namespace declarations come apart from the attributes here; the other readers count them as attributes.
    sax.startElementNs = [](void *ctx, const xmlChar *, const xmlChar *, const xmlChar *, int nbNamespaces,
                            const xmlChar **namespaces, int nbAttributes, int, const xmlChar **attributes) {
        auto *t = static_cast<Tally *>(ctx);
        ++t->elements;
        t->attributes += static_cast<size_t>(nbAttributes + nbNamespaces);
        if (t->check) {
            for (int i = 0; i < nbAttributes; ++i)
                t->attributeBytes += static_cast<size_t>(attributes[i * 5 + 4] - attributes[i * 5 + 3]);
            for (int i = 0; i < nbNamespaces; ++i)
                t->attributeBytes += std::strlen(reinterpret_cast<const char *>(namespaces[i * 2 + 1]));
        }
    };
    sax.characters = [](void *ctx, const xmlChar *s, int len) {
        auto *t = static_cast<Tally *>(ctx);
        t->textBytes +=
            t->check ? NonWhite(reinterpret_cast<const char *>(s), static_cast<size_t>(len)) : static_cast<size_t>(len);
    };
    xmlParserCtxtPtr ctxt = xmlCreatePushParserCtxt(&sax, t, nullptr, 0, nullptr);
    if (!ctxt) return false;
    bool ok = true;
    for (size_t at = 0; ok && at < doc.size(); at += kChunk) {
        const size_t n = std::min(kChunk, doc.size() - at);
        ok = xmlParseChunk(ctxt, doc.data() + at, static_cast<int>(n), 0) == 0;
    }
    ok = ok && xmlParseChunk(ctxt, nullptr, 0, 1) == 0 && ctxt->wellFormed;
    xmlFreeParserCtxt(ctxt);
    return ok;
}

// pugixml's memory: either malloc and free as they come (glibc hands large freed blocks back to the
// system, so the next parse faults its pages in again), or an allocator of its own that keeps every
// freed block for the next request of the same size.
namespace KeptMemory
{
std::unordered_map<size_t, std::vector<void *>> g_free;
constexpr size_t kHeader = 16;

void *Allocate(size_t size)
{
    auto &list = g_free[size];
    if (!list.empty()) {
        void *block = list.back();
        list.pop_back();
        return static_cast<char *>(block) + kHeader;
    }
    auto *block = static_cast<char *>(std::malloc(size + kHeader));
    if (!block) return nullptr;
    std::memcpy(block, &size, sizeof size);
    return block + kHeader;
}

void Free(void *pointer)
{
    if (!pointer) return;
    char *block = static_cast<char *>(pointer) - kHeader;
    size_t size;
    std::memcpy(&size, block, sizeof size);
    g_free[size].push_back(block);
}

void Release()
{
    for (auto &[size, list] : g_free)
        for (void *block : list)
            std::free(block);
    g_free.clear();
}
} // namespace KeptMemory

void *PlainAllocate(size_t size)
{
    return std::malloc(size);
}
void PlainFree(void *pointer)
{
    std::free(pointer);
}

void CountTree(const pugi::xml_node &node, Tally *t)
{
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element) {
            ++t->elements;
            for (pugi::xml_attribute a = child.first_attribute(); a; a = a.next_attribute()) {
                ++t->attributes;
                t->attributeBytes += std::strlen(a.value());
            }
            CountTree(child, t);
        } else if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
            t->textBytes += NonWhite(child.value(), std::strlen(child.value()));
        }
    }
}

bool ParsePugixml(const std::string &doc, Tally *t)
{
    pugi::xml_document d;
    if (!d.load_buffer(doc.data(), doc.size())) return false;
    if (t->check)
        CountTree(d, t);
    else
        t->elements = d.first_child() ? 1 : 0;
    return true;
}

bool ParsePugixmlPlain(const std::string &doc, Tally *t)
{
    pugi::set_memory_management_functions(PlainAllocate, PlainFree);
    return ParsePugixml(doc, t);
}

bool ParsePugixmlKept(const std::string &doc, Tally *t)
{
    pugi::set_memory_management_functions(KeptMemory::Allocate, KeptMemory::Free);
    const bool ok = ParsePugixml(doc, t);
    pugi::set_memory_management_functions(PlainAllocate, PlainFree);
    return ok;
}

bool ParseMemchr(const std::string &doc, Tally *t)
{
    const char *p = doc.data(), *end = p + doc.size();
    while ((p = static_cast<const char *>(std::memchr(p, '<', static_cast<size_t>(end - p))))) {
        ++t->elements;
        ++p;
    }
    return true;
}

struct Reader {
    const char *name;
    bool (*parse)(const std::string &, Tally *);
    bool checked; // takes part in the equal-work check
};

const std::vector<Reader> &Readers()
{
    static const std::vector<Reader> readers = {
        {"KELDASax", ParseKelda, true},       {"KELDASaxDecoding", ParseKeldaDecoding, true},
        {"expat", ParseExpat, true},          {"libxml2", ParseLibxml2, true},
        {"pugixml", ParsePugixmlPlain, true}, {"pugixmlKept", ParsePugixmlKept, true},
        {"memchr", ParseMemchr, false},
    };
    return readers;
}

const Reader *FindReader(const std::string &name)
{
    for (const Reader &r : Readers())
        if (name == r.name) return &r;
    return nullptr;
}

// ---- measuring ------------------------------------------------------------------------------------

struct Usage {
    double seconds = 0, systemSeconds = 0;
    long minorFaults = 0, majorFaults = 0;
};

Usage Now()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    Usage out;
    out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    out.systemSeconds = static_cast<double>(u.ru_stime.tv_sec) + static_cast<double>(u.ru_stime.tv_usec) / 1e6;
    out.minorFaults = u.ru_minflt;
    out.majorFaults = u.ru_majflt;
    return out;
}

Usage Since(const Usage &start)
{
    const Usage end = Now();
    return {end.seconds - start.seconds, end.systemSeconds - start.systemSeconds, end.minorFaults - start.minorFaults,
            end.majorFaults - start.majorFaults};
}

constexpr int kIterations = 7;
const int64_t kSizes[] = {1, 10, 100};

// reader -> size -> one entry per iteration
std::map<std::string, std::map<int64_t, std::vector<Usage>>> g_runs;

void BM_Read(benchmark::State &state, const Reader *reader)
{
    const std::string &doc = Document(state.range(0));
    auto &runs = g_runs[reader->name][state.range(0)];
    for (auto _ : state) {
        Tally t;
        const Usage start = Now();
        const bool ok = reader->parse(doc, &t);
        const Usage used = Since(start);
        if (!ok) {
            state.SkipWithError("parse failed");
            break;
        }
        benchmark::DoNotOptimize(t);
        runs.push_back(used);
        state.SetIterationTime(used.seconds);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc.size()));
    state.counters["MB"] = static_cast<double>(doc.size()) / (1 << 20);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

std::string LoadAverage()
{
    std::string text;
    if (FILE *f = std::fopen("/proc/loadavg", "r")) {
        char line[128] = {};
        if (std::fgets(line, sizeof line, f)) text = line;
        std::fclose(f);
    }
    const size_t cut = text.find(' ', text.find(' ', text.find(' ') + 1) + 1);
    return text.substr(0, cut);
}

// One parse of one file in this fresh process; prints one line for bench_xml_cold.sh (once: only the
// parse, without the checking one).
int Cold(const std::string &readerName, const std::string &path, bool once)
{
    const Reader *reader = FindReader(readerName);
    if (!reader) {
        std::fprintf(stderr, "unknown reader %s\n", readerName.c_str());
        return 2;
    }
    std::string doc;
    if (FILE *f = std::fopen(path.c_str(), "rb")) {
        char buffer[1 << 16];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            doc.append(buffer, n);
        std::fclose(f);
    }
    if (doc.empty()) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 2;
    }
    xmlInitParser();
    Tally t;
    const Usage start = Now();
    const bool ok = reader->parse(doc, &t);
    const Usage used = Since(start);
    if (!ok) return 1;
    if (once) {
        std::printf("%s %zu elements\n", reader->name, t.elements);
        return 0;
    }
    // The equal-work counts come from a second, untimed parse in checking mode.
    Tally check;
    check.check = true;
    if (!reader->parse(doc, &check)) return 1;
    std::printf("%s %zu %.3f %ld %.3f %zu %zu %zu %zu\n", reader->name, doc.size(), used.seconds * 1e3,
                used.minorFaults, used.systemSeconds * 1e3, check.elements, check.attributes, check.attributeBytes,
                check.textBytes);
    return 0;
}

int WriteDocuments(const std::string &folder)
{
    for (int64_t size : kSizes) {
        const std::string path = folder + "/" + std::to_string(size) + "MB.xml";
        FILE *out = std::fopen(path.c_str(), "wb");
        if (!out) return 2;
        const std::string &doc = Document(size);
        const bool ok = std::fwrite(doc.data(), 1, doc.size(), out) == doc.size();
        if (std::fclose(out) != 0 || !ok) return 2;
        std::printf("%s\n", path.c_str());
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--cold") == 0) return Cold(argv[2], argv[3], false);
    // One parse and nothing else, for instruction counts under callgrind.
    if (argc == 4 && std::strcmp(argv[1], "--once") == 0) return Cold(argv[2], argv[3], true);
    if (argc == 3 && std::strcmp(argv[1], "--write-documents") == 0) return WriteDocuments(argv[2]);

    xmlInitParser();
    benchmark::Initialize(&argc, argv);
    const std::string loadBefore = LoadAverage();

    // Same work first: every checked reader must report the same counts on every document.
    std::map<int64_t, bool> sameWork;
    for (int64_t size : kSizes) {
        const std::string &doc = Document(size);
        std::printf("%3lld MB document (%zu bytes):\n", static_cast<long long>(size), doc.size());
        const Tally *first = nullptr;
        std::vector<Tally> tallies;
        tallies.reserve(Readers().size());
        sameWork[size] = true;
        for (const Reader &r : Readers()) {
            if (!r.checked) continue;
            Tally t;
            t.check = true;
            if (!r.parse(doc, &t)) {
                std::printf("  %-17s failed\n", r.name);
                sameWork[size] = false;
                continue;
            }
            tallies.push_back(t);
            if (!first) first = &tallies.back();
            const bool same = first->SameWork(t);
            sameWork[size] = sameWork[size] && same;
            std::printf("  %-17s elements %zu, attributes %zu (%zu bytes), text %zu bytes%s\n", r.name, t.elements,
                        t.attributes, t.attributeBytes, t.textBytes, same ? "" : "  <-- DIFFERENT");
        }
    }
    KeptMemory::Release();

    // The readers take turns at each size, and the order rotates from size to size.
    int rotation = 0;
    for (int64_t size : kSizes) {
        const auto &readers = Readers();
        for (size_t i = 0; i < readers.size(); ++i) {
            const Reader &r = readers[(i + static_cast<size_t>(rotation)) % readers.size()];
            benchmark::RegisterBenchmark((std::string(r.name) + "/" + std::to_string(size)).c_str(), BM_Read, &r)
                ->Arg(size)
                ->Iterations(kIterations)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        }
        ++rotation;
    }
    benchmark::RunSpecifiedBenchmarks();
    KeptMemory::Release();
    const std::string loadAfter = LoadAverage();

    std::printf("\nwarm: %d iterations at every size; MB/s median of iterations 2..%d (range), first iteration"
                " apart; faults and system ms per warm iteration (medians)\n",
                kIterations, kIterations);
    std::printf("load average before %s, after %s\n", loadBefore.c_str(), loadAfter.c_str());
    std::map<std::string, std::map<int64_t, double>> medianMBps;
    for (int64_t size : kSizes) {
        const double mb = static_cast<double>(Document(size).size()) / (1 << 20);
        std::printf("\n%3lld MB  %-17s %8s %17s %8s %10s %8s\n", static_cast<long long>(size), "reader", "MB/s",
                    "range", "1st MB/s", "faults", "sys ms");
        for (const Reader &r : Readers()) {
            const auto &runs = g_runs[r.name][size];
            if (runs.size() < 2) continue;
            std::vector<double> mbps, faults, sys;
            for (size_t i = 1; i < runs.size(); ++i) {
                mbps.push_back(mb / runs[i].seconds);
                faults.push_back(static_cast<double>(runs[i].minorFaults + runs[i].majorFaults));
                sys.push_back(runs[i].systemSeconds * 1e3);
            }
            medianMBps[r.name][size] = Median(mbps);
            std::printf("       %-17s %8.0f %8.0f-%-8.0f %8.0f %10.0f %8.1f\n", r.name, Median(mbps),
                        *std::min_element(mbps.begin(), mbps.end()), *std::max_element(mbps.begin(), mbps.end()),
                        mb / runs[0].seconds, Median(faults), Median(sys));
        }
    }

    std::printf("\nratios of the warm medians (reader A / reader B)\n");
    const std::pair<const char *, const char *> pairs[] = {
        {"KELDASax", "pugixmlKept"},     {"KELDASaxDecoding", "pugixmlKept"},
        {"KELDASax", "pugixml"},         {"KELDASax", "expat"},
        {"KELDASax", "libxml2"},         {"KELDASaxDecoding", "expat"},
        {"KELDASaxDecoding", "libxml2"},
    };
    for (const auto &[a, b] : pairs) {
        std::printf("  %-17s / %-12s", a, b);
        for (int64_t size : kSizes) {
            const double x = medianMBps[a][size], y = medianMBps[b][size];
            if (!sameWork[size])
                std::printf("  %3lld MB: not the same work, no ratio", static_cast<long long>(size));
            else if (x > 0 && y > 0)
                std::printf("  %3lld MB: %5.2f", static_cast<long long>(size), x / y);
        }
        std::printf("\n");
    }
    benchmark::Shutdown();
    xmlCleanupParser();
    return 0;
}
