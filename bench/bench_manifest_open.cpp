// Opening generated imsmanifest.xml documents of about 1, 10 and 100 MB into the gallery model
// (CGalleryManifest::Open: one pass of KELDASax plus building every record), in MB/s.
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
#include <unistd.h>

#include <cstdio>
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

void BM_ManifestOpen(benchmark::State &state)
{
    const auto &[path, size] = TheDocuments().Get(state.range(0));
    const CAtlString widePath = Text::FromUtf8(path);
    size_t files = 0;
    for (auto _ : state) {
        CGalleryManifest *manifest = nullptr;
        CGalleryManifest::CreateInstance(&manifest);
        if (manifest->Open(widePath.c_str()) != S_OK) {
            state.SkipWithError("open failed");
            CGalleryManifest::DeleteInstance(&manifest);
            break;
        }
        files = 0;
        for (uint32_t o = 0; o < manifest->GetOrganizations()->GetCount(); ++o)
            files += manifest->GetOrganizations()->GetAt(o)->GetTotalFilesCount();
        benchmark::DoNotOptimize(files);
        CGalleryManifest::DeleteInstance(&manifest);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
    state.counters["files"] = static_cast<double>(files);
    state.counters["MB"] = static_cast<double>(size) / (1 << 20);
}

} // namespace

BENCHMARK(BM_ManifestOpen)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
