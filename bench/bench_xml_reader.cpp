// Streaming reader throughput: KELDASax against expat, libxml2's SAX2 reader and pugixml on generated
// imsmanifest.xml documents of about 1, 10 and 100 MB, with a plain memchr scan for '<' as the floor.
// Every reader sees the same in-memory buffer and does comparable work per event (count elements and
// attributes, look at the text). After the runs the program prints MB/s per reader and the ratio of
// KELDASax to each peer.
#include "support/KELDASax.h"
#include "support/XmlWriter.h"

#include <benchmark/benchmark.h>
#include <expat.h>
#include <libxml/parser.h>
#include <pugixml.hpp>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace
{

// ---- document generator -------------------------------------------------------------------------

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
    CStreamFactory::CreateWritableBufferStream(buffer.put());
    CKeldaPtr<IKELDAXMLWriter> w;
    IKELDAXMLWriter::CreateKELDAXMLWriterOnStream(w.put(), buffer.get());
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

// What every reader reports per document, so that the work cannot be optimised away.
struct Tally {
    size_t elements = 0;
    size_t attributes = 0;
    size_t textBytes = 0;
};

void Finish(benchmark::State &state, const std::string &doc, const Tally &tally)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc.size()));
    state.counters["elements"] = static_cast<double>(tally.elements);
    state.counters["MB"] = static_cast<double>(doc.size()) / (1 << 20);
}

// ---- readers --------------------------------------------------------------------------------------

struct KeldaHandler : KELDASaxContentHandler {
    Tally tally;
    HRESULT startElement(const KELDASaxString &, const KELDASaxString &, const KELDASaxString &,
                         const KELDASaxAttributes &attributes, const KELDASaxString &text, size_t, size_t) override
    {
        ++tally.elements;
        tally.attributes += attributes.GetLength();
        tally.textBytes += text.length();
        return S_OK;
    }
};

void BM_KELDASax(benchmark::State &state)
{
    const std::string &doc = Document(state.range(0));
    Tally tally;
    for (auto _ : state) {
        KeldaHandler h;
        if (KELDASax::ReadXml(doc.data(), doc.size(), &h) != S_OK) state.SkipWithError("KELDASax failed");
        tally = h.tally;
        benchmark::DoNotOptimize(tally);
    }
    Finish(state, doc, tally);
}

void BM_Expat(benchmark::State &state)
{
    const std::string &doc = Document(state.range(0));
    Tally tally;
    for (auto _ : state) {
        Tally t;
        XML_Parser p = XML_ParserCreate("UTF-8");
        XML_SetUserData(p, &t);
        XML_SetElementHandler(
            p,
            [](void *data, const XML_Char *, const XML_Char **atts) {
                auto *t = static_cast<Tally *>(data);
                ++t->elements;
                for (; *atts; atts += 2)
                    ++t->attributes;
            },
            nullptr);
        XML_SetCharacterDataHandler(p, [](void *data, const XML_Char *, int len) {
            static_cast<Tally *>(data)->textBytes += static_cast<size_t>(len);
        });
        if (XML_Parse(p, doc.data(), static_cast<int>(doc.size()), XML_TRUE) != XML_STATUS_OK)
            state.SkipWithError("expat failed");
        XML_ParserFree(p);
        tally = t;
        benchmark::DoNotOptimize(tally);
    }
    Finish(state, doc, tally);
}

void BM_Libxml2Sax(benchmark::State &state)
{
    const std::string &doc = Document(state.range(0));
    xmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.initialized = XML_SAX2_MAGIC;
    sax.startElementNs = [](void *ctx, const xmlChar *, const xmlChar *, const xmlChar *, int, const xmlChar **,
                            int nbAttributes, int, const xmlChar **) {
        auto *t = static_cast<Tally *>(ctx);
        ++t->elements;
        t->attributes += static_cast<size_t>(nbAttributes);
    };
    sax.characters = [](void *ctx, const xmlChar *, int len) {
        static_cast<Tally *>(ctx)->textBytes += static_cast<size_t>(len);
    };
    Tally tally;
    for (auto _ : state) {
        Tally t;
        if (xmlSAXUserParseMemory(&sax, &t, doc.data(), static_cast<int>(doc.size())) != 0)
            state.SkipWithError("libxml2 failed");
        tally = t;
        benchmark::DoNotOptimize(tally);
    }
    Finish(state, doc, tally);
}

void BM_Pugixml(benchmark::State &state)
{
    const std::string &doc = Document(state.range(0));
    Tally tally;
    for (auto _ : state) {
        pugi::xml_document d;
        if (!d.load_buffer(doc.data(), doc.size())) state.SkipWithError("pugixml failed");
        benchmark::DoNotOptimize(d.first_child());
        tally.elements = 1;
    }
    Finish(state, doc, tally);
}

void BM_MemchrFloor(benchmark::State &state)
{
    const std::string &doc = Document(state.range(0));
    Tally tally;
    for (auto _ : state) {
        size_t count = 0;
        const char *p = doc.data(), *end = p + doc.size();
        while ((p = static_cast<const char *>(std::memchr(p, '<', static_cast<size_t>(end - p))))) {
            ++count;
            ++p;
        }
        tally.elements = count;
        benchmark::DoNotOptimize(tally);
    }
    Finish(state, doc, tally);
}

#define XML_SIZES ->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime()
BENCHMARK(BM_KELDASax) XML_SIZES;
BENCHMARK(BM_Expat) XML_SIZES;
BENCHMARK(BM_Libxml2Sax) XML_SIZES;
BENCHMARK(BM_Pugixml) XML_SIZES;
BENCHMARK(BM_MemchrFloor) XML_SIZES;

// Prints the usual table and remembers each run's throughput for the summary.
class SummaryReporter : public benchmark::ConsoleReporter
{
  public:
    std::map<std::string, std::map<int64_t, double>> mbPerSecond; // reader -> size -> MB/s

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            const std::string name = run.benchmark_name();
            const size_t slash = name.find('/');
            const std::string reader = name.substr(3, slash - 3);
            const int64_t size = std::stoll(name.substr(slash + 1));
            const auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end()) mbPerSecond[reader][size] = it->second / (1 << 20);
        }
    }
};

} // namespace

int main(int argc, char **argv)
{
    xmlInitParser();
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const auto &results = reporter.mbPerSecond;
    const auto kelda = results.find("KELDASax");
    std::printf("\n%-12s %10s %10s %10s   KELDASax / reader\n", "reader MB/s", "1 MB", "10 MB", "100 MB");
    for (const auto &[reader, bySize] : results) {
        std::printf("%-12s", reader.c_str());
        for (int64_t size : {1, 10, 100}) {
            const auto it = bySize.find(size);
            if (it != bySize.end())
                std::printf(" %10.0f", it->second);
            else
                std::printf(" %10s", "-");
        }
        if (kelda != results.end() && reader != "KELDASax") {
            std::printf("  ");
            for (int64_t size : {1, 10, 100}) {
                const auto a = kelda->second.find(size), b = bySize.find(size);
                if (a != kelda->second.end() && b != bySize.end() && b->second > 0)
                    std::printf(" %6.2fx", a->second / b->second);
            }
        }
        std::printf("\n");
    }
    benchmark::Shutdown();
    xmlCleanupParser();
    return 0;
}
