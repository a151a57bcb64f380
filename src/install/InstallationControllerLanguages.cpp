// CInstallationController: the language half. Installed languages are the configured locale list,
// available ones are offered by the source and not installed, added ones are the user's choice, and
// updated ones are installed languages with newer translations at the source. Adding a language marks
// the installed galleries for update, since their language packs come with the update action.
#include "configuration/ConfigurationWrapper.h"
#include "configuration/Defaults.h"
#include "install/GalleryInstallation.h"
#include "install/InstallationController.h"
#include "settings/KDLocale.h"

#include <algorithm>

using LanguageXml::Language;
using LanguageXml::Languages;

namespace
{

void SortUnique(Languages &list)
{
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
}

bool Contains(const Languages &list, const Language &language)
{
    return std::find(list.begin(), list.end(), language) != list.end();
}

// list minus every language of removed.
void Subtract(Languages &list, const Languages &removed)
{
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&removed](const Language &language) { return Contains(removed, language); }),
               list.end());
}

} // namespace

void CInstallationController::ExtractLanguages(Languages &available, Languages &updated) const
{
    ForEachItem([this, &available, &updated](CGalleryInstallationItem *item) {
        std::vector<CAtlString> codes;
        item->GetLanguageList(codes, false);
        for (const CAtlString &code : codes) {
            const Language language = m_languageList.GetLanguage(code, true);
            if (language.IsValid()) available.push_back(language);
        }
        codes.clear();
        item->GetUpdatedLanguageList(codes, true);
        for (const CAtlString &code : codes) {
            const Language language = m_languageList.GetLanguage(code, true);
            if (language.IsValid()) updated.push_back(language);
        }
    });
    SortUnique(available);
    SortUnique(updated);
}

void CInstallationController::SyncLanguages()
{
    m_installedLanguages.clear();
    if (m_configuration) {
        for (const CAtlString &code : m_configuration->GetLocaleList()) {
            const Language language = m_languageList.GetLanguage(code, true);
            if (language.IsValid() && !Contains(m_installedLanguages, language))
                m_installedLanguages.push_back(language);
        }
    }
    // Updated translations count for the languages a run would install packs for.
    CGalleryInstallationItem::SetTargetLanguageList(GetTargetLanguages());

    m_availableLanguages.clear();
    m_updatedLanguages.clear();
    ExtractLanguages(m_availableLanguages, m_updatedLanguages);

    std::sort(m_installedLanguages.begin(), m_installedLanguages.end());
    SortUnique(m_addedLanguages);
    Subtract(m_availableLanguages, m_installedLanguages);
    Subtract(m_addedLanguages, m_installedLanguages);

    m_languageList.LoadLanguageList(GetKnownLanguagesPath(), m_knownLanguages);
}

void CInstallationController::SelectDefaults()
{
    ForEachItem([](CGalleryInstallationItem *item) {
        if (item->GetIsInstalled() && item->GetIsUpdateAvailable()) item->SetAction(eGalleryInstallationActionUpdate);
    });
    SyncLanguages();
    // The user-interface language is proposed once: until it is among the languages seen before.
    const Language current = m_languageList.GetLanguage(Text::FromQt(KDLocale::GetCurrentLocaleDirName(true)), true);
    if (current.IsValid() && !Contains(m_knownLanguages, current)) AddLanguageToUserList(current);
    if (!m_addedLanguages.empty()) SetLanguageAdded();
    if (!m_updatedLanguages.empty()) SetUpdateLanguages();
}

bool CInstallationController::AddLanguageToUserList(const Language &language)
{
    if (!Contains(m_availableLanguages, language)) return false;
    if (Contains(m_addedLanguages, language)) return true;
    const InstallationState state = GetInstallationState();
    if (!state.hasContent) return false;
    if (state.hasSkippedUpdates && !AskObservers(EventCategoriesWillBeUpdated)) return false;
    if (m_installedLanguages.size() + m_addedLanguages.size() > 2 && !AskObservers(EventTooManyLanguages)) return false;
    m_addedLanguages.insert(std::upper_bound(m_addedLanguages.begin(), m_addedLanguages.end(), language), language);
    SetLanguageAdded();
    return true;
}

