// Opening generated imsmanifest.xml documents of about 1, 10 and 100 MB into the gallery model
// (CGalleryManifest::Open: one pass of KELDASax plus building every record, then destroying it), in
// MB/s. Warm: the same number of iterations at every size. Cold: `--cold FILE` opens one XML file or
// cache image once in this fresh process and prints its time, page faults, system time, peak memory
// and the number of files read; `--write-documents DIR` writes the documents and the 100 MB
// document's cache image for bench_open_cold.sh, which alternates XML and cache opens.
//
// The documents are written by the gallery's own writer from a generated model: organizations of 40
// activities with 10 files each, every record with a title in two languages, keywords, a format and a
// requirement, so the reader sees the same shape as a real gallery.
#include "ManifestGenerator.h"
#include "gallery/records/GalleryActivity.h"
#include "gallery/records/GalleryFile.h"
#include "gallery/records/GalleryKeyedStringCollection.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryOrganization.h"
#include "support/XmlWriter.h"

#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

namespace
{

// The generated documents, written once per size into a private folder removed at exit.
struct Documents {
    Documents()
    {
        char pattern[] = "/tmp/bench_manifest_XXXXXX";
        folder = mkdtemp(pattern) ? pattern : "";
    }
    ~Documents()
    {
        std::error_code error;
        if (!folder.empty()) std::filesystem::remove_all(folder, error);
    }
    const std::pair<std::string, size_t> &Get(int64_t megabytes)
    {
        auto it = files.find(megabytes);
        if (it == files.end()) {
            const std::string text = BenchManifest::Generate(static_cast<size_t>(megabytes) << 20);
            const std::string dir = folder + "/" + std::to_string(megabytes);
            std::filesystem::create_directories(dir);
            const std::string path = dir + "/imsmanifest.xml";
            if (FILE *out = std::fopen(path.c_str(), "wb")) {
                std::fwrite(text.data(), 1, text.size(), out);
                std::fclose(out);
            }
            it = files.emplace(megabytes, std::make_pair(path, text.size())).first;
        }
        return it->second;
    }
    std::string folder;
    std::map<int64_t, std::pair<std::string, size_t>> files;
};

Documents &TheDocuments()
{
    static Documents documents;
    return documents;
}

size_t CountFiles(CGalleryManifest *manifest)
{
    size_t files = 0;
    for (uint32_t o = 0; o < manifest->GetOrganizations()->GetCount(); ++o)
        files += manifest->GetOrganizations()->GetAt(o)->GetTotalFilesCount();
    return files;
}

void BM_ManifestOpen(benchmark::State &state)
{
    const auto &[path, size] = TheDocuments().Get(state.range(0));
    const CAtlString widePath = Text::FromUtf8(path);
    size_t files = 0;
    for (auto _ : state) {
        CGalleryManifest *manifest = nullptr;
        BenchManifest::Must(CGalleryManifest::CreateInstance(&manifest));
        if (manifest->Open(widePath.c_str()) != S_OK) {
            state.SkipWithError("open failed");
            CGalleryManifest::DeleteInstance(&manifest);
            break;
        }
        files = CountFiles(manifest);
        benchmark::DoNotOptimize(files);
        CGalleryManifest::DeleteInstance(&manifest);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
    state.counters["files"] = static_cast<double>(files);
    state.counters["MB"] = static_cast<double>(size) / (1 << 20);
}

int Cold(const std::string &path)
{
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    CGalleryManifest *manifest = nullptr;
    BenchManifest::Must(CGalleryManifest::CreateInstance(&manifest));
    const HRESULT hr = manifest->Open(Text::FromUtf8(path).c_str());
    const size_t files = hr == S_OK ? CountFiles(manifest) : 0;
    const auto opened = std::chrono::steady_clock::now();
    CGalleryManifest::DeleteInstance(&manifest);
    const auto end = std::chrono::steady_clock::now();
    getrusage(RUSAGE_SELF, &after);
    if (hr != S_OK) return 1;
    const double sys = static_cast<double>(after.ru_stime.tv_sec - before.ru_stime.tv_sec) * 1e3 +
                       static_cast<double>(after.ru_stime.tv_usec - before.ru_stime.tv_usec) / 1e3;
    // ms of open + destroy, ms of the open alone, minor faults, system ms, peak RSS KiB, files
    std::printf("%.3f %.3f %ld %.3f %ld %zu\n", std::chrono::duration<double>(end - start).count() * 1e3,
                std::chrono::duration<double>(opened - start).count() * 1e3, after.ru_minflt - before.ru_minflt, sys,
                after.ru_maxrss, files);
    return 0;
}

int WriteDocuments(const std::string &folder)
{
    for (int64_t size : {1, 10, 100}) {
        const std::string text = BenchManifest::Generate(static_cast<size_t>(size) << 20);
        const std::string path = folder + "/" + std::to_string(size) + "MB.xml";
        FILE *out = std::fopen(path.c_str(), "wb");
        if (!out) return 2;
        const bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
        if (std::fclose(out) != 0 || !ok) return 2;
        if (size == 100) {
            CGalleryManifest *manifest = nullptr;
            BenchManifest::Must(CGalleryManifest::CreateInstance(&manifest));
            const bool saved = manifest->Open(Text::FromUtf8(path).c_str()) == S_OK &&
                               manifest->SaveAs(Text::FromUtf8(folder + "/100MB.cache").c_str()) == S_OK;
            CGalleryManifest::DeleteInstance(&manifest);
            if (!saved) return 2;
        }
    }
    return 0;
}

} // namespace

BENCHMARK(BM_ManifestOpen)
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->Iterations(5)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--cold") == 0) return Cold(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--write-documents") == 0) return WriteDocuments(argv[2]);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
