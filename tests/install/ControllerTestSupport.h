// The controller's test fixture: the engine fixture's source and destination, a gallery configuration
// of the small source's gallery ("GUID-TEST", "Test Gallery") pointing at that destination, a
// controller wired to both, and an observer that records every event and question and answers the
// questions as the test says.
#pragma once

#include "EngineFixture.h"

#include "configuration/ConfigurationWrapper.h"
#include "install/IInstallationObserver.h"
#include "install/InstallationController.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace ControllerTest
{

class EventRecorder : public IInstallationObserver
{
  public:
    void OnReadStarted(CGalleryInstallation *) override { events.push_back(0); }
    void OnReadFinished(CGalleryInstallation *) override { events.push_back(1); }
    void OnReadFailed(CGalleryInstallation *) override { events.push_back(2); }
    void OnRunStarted(CGalleryInstallation *) override { events.push_back(3); }
    void OnRunFinished(CGalleryInstallation *installation) override
    {
        events.push_back(4);
        if (onRunEnded) onRunEnded(installation);
    }
    void OnRunCanceled(CGalleryInstallation *installation) override
    {
        events.push_back(5);
        if (onRunEnded) onRunEnded(installation);
    }
    void OnRunFailed(CGalleryInstallation *installation) override
    {
        events.push_back(6);
        if (onRunEnded) onRunEnded(installation);
    }
    bool CategoriesWillBeUpdated() override { return Ask(7); }
    bool LanguagesWillBeRemoved() override { return Ask(8); }
    bool TooManyLanguages() override { return Ask(9); }

    // Events and questions in order (questions by their event numbers 7, 8, 9).
    std::vector<int> events;
    // The answer to a question; yes when absent.
    std::map<int, bool> answers;
    // Called at the end of a run, while the installation still exists.
    std::function<void(CGalleryInstallation *)> onRunEnded;

  private:
    bool Ask(int question)
    {
        events.push_back(question);
        const auto found = answers.find(question);
        return found == answers.end() || found->second;
    }
};

// An observer that keeps every default answer and records nothing.
class SilentObserver : public IInstallationObserver
{
  public:
    void OnReadStarted(CGalleryInstallation *) override {}
    void OnReadFinished(CGalleryInstallation *) override {}
    void OnReadFailed(CGalleryInstallation *) override {}
    void OnRunStarted(CGalleryInstallation *) override {}
    void OnRunFinished(CGalleryInstallation *) override {}
    void OnRunCanceled(CGalleryInstallation *) override {}
    void OnRunFailed(CGalleryInstallation *) override {}
};

// Writes a configuration folder of that gallery and loads it.
inline std::shared_ptr<ConfigurationWrapper> LoadConfiguration(const std::string &folder, const std::string &guid,
                                                               const std::string &name)
{
    const std::string configuration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CCSettings Version=\"1.0.0.0\">"
                                      "<Gallery GUID=\"" +
                                      guid + "\" DefaultSource=\"\" Name=\"" + name +
                                      "\"/><Application><Title Value=\"Test\"/></Application>"
                                      "<Organization><Name Value=\"Test Publishers\"/></Organization></CCSettings>\n";
    const std::string metadata = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<lom:lom><lom:general><lom:identifier>"
                                 "<lom:entry>" +
                                 guid + "</lom:entry></lom:identifier><lom:title><lom:string language=\"en\">" + name +
                                 "</lom:string></lom:title></lom:general></lom:lom>\n";
    EXPECT_TRUE(TestEnv::WriteFile(folder + "/configuration.xml", configuration));
    EXPECT_TRUE(TestEnv::WriteFile(folder + "/metadata.xml", metadata));
    auto wrapper = std::make_shared<ConfigurationWrapper>();
    EXPECT_TRUE(wrapper->ReadFromDir(CKeldaDirectoryPath::FromUtf8(folder)));
    return wrapper;
}

inline std::vector<std::wstring> Codes(const LanguageXml::Languages &languages)
{
    std::vector<std::wstring> codes;
    for (const LanguageXml::Language &language : languages)
        codes.push_back(language.GetCode());
    return codes;
}

class Fixture : public EngineTest::Fixture
{
  protected:
    void SetUp() override
    {
        EngineTest::Fixture::SetUp();
        m_configuration = LoadConfiguration(Root() + "/configuration", "GUID-TEST", "Test Gallery");
        m_configuration->SetDestination(Destination());
        m_controller = std::make_unique<CInstallationController>();
        m_controller->SetConfiguration(m_configuration);
        m_controller->SetLanguageList(LanguageXml::LanguageList()); // stubs for every code
        m_controller->AddInstallationObserver(&m_events);
    }
    void TearDown() override
    {
        m_controller.reset();
        EngineTest::Fixture::TearDown();
    }

    // Publishes the small source and makes it the controller's source.
    void UseSmallSource(const EngineTest::SourceVersions &versions = {})
    {
        Publish(EngineTest::SmallSource(versions));
        ASSERT_TRUE(m_controller->SetSource(SourceBase()));
    }

    // Installs the categories (by identifier) with the engine alone, before the controller reads,
    // with packs for the target languages.
    void PreInstall(const std::map<CAtlString, eGalleryInstallationAction> &actions,
                    const std::vector<CAtlString> &targetLanguages = {})
    {
        CGalleryInstallationItem::SetTargetLanguageList(targetLanguages);
        ASSERT_GE(OpenAndRun(actions), 0);
    }

    CGalleryInstallationItem *Item(const wchar_t *identifier) const
    {
        return m_controller->GetInstallation() ? m_controller->GetInstallation()->GetByIdentifier(identifier) : nullptr;
    }
    eGalleryInstallationAction Action(const wchar_t *identifier) const
    {
        CGalleryInstallationItem *item = Item(identifier);
        return item ? item->GetAction() : static_cast<eGalleryInstallationAction>(-1);
    }
    // The actions of cat-space, cat-tools and cat-atlas.
    std::vector<int> Actions() const { return {Action(L"cat-space"), Action(L"cat-tools"), Action(L"cat-atlas")}; }

    std::shared_ptr<ConfigurationWrapper> m_configuration;
    std::unique_ptr<CInstallationController> m_controller;
    EventRecorder m_events;
    EngineTest::RecordingObserver m_progress;
};

} // namespace ControllerTest
