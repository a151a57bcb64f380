// The modification stamp a manifest keeps from its file: a change made while the file is being read
// must leave the manifest out of date, so that it is read again.
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryFileStamp.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>

namespace
{

// Moves the file's modification time a minute ahead at the first progress report, as another process
// saving the manifest while it is read would.
struct TouchingObserver : IGalleryManifestOpenObserver {
    HRESULT NotifyOpenProgress(float) override
    {
        if (!touched) {
            struct stat st {
            };
            EXPECT_EQ(::stat(path.c_str(), &st), 0);
            struct timeval times[2]{};
            times[0].tv_sec = times[1].tv_sec = st.st_mtime + 60;
            EXPECT_EQ(::utimes(path.c_str(), times), 0);
            touched = true;
        }
        return S_OK;
    }
    std::string path;
    bool touched = false;
};

TEST(ManifestStamp, ChangeDuringTheReadLeavesTheManifestOutOfDate)
{
    TestEnv::TempDir dir;
    const std::string xml = dir.file("imsmanifest.xml");
    ASSERT_TRUE(
        TestEnv::WriteFile(xml, "<manifest identifier=\"id1\"><metadata/><organizations/><resources/></manifest>"));
    for (const bool useCache : {false, true}) {
        struct timeval past[2]{};
        past[0].tv_sec = past[1].tv_sec = 1000000000;
        ASSERT_EQ(::utimes(xml.c_str(), past), 0);
        CGalleryManifest *manifest = nullptr;
        ASSERT_EQ(CGalleryManifest::CreateInstance(&manifest), S_OK);
        TouchingObserver observer;
        observer.path = xml;
        EXPECT_EQ(manifest->Open(Text::FromUtf8(xml).c_str(), &observer, useCache), S_OK) << useCache;
        EXPECT_TRUE(observer.touched);
        EXPECT_FALSE(manifest->IsUpToDate()) << useCache;
        EXPECT_EQ(manifest->GetFileStamp()->GetSeconds(), 1000000000) << useCache;
        CGalleryManifest::DeleteInstance(&manifest);
    }
}

} // namespace
