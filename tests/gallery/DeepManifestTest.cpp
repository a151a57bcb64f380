// Deeply nested manifests on the smallest thread stack: opened, cached, opened again from the cache image,
// saved and destroyed without overflowing it, up to the activity depth limit; deeper ones are refused.
#include "gallery/facade/Gallery.h"
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryActivity.h"
#include "gallery/records/GalleryOrganization.h"
#include "support/Limits.h"

#include "common/TestEnv.h"
#include "gallery/CacheTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include <pthread.h>

namespace
{

// Runs work on a thread with the smallest stack a thread of the program may have.
void OnWorkerStack(const std::function<void()> &work)
{
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    ASSERT_EQ(pthread_attr_setstacksize(&attr, Limits::kMinThreadStackBytes), 0);
    pthread_t thread;
    auto *job = new std::function<void()>(work);
    ASSERT_EQ(pthread_create(
                  &thread, &attr,
                  [](void *arg) -> void * {
                      auto *f = static_cast<std::function<void()> *>(arg);
                      (*f)();
                      delete f;
                      return nullptr;
                  },
                  job),
              0);
    pthread_attr_destroy(&attr);
    pthread_join(thread, nullptr);
}

std::string Nested(size_t depth)
{
    std::string xml = "<manifest identifier=\"m\"><organizations><organization identifier=\"o\"><title>O</title>";
    for (size_t i = 0; i < depth; ++i)
        xml += "<item identifier=\"a" + std::to_string(i) + "\"><title>t</title>";
    for (size_t i = depth; i-- > 0;)
        xml += "<metadata><lom:lom><lom:general><lom:identifier><lom:entry>urn:a" + std::to_string(i) +
               "</lom:entry></lom:identifier></lom:general></lom:lom></metadata></item>";
    return xml + "<metadata><lom:lom><lom:general><lom:identifier><lom:entry>urn:o</lom:entry></lom:identifier>"
                 "</lom:general></lom:lom></metadata></organization></organizations><resources/></manifest>";
}

size_t Depth(CGalleryManifest *manifest)
{
    if (manifest->GetOrganizations()->GetCount() == 0) return 0;
    size_t depth = 0;
    for (const CGalleryActivityCollection *level = manifest->GetOrganizations()->GetAt(0)->GetActivities();
         level->GetCount() > 0; level = level->GetAt(0)->GetActivities())
        ++depth;
    return depth;
}

TEST(DeepManifest, OpenedCachedAndSavedWithinTheWorkerStack)
{
    const struct {
        size_t depth;
        bool opens;
    } cases[] = {
        {Limits::kMaxActivityDepth, true}, {Limits::kMaxActivityDepth + 1, false}, {Limits::kMaxXmlDepth - 10, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.depth);
        TestEnv::TempDir dir;
        const std::string xml = dir.file("imsmanifest.xml");
        ASSERT_TRUE(TestEnv::WriteFile(xml, Nested(c.depth)));
        OnWorkerStack([&] {
            CGalleryManifest *manifest = nullptr;
            ASSERT_EQ(CGalleryManifest::CreateInstance(&manifest), S_OK);
            const HRESULT opened = manifest->Open(Text::FromUtf8(xml).c_str(), nullptr, true);
            EXPECT_EQ(SUCCEEDED(opened), c.opens);
            if (c.opens) {
                EXPECT_EQ(Depth(manifest), c.depth);
                EXPECT_EQ(manifest->SaveAs(Text::FromUtf8(dir.file("copy.xml")).c_str()), S_OK);
            }
            CGalleryManifest::DeleteInstance(&manifest);
            if (!c.opens) return;
            // Again, now from the cache image the first open wrote.
            ASSERT_EQ(CGalleryManifest::CreateInstance(&manifest), S_OK);
            ASSERT_EQ(manifest->Open(Text::FromUtf8(xml).c_str(), nullptr, true), S_OK);
            EXPECT_NE(manifest->GetMemory(), nullptr) << "not read from the cache image";
            EXPECT_EQ(Depth(manifest), c.depth);
            CGalleryManifest::DeleteInstance(&manifest);
        });
    }
}

// Merging below a target activity never makes the model deeper than its limit.
TEST(DeepManifest, MergeBelowADeepTargetKeepsTheLimit)
{
    using namespace CacheTest;
    ManifestPtr destination = NewManifest();
    CGalleryOrganization *organization = AddOrganization(destination.get(), L"urn:o", L"O");
    CGalleryActivity *target = nullptr;
    for (size_t i = 1; i < Limits::kMaxActivityDepth; ++i)
        target = AddActivity(organization, target, W("urn:d" + std::to_string(i)).c_str(), L"t");

    for (const size_t sourceDepth : {size_t(2), size_t(1)}) {
        SCOPED_TRACE(sourceDepth);
        ManifestPtr source = NewManifest();
        CGalleryOrganization *from = AddOrganization(source.get(), L"urn:o", L"O");
        CGalleryActivity *parent = nullptr;
        for (size_t i = 0; i < sourceDepth; ++i)
            parent = AddActivity(from, parent, W("urn:s" + std::to_string(i)).c_str(), L"s");
        const HRESULT hr = destination->Merge(source.get(), nullptr, target);
        if (sourceDepth == 2) {
            EXPECT_EQ(hr, E_FAIL);
            EXPECT_EQ(target->GetActivities()->GetCount(), 0u);
            EXPECT_EQ(from->GetActivities()->GetCount(), 1u);
        } else {
            EXPECT_EQ(hr, S_OK);
            EXPECT_EQ(target->GetActivities()->GetCount(), 1u);
        }
    }
}

} // namespace
