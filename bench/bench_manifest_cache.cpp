// The binary manifest cache and the installed-manifest registry.
//
// BM_OpenXml / BM_OpenCache: the same generated ~100 MB imsmanifest.xml opened into the model from
// the XML (one pass of KELDASax plus building every record) and from its binary cache image (one read,
// the checksum and the validating relocation), each followed by destroying the manifest. The program
// ends with the ratio of the two (target: the cache at least 20 times faster).
//
// BM_RegistryScan: a folder of 1,000 uninstall records of about 40 KB each, collected with
// CGalleryInstalledManifestMap::Open; the counters give the bytes actually read per record (target:
// the head of each record only, not the whole file). BM_RegistryFullParse parses the same records whole
// with KELDASax for comparison.
//
// The documents come from ManifestGenerator.h, as for bench_manifest_open.
#include "ManifestGenerator.h"
#include "gallery/facade/Gallery.h"
#include "gallery/records/GalleryActivity.h"
#include "gallery/records/GalleryFile.h"
#include "gallery/maintenance/GalleryInstalledManifest.h"
#include "gallery/records/GalleryKeyedStringCollection.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryOrganization.h"
#include "support/KELDASax.h"
#include "support/XmlWriter.h"

#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

bool WriteFile(const std::string &path, const std::string &bytes)
{
    FILE *out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return std::fclose(out) == 0 && ok;
}

struct Data {
    Data()
    {
        char pattern[] = "/tmp/bench_cache_XXXXXX";
        folder = mkdtemp(pattern) ? pattern : "";
    }
    ~Data()
    {
        std::error_code error;
        if (!folder.empty()) std::filesystem::remove_all(folder, error);
    }
    // The 100 MB manifest and its cache image.
    void PrepareManifest()
    {
        if (!xml.empty()) return;
        const std::string text = BenchManifest::Generate(size_t(100) << 20, 40, L"manifest", true);
        std::filesystem::create_directories(folder + "/gallery");
        xml = folder + "/gallery/imsmanifest.xml";
        cache = folder + "/gallery.cache";
        xmlBytes = text.size();
        WriteFile(xml, text);
        CGalleryManifest *manifest = nullptr;
        BenchManifest::Must(CGalleryManifest::CreateInstance(&manifest));
        if (manifest->Open(Text::FromUtf8(xml).c_str()) != S_OK ||
            manifest->SaveAs(Text::FromUtf8(cache).c_str()) != S_OK)
            cache.clear();
        CGalleryManifest::DeleteInstance(&manifest);
        cacheBytes = cache.empty() ? 0 : std::filesystem::file_size(cache);
    }
    // 1,000 uninstall records of about 40 KB.
    void PrepareRecords()
    {
        if (!records.empty()) return;
        records = folder + "/Uninstall";
        std::filesystem::create_directories(records);
        for (int i = 0; i < 1000; ++i) {
            const std::string text = BenchManifest::Generate(40 << 10, 2, L"gallery" + std::to_wstring(i), true);
            recordBytes += text.size();
            WriteFile(records + "/imsmanifest" + std::to_string(i) + ".xml", text);
        }
    }
    std::string folder, xml, cache, records;
    uint64_t xmlBytes = 0, cacheBytes = 0, recordBytes = 0;
};

Data &TheData()
{
    static Data data;
    return data;
}

// Seconds for one open followed by destroying the manifest (-1 when the open failed); destroySeconds,
// when given, receives the share of the destruction.
double OpenOnce(const std::string &path, double *destroySeconds = nullptr)
{
    const CAtlString wide = Text::FromUtf8(path);
    const auto start = std::chrono::steady_clock::now();
    CGalleryManifest *manifest = nullptr;
    BenchManifest::Must(CGalleryManifest::CreateInstance(&manifest));
    const HRESULT hr = manifest->Open(wide.c_str());
    benchmark::DoNotOptimize(manifest->GetOrganizations()->GetCount());
    const auto opened = std::chrono::steady_clock::now();
    CGalleryManifest::DeleteInstance(&manifest);
    const auto end = std::chrono::steady_clock::now();
    if (destroySeconds) *destroySeconds = std::chrono::duration<double>(end - opened).count();
    const double seconds = std::chrono::duration<double>(end - start).count();
    return hr == S_OK ? seconds : -1;
}

void OpenBenchmark(benchmark::State &state, bool fromCache)
{
    Data &data = TheData();
    data.PrepareManifest();
    const std::string &path = fromCache ? data.cache : data.xml;
    if (path.empty()) {
        state.SkipWithError("no cache image");
        return;
    }
    for (auto _ : state) {
        if (OpenOnce(path) < 0) {
            state.SkipWithError("open failed");
            break;
        }
    }
    const uint64_t bytes = fromCache ? data.cacheBytes : data.xmlBytes;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["MB"] = static_cast<double>(bytes) / (1 << 20);
}

void BM_OpenXml(benchmark::State &state)
{
    OpenBenchmark(state, false);
}
void BM_OpenCache(benchmark::State &state)
{
    OpenBenchmark(state, true);
}

void BM_RegistryScan(benchmark::State &state)
{
    Data &data = TheData();
    data.PrepareRecords();
    const CKeldaDirectoryPath directory(Text::FromUtf8(data.records));
    uint64_t read = 0;
    size_t count = 0;
    for (auto _ : state) {
        CGalleryInstalledManifestMap map;
        BenchManifest::Must(map.Open(directory));
        read = map.GetBytesRead();
        count = map.GetCount();
    }
    state.counters["records"] = static_cast<double>(count);
    state.counters["bytes_read_per_record"] = static_cast<double>(read) / 1000;
    state.counters["record_bytes"] = static_cast<double>(data.recordBytes) / 1000;
    if (count != 1000) state.SkipWithError("not every record was registered");
}

void BM_RegistryFullParse(benchmark::State &state)
{
    Data &data = TheData();
    data.PrepareRecords();
    KELDASaxContentHandler nothing;
    std::vector<CAtlString> files;
    for (int i = 0; i < 1000; ++i)
        files.push_back(Text::FromUtf8(data.records + "/imsmanifest" + std::to_string(i) + ".xml"));
    for (auto _ : state)
        for (const CAtlString &file : files)
            benchmark::DoNotOptimize(KELDASax::ReadXmlFile(file, &nothing));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.recordBytes));
}

} // namespace

BENCHMARK(BM_OpenXml)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_OpenCache)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_RegistryScan)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RegistryFullParse)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    // The ratio, measured once more here side by side (best of five, alternating).
    Data &data = TheData();
    data.PrepareManifest();
    if (!data.cache.empty()) {
        double xmlBest = 1e9, cacheBest = 1e9, cacheDestroy = 0;
        for (int i = 0; i < 5; ++i) {
            xmlBest = std::min(xmlBest, OpenOnce(data.xml));
            double destroy = 0;
            const double cache = OpenOnce(data.cache, &destroy);
            if (cache < cacheBest) {
                cacheBest = cache;
                cacheDestroy = destroy;
            }
        }
        std::printf("\nopen %.1f MB XML: %.1f ms; its %.1f MB cache: %.1f ms (destroying the manifest %.1f ms); "
                    "cache is %.1f times faster\n",
                    data.xmlBytes / 1048576.0, xmlBest * 1e3, data.cacheBytes / 1048576.0, cacheBest * 1e3,
                    cacheDestroy * 1e3, xmlBest / cacheBest);
    }
    benchmark::Shutdown();
    return 0;
}
