// CGalleryInstallationItem: one category of a source's "gallery_categories.xml" (an installable
// gallery), loaded against the galleries installed in the destination: its files and language packs,
// whether it is installed, whether an update is offered, and the action and result of a run.
#pragma once

#include "install/GalleryInstallationItemFile.h"
#include "install/IGalleryInstallationObserver.h"
#include "support/Result.h"
#include "support/Text.h"

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace tinyxml2
{
class XMLElement;
}
class CGalleryInstalledManifestMap;
class CGalleryLanguageStringCollection;

class CGalleryInstallationItem
{
  public:
    CGalleryInstallationItem();
    ~CGalleryInstallationItem();
    CGalleryInstallationItem(const CGalleryInstallationItem &) = delete;
    CGalleryInstallationItem &operator=(const CGalleryInstallationItem &) = delete;

    // E_INVALIDARG when out is null or already set.
    static HRESULT CreateInstance(CGalleryInstallationItem **out);
    static void DeleteInstance(CGalleryInstallationItem **inOut);

    // Reads one category element and compares its files with the installed galleries. E_INVALIDARG
    // for a null element, E_FAIL when "title" or "files" is missing.
    HRESULT Load(const tinyxml2::XMLElement *category, const CGalleryInstalledManifestMap &installed);

    const CAtlString &GetIdentifier() const { return m_identifier; }
    // The title in that language (null: the current language) with the collection's fallback; "" when
    // the item has no titles.
    CAtlString GetTitle(const wchar_t *language) const;
    const CGalleryLanguageStringCollection *GetTitles() const { return m_titles; }
    const CAtlString &GetUpdateVersion() const { return m_updateVersion; }
    // The greatest installed version among the installed files ("" when none is installed).
    const CAtlString &GetInstalledVersion() const { return m_installedVersion; }
    int32_t GetDownloadSize() const { return m_downloadSize; }
    int32_t GetItemCount() const { return m_itemCount; }
    int32_t GetInstalledSize() const { return m_installedSize; }
    size_t GetFileCount() const { return m_files.size(); }
    // Null beyond the end.
    const CGalleryInstallationItemFile *GetFile(size_t index) const;
    bool GetIsInstalled() const { return m_isInstalled; }
    bool GetIsUpdateAvailable() const { return m_isUpdateAvailable; }

    void SetAction(eGalleryInstallationAction action) { m_action = action; }
    eGalleryInstallationAction GetAction() const { return m_action; }
    void SetStatus(HRESULT status) { m_status = status; }
    HRESULT GetStatus() const { return m_status; }
    void SetFinished(bool finished) { m_finished = finished; }
    bool GetFinished() const { return m_finished; }

    // The file names in order; updateOnly skips installed files without an update.
    HRESULT GetFileNames(std::vector<CAtlString> &list, bool updateOnly) const;
    // The uninstall-record paths of the installed files.
    HRESULT GetFilePaths(std::vector<CAtlString> &list) const;
    // false: the languages of the language packs. true: the offered translations newer than the
    // installed ones, folded and mapped onto the language-pack keys.
    HRESULT GetLanguageList(std::vector<CAtlString> &list, bool updateOnly) const;
    // The pack file names of GetLanguageList reduced to the target languages.
    HRESULT GetLanguagePacks(std::vector<CAtlString> &list, bool updateOnly) const;
    // The same as (language, pack file name) pairs.
    HRESULT GetLanguagePackEntries(std::vector<std::pair<CAtlString, CAtlString>> &list, bool updateOnly) const;
    // Languages whose installed translation is older than the offered one while the files are current;
    // stripToTarget reduces them to the target languages.
    HRESULT GetUpdatedLanguageList(std::vector<CAtlString> &list, bool stripToTarget) const;
    // Language -> pack file name ("strings" of the category).
    const std::map<CAtlString, CAtlString> &GetLanguagePackMap() const { return m_languagePacks; }

    // Installed items with an update first, then by title in the default language (locale collation).
    static void Sort(std::vector<CGalleryInstallationItem *> &items);

    // The languages a run installs packs for, shared by all items.
    static void SetTargetLanguageList(const std::vector<CAtlString> &list);
    static std::vector<CAtlString> GetTargetLanguageList();
    // Removes every entry of list that matches no target language.
    static void StripToTarget(const std::vector<CAtlString> &target, std::vector<CAtlString> &list);

  private:
    CAtlString m_identifier;
    CGalleryLanguageStringCollection *m_titles = nullptr;
    CAtlString m_updateVersion;
    CAtlString m_installedVersion;
    std::vector<CGalleryInstallationItemFile> m_files;
    std::map<CAtlString, CAtlString> m_languagePacks;
    std::vector<CAtlString> m_updatedLanguages;
    bool m_isInstalled = false;
    bool m_isUpdateAvailable = false;
    HRESULT m_status = S_FALSE;
    bool m_finished = false;
    eGalleryInstallationAction m_action = eGalleryInstallationActionNone;
    int32_t m_itemCount = 0;
    int32_t m_downloadSize = 0;
    int32_t m_installedSize = 0;
};
