// Files that are not what their names promise: a FIFO or a link to /dev/zero in place of a manifest,
// its cache image or an uninstall record fails at once instead of blocking or reading without end; a
// manifest's ".gz" copy that inflates to far more than the plain file is passed over for the plain file.
#include "gallery/facade/Gallery.h"
#include "gallery/maintenance/GalleryInstalledManifest.h"
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryKeyedStringCollection.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryOrganization.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace
{

// Runs work on its own thread; a call that blocks for a minute has hung, and the process ends rather
// than the whole test run.
void Promptly(const char *what, const std::function<void()> &work)
{
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::thread worker([&] {
        work();
        const std::lock_guard<std::mutex> lock(mutex);
        finished = true;
        done.notify_one();
    });
    std::unique_lock<std::mutex> lock(mutex);
    if (!done.wait_for(lock, std::chrono::seconds(60), [&] { return finished; })) {
        std::fprintf(stderr, "%s: still blocked after a minute\n", what);
        std::fflush(stderr);
        _exit(1);
    }
    lock.unlock();
    worker.join();
}

// A manifest whose one organisation is identified as name.
std::string Manifest(const std::string &name, const std::string &padding = "")
{
    return "<manifest identifier=\"id1\"><organizations><organization identifier=\"id2\"><title>Org</title>"
           "<metadata><lom:lom><lom:general><lom:identifier><lom:entry>" +
           name + "</lom:entry></lom:identifier></lom:general></lom:lom></metadata></organization></organizations>" +
           padding + "<resources/></manifest>";
}

// What takes the place of the file.
enum class Impostor { Fifo, LinkToDevZero };

void PutImpostor(Impostor kind, const std::string &path)
{
    ::unlink(path.c_str());
    if (kind == Impostor::Fifo)
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    else
        ASSERT_EQ(::symlink("/dev/zero", path.c_str()), 0);
}

struct ManifestDeleter {
    void operator()(CGalleryManifest *m) const { CGalleryManifest::DeleteInstance(&m); }
};

HRESULT OpenManifest(const std::string &path, bool useCache, CAtlString *identifier = nullptr)
{
    CGalleryManifest *raw = nullptr;
    if (FAILED(CGalleryManifest::CreateInstance(&raw))) return E_OUTOFMEMORY;
    std::unique_ptr<CGalleryManifest, ManifestDeleter> manifest(raw);
    const HRESULT hr = manifest->Open(Text::FromUtf8(path).c_str(), nullptr, useCache);
    if (identifier && SUCCEEDED(hr) && manifest->GetOrganizations()->GetCount() > 0)
        *identifier = manifest->GetOrganizations()->GetAt(0)->GetIdentifier();
    return hr;
}

TEST(HostileFiles, ImpostorsFailPromptly)
{
    const struct {
        const char *name;
        Impostor kind;
    } impostors[] = {{"FIFO", Impostor::Fifo}, {"link to /dev/zero", Impostor::LinkToDevZero}};
    // Where the impostor stands, and what opening it must give.
    const struct {
        const char *name;
        std::function<void(const std::string &dir, Impostor kind)> check;
    } places[] = {
        {"manifest",
         [](const std::string &dir, Impostor kind) {
             const std::string xml = dir + "/imsmanifest.xml";
             PutImpostor(kind, xml);
             EXPECT_NE(OpenManifest(xml, false), S_OK);
         }},
        {"cache image opened itself",
         [](const std::string &dir, Impostor kind) {
             const std::string cache = dir + "/imsmanifest.cache";
             PutImpostor(kind, cache);
             EXPECT_TRUE(FAILED(OpenManifest(cache, false)));
         }},
        {"cache image beside its manifest",
         [](const std::string &dir, Impostor kind) {
             const std::string xml = dir + "/imsmanifest.xml";
             ASSERT_TRUE(TestEnv::WriteFile(xml, Manifest("Org")));
             const std::string cache = Text::ToUtf8(CGallery::GetCachePath(Text::FromUtf8(xml)));
             std::filesystem::create_directories(std::filesystem::path(cache).parent_path());
             PutImpostor(kind, cache);
             CAtlString identifier;
             EXPECT_EQ(OpenManifest(xml, true, &identifier), S_OK);
             EXPECT_EQ(identifier, L"Org");
             struct stat st {
             };
             EXPECT_FALSE(::stat(cache.c_str(), &st) == 0 && S_ISREG(st.st_mode) && kind == Impostor::LinkToDevZero)
                 << "the device was replaced";
         }},
        {"uninstall record",
         [](const std::string &dir, Impostor kind) {
             const std::string record = dir + "/imsmanifestrecord.xml";
             PutImpostor(kind, record);
             CGalleryInstalledManifest installed;
             EXPECT_TRUE(FAILED(installed.Open(CKeldaFilePath(Text::FromUtf8(record)))));
             EXPECT_EQ(installed.GetBytesRead(), 0u);
         }},
        {"compressed uninstall record",
         [](const std::string &dir, Impostor kind) {
             const std::string record = dir + "/imsmanifestrecord.xml.gz";
             PutImpostor(kind, record);
             CGalleryInstalledManifest installed;
             EXPECT_TRUE(FAILED(installed.Open(CKeldaFilePath(Text::FromUtf8(record)))));
         }},
    };
    for (const auto &impostor : impostors) {
        for (const auto &place : places) {
            SCOPED_TRACE(std::string(place.name) + " as " + impostor.name);
            TestEnv::TempDir dir;
            Promptly(place.name, [&] { place.check(dir.path(), impostor.kind); });
        }
    }
}

std::string Gzip(const std::string &data)
{
    z_stream zs{};
    deflateInit2(&zs, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&zs, data.size()), '\0');
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = reinterpret_cast<Bytef *>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

// The ".gz" copy (newer than the plain file) is a real manifest padded with 16 MiB of blanks; the plain
// file is under a kilobyte. The copy is refused by its inflated size and the plain file is read.
TEST(HostileFiles, CompressedCopyFarLargerThanThePlainFileIsNotRead)
{
    TestEnv::TempDir dir;
    const std::string xml = dir.file("imsmanifest.xml");
    ASSERT_TRUE(TestEnv::WriteFile(xml, Manifest("Plain")));
    const std::string bomb = Gzip(Manifest("Bomb", std::string(16u << 20, ' ')));
    ASSERT_LT(bomb.size(), 100000u);
    ASSERT_TRUE(TestEnv::WriteFile(xml + ".gz", bomb));
    CAtlString identifier;
    ASSERT_EQ(OpenManifest(xml, false, &identifier), S_OK);
    EXPECT_EQ(identifier, L"Plain");

    // A copy of about the plain file's size is still read in its place.
    ASSERT_TRUE(TestEnv::WriteFile(xml + ".gz", Gzip(Manifest("Copy"))));
    ASSERT_EQ(OpenManifest(xml, false, &identifier), S_OK);
    EXPECT_EQ(identifier, L"Copy");
}

} // namespace