void CInstallationController::SetLanguageAdded()
{
    ForEachItem([](CGalleryInstallationItem *item) {
        if (item->GetIsInstalled() && item->GetAction() != eGalleryInstallationActionRemove)
            item->SetAction(eGalleryInstallationActionUpdate);
    });
}

bool CInstallationController::SetUpdateLanguages()
{
    const InstallationState state = GetInstallationState();
    if (!state.hasInstalled) return false;
    if (state.hasSkippedUpdates && !AskObservers(EventCategoriesWillBeUpdated)) return false;
    m_updateLanguages = true;
    SetLanguageAdded();
    return true;
}

bool CInstallationController::SetLanguagesRemoved()
{
    if (!m_installation || m_updateLanguages) return false;
    if (!m_addedLanguages.empty()) return false;
    // Items marked for update only for the sake of languages go back to none.
    ForEachItem([](CGalleryInstallationItem *item) {
        if (item->GetIsInstalled() && item->GetAction() == eGalleryInstallationActionUpdate &&
            !item->GetIsUpdateAvailable())
            item->SetAction(eGalleryInstallationActionNone);
    });
    return true;
}

bool CInstallationController::SetDontUpdateLanguages()
{
    m_updateLanguages = false;
    return SetLanguagesRemoved();
}

bool CInstallationController::RemoveLanguageFromUserList(const Language &language)
{
    const auto found = std::find(m_addedLanguages.begin(), m_addedLanguages.end(), language);
    if (found == m_addedLanguages.end()) return false;
    m_addedLanguages.erase(found);
    SetLanguagesRemoved();
    return true;
}

bool CInstallationController::RemoveAllLanguagesFromUserList()
{
    SetDontUpdateLanguages();
    m_addedLanguages.clear();
    return SetLanguagesRemoved();
}

bool CInstallationController::SetAddedLanguages(const Languages &list)
{
    if (list.empty()) {
        m_addedLanguages.clear();
        SetLanguagesRemoved();
        return true;
    }
    m_addedLanguages = list;
    SortUnique(m_addedLanguages);
    SyncLanguages();
    SetLanguageAdded();
    return true;
}

void CInstallationController::ForceAllLanguages()
{
    m_addedLanguages = m_languageList.GetAllLanguages();
}

void CInstallationController::ForceAddedLanguages(const std::vector<CAtlString> &codes)
{
    m_addedLanguages.clear();
    for (const CAtlString &code : codes) {
        const Language language = m_languageList.GetLanguage(code, true);
        if (language.IsValid() && !Contains(m_addedLanguages, language)) m_addedLanguages.push_back(language);
    }
}

bool CInstallationController::IsLanguageBeingUpdated()
{
    if (!m_installation || (m_addedLanguages.empty() && m_updatedLanguages.empty())) return false;
    return GetInstallationState().allInstalledUpdating;
}

bool CInstallationController::IsLanguageSelected(const Language &language) const
{
    return Contains(m_addedLanguages, language);
}

CAtlString CInstallationController::GetKnownLanguagesPath() const
{
    CKeldaDirectoryPath directory = ConfiguredDestination();
    if (directory.IsEmptyPath()) return CAtlString();
    directory.AddDirectoryToPath(L"Uninstall");
    return directory.CreateFilePath(Defaults::KNOWN_LANGUAGES_FILE).GetFilePathString();
}

bool CInstallationController::SaveKnownLanguages()
{
    const CAtlString path = GetKnownLanguagesPath();
    if (path.empty()) return false;
    Languages known = m_installedLanguages;
    known.insert(known.end(), m_availableLanguages.begin(), m_availableLanguages.end());
    return LanguageXml::LanguageList::SaveLanguageList(path, known);
}
