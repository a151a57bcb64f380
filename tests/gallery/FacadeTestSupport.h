// Shared helpers of the facade and thread tests: a clean library state per test, galleries written to
// disk, and an observer that records notifications.
#pragma once

#include "common/TestEnv.h"
#include "settings/Preferences.h"
#include "gallery/facade/Gallery.h"
#include "gallery/records/GalleryFileStamp.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/facade/GalleryMultiproc.h"
#include "gallery/facade/GalleryObservers.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace FacadeTest
{

// Every test starts and ends with no library, no gallery preferences and an empty cache folder.
class LibraryFixture : public ::testing::Test
{
  protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset()
    {
        while (CGallery::GetInitializeCount() > 0)
            CGallery::Uninitialize();
        CGallery::SafeMode = false;
        CGalleryMultiproc::SetTiming(CGalleryMultiproc::Timing());
        RecursivePreferenceDelete(PreferenceScopeUser, CGallery::PreferencesPath);
        RecursivePreferenceDelete(PreferenceScopeMachine, CGallery::PreferencesPath);
        TestEnv::RemoveAll(Text::ToUtf8(CGallery::GetCacheFolderPath()));
    }
};

// A new gallery in directory, registered as team content; returns its XML path.
inline std::string MakeTeamContent(const std::string &directory)
{
    CGalleryManifest *manifest = nullptr;
    EXPECT_EQ(CGalleryManifest::CreateInstance(&manifest), S_OK);
    EXPECT_EQ(manifest->SetupNewManifest(Text::FromUtf8(directory).c_str(), false, nullptr, false), S_OK);
    CGalleryManifest::DeleteInstance(&manifest);
    return directory + "/imsmanifest.xml";
}

// Reads a manifest, gives it a new "en" title, saves it and moves its time stamp ahead so the change
// is visible at whole-second resolution.
inline void Retitle(const std::string &xml, const wchar_t *title)
{
    CGalleryManifest *manifest = nullptr;
    ASSERT_EQ(CGalleryManifest::CreateInstance(&manifest), S_OK);
    ASSERT_EQ(manifest->Open(Text::FromUtf8(xml).c_str()), S_OK);
    ASSERT_EQ(manifest->GetMetadata()->GetTitle()->ReplaceString(L"en", title), S_OK);
    ASSERT_EQ(manifest->SaveChanges(), S_OK);
    CGalleryManifest::DeleteInstance(&manifest);
    CGalleryFileStamp stamp{};
    stamp.Initialize();
    ASSERT_EQ(stamp.GetStampFromFile(Text::FromUtf8(xml).c_str()), S_OK);
    static int ahead = 0;
    ahead += 30;
    stamp.Increment(ahead);
    ASSERT_EQ(stamp.SetStampOfFile(Text::FromUtf8(xml).c_str()), S_OK);
}

class RecordingObserver : public IGalleryObserver
{
  public:
    explicit RecordingObserver(std::string name = std::string(), std::vector<std::string> *log = nullptr)
        : m_name(std::move(name)), m_log(log)
    {
    }
    void OnGalleryNotification(uint32_t type, const std::vector<CGalleryObject *> &records) override
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_events.push_back({type, records.empty() ? nullptr : records.front()});
        if (!records.empty() && records.front()->GetObjectType() == eGalleryObjectTypeManifest)
            m_titles.push_back(records.front()->GetTitle());
        if (m_log) m_log->push_back(m_name + ":" + std::to_string(type));
    }
    std::vector<uint32_t> Types()
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        std::vector<uint32_t> types;
        for (const auto &event : m_events)
            types.push_back(event.first);
        return types;
    }
    bool SawManifestTitled(const std::wstring &title)
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        for (const std::wstring &seen : m_titles)
            if (seen == title) return true;
        return false;
    }

  private:
    std::string m_name;
    std::vector<std::string> *m_log;
    std::mutex m_mutex;
    std::vector<std::pair<uint32_t, CGalleryObject *>> m_events;
    std::vector<std::wstring> m_titles;
};

// Waits (keeping events flowing) until the condition holds or the limit passes.
inline bool WaitFor(const std::function<bool()> &condition, std::chrono::seconds limit = std::chrono::seconds(20))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace FacadeTest
