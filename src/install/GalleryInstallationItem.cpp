// Loading a category of the categories file against the installed galleries, and choosing an item's
// files and language packs.
#include "install/GalleryInstallationItem.h"

#include "gallery/facade/Gallery.h"
#include "gallery/maintenance/GalleryInstalledManifest.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "install/GalleryInstallation.h"

#include <QString>

#include <tinyxml2.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <climits>
#include <mutex>

namespace
{

std::mutex g_targetMutex;
std::vector<CAtlString> g_targetLanguages; // m_TargetLanguagesList, shared by all items

CAtlString AttributeText(const tinyxml2::XMLElement *element, const char *name)
{
    const char *value = element->Attribute(name);
    return value ? Text::FromUtf8(value) : CAtlString();
}

CAtlString ElementText(const tinyxml2::XMLElement *element)
{
    const char *text = element->GetText();
    return text ? Text::FromUtf8(text) : CAtlString();
}

// A "%d" number: leading blanks and sign, then digits up to the first other character; 0 when there
// is no number or it does not fit 32 bits.
int32_t NumberAttribute(const tinyxml2::XMLElement *element, const char *name)
{
    const char *value = element->Attribute(name);
    if (!value) return 0;
    errno = 0;
    char *end = nullptr;
    const long number = std::strtol(value, &end, 10);
    if (end == value || errno == ERANGE || number < INT32_MIN || number > INT32_MAX) return 0;
    return static_cast<int32_t>(number);
}

bool HasSubtag(const CAtlString &language)
{
    return language.find_first_of(L"_-") != CAtlString::npos;
}

bool Matches(const CAtlString &a, const CAtlString &b)
{
    return CGallery::MatchLanguages(a.c_str(), b.c_str()) > 1;
}

} // namespace

CGalleryInstallationItem::CGalleryInstallationItem() = default;

CGalleryInstallationItem::~CGalleryInstallationItem()
{
    CGalleryLanguageStringCollection::DeleteInstance(&m_titles);
}

HRESULT CGalleryInstallationItem::CreateInstance(CGalleryInstallationItem **out)
{
    if (!out || *out) return E_INVALIDARG;
    auto *item = new (std::nothrow) CGalleryInstallationItem();
    if (!item) return E_OUTOFMEMORY;
    const HRESULT hr = CGalleryLanguageStringCollection::CreateInstance(&item->m_titles);
    if (FAILED(hr)) {
        delete item;
        return hr;
    }
    *out = item;
    return S_OK;
}

void CGalleryInstallationItem::DeleteInstance(CGalleryInstallationItem **inOut)
{
    if (!inOut) return;
    delete *inOut;
    *inOut = nullptr;
}

HRESULT CGalleryInstallationItem::Load(const tinyxml2::XMLElement *category,
                                       const CGalleryInstalledManifestMap &installed)
{
    if (!category) return E_INVALIDARG;
    if (!m_titles) {
        const HRESULT hr = CGalleryLanguageStringCollection::CreateInstance(&m_titles);
        if (FAILED(hr)) return hr;
    }
    m_identifier = AttributeText(category, "id");
    m_updateVersion = AttributeText(category, "version");
    m_downloadSize = NumberAttribute(category, "size");
    m_itemCount = NumberAttribute(category, "count");
    m_installedSize = NumberAttribute(category, "disksize");

    const tinyxml2::XMLElement *titles = category->FirstChildElement("title");
    const tinyxml2::XMLElement *files = category->FirstChildElement("files");
    if (!titles || !files) return E_FAIL;
    for (const tinyxml2::XMLElement *title = titles->FirstChildElement(); title; title = title->NextSiblingElement()) {
        // A title without a language cannot be stored; it is left out.
        (void)m_titles->Add(AttributeText(title, "language").c_str(), ElementText(title).c_str());
    }

    for (const tinyxml2::XMLElement *element = files->FirstChildElement(); element;
         element = element->NextSiblingElement()) {
        CGalleryInstallationItemFile file;
        file.SetFileName(ElementText(element));
        file.SetIdentifier(AttributeText(element, "id"));
        file.SetUpdateVersion(AttributeText(element, "version"));
        file.SetIsUpdateAvailable(true);
        if (const char *strings = element->Attribute("strings")) {
            std::vector<CAtlString> tokens;
            CGallery::Split(Text::FromUtf8(strings).c_str(), tokens, L":;");
            CGalleryInstallationItemFile::StringVersions offered;
            for (size_t i = 0; i + 1 < tokens.size(); i += 2)
                offered[tokens[i]] = tokens[i + 1];
            file.SetUpdateStringVersions(offered);
        }

        if (const CGalleryInstalledManifest *entry = installed[file.GetIdentifier()]) {
            file.SetIsInstalled(true);
            file.SetFilePath(entry->GetFilePath().GetFilePathString());
            file.SetInstalledVersion(entry->GetVersion());
            file.SetInstalledStringVersions(entry->GetStringVersions());
            const int order = CGalleryInstallation::CompareVersions(file.GetInstalledVersion().c_str(),
                                                                    file.GetUpdateVersion().c_str());
            file.SetIsUpdateAvailable(order < 0);
            if (CGalleryInstallation::CompareVersions(file.GetInstalledVersion().c_str(), m_installedVersion.c_str()) >=
                0)
                m_installedVersion = file.GetInstalledVersion();
            if (order >= 0) {
                // Current files whose offered translation is newer than the installed one.
                for (const auto &[language, version] : file.GetUpdateStringVersions()) {
                    const auto found = file.GetInstalledStringVersions().find(language);
                    if (found != file.GetInstalledStringVersions().end() &&
                        CGalleryInstallation::CompareVersions(found->second.c_str(), version.c_str()) < 0)
                        m_updatedLanguages.push_back(language);
                }
            }
        }
        m_isInstalled = m_isInstalled || file.GetIsInstalled();
        m_isUpdateAvailable = m_isUpdateAvailable || file.GetIsUpdateAvailable();
        m_files.push_back(std::move(file));
    }

    if (const tinyxml2::XMLElement *packs = category->FirstChildElement("strings")) {
        for (const tinyxml2::XMLElement *pack = packs->FirstChildElement(); pack; pack = pack->NextSiblingElement())
            m_languagePacks[AttributeText(pack, "language")] = ElementText(pack);
    }
    return S_OK;
}

CAtlString CGalleryInstallationItem::GetTitle(const wchar_t *language) const
{
    if (!m_titles || m_titles->IsEmpty()) return CAtlString();
    const wchar_t *title = m_titles->GetString(language);
    return title ? CAtlString(title) : CAtlString();
}

const CGalleryInstallationItemFile *CGalleryInstallationItem::GetFile(size_t index) const
{
    return index < m_files.size() ? &m_files[index] : nullptr;
}

HRESULT CGalleryInstallationItem::GetFileNames(std::vector<CAtlString> &list, bool updateOnly) const
{
    for (const CGalleryInstallationItemFile &file : m_files) {
        if (updateOnly && file.GetIsInstalled() && !file.GetIsUpdateAvailable()) continue;
        list.push_back(file.GetFileName());
    }
    return S_OK;
}

HRESULT CGalleryInstallationItem::GetFilePaths(std::vector<CAtlString> &list) const
{
    for (const CGalleryInstallationItemFile &file : m_files)
        if (file.GetIsInstalled()) list.push_back(file.GetFilePath());
    return S_OK;
}

HRESULT CGalleryInstallationItem::GetLanguageList(std::vector<CAtlString> &list, bool updateOnly) const
{
    if (!updateOnly) {
        for (const auto &entry : m_languagePacks)
            list.push_back(entry.first);
        return S_OK;
    }

    std::vector<CAtlString> languages;
    for (const CGalleryInstallationItemFile &file : m_files) {
        for (const auto &[language, offered] : file.GetUpdateStringVersions()) {
            bool installedNewer = false;
            for (const auto &[installedLanguage, installedVersion] : file.GetInstalledStringVersions())
                if (Matches(language, installedLanguage) &&
                    CGalleryInstallation::CompareVersions(offered.c_str(), installedVersion.c_str()) < 0)
                    installedNewer = true;
            if (!installedNewer) languages.push_back(language);
        }
    }

    // Fold duplicates: of a language and its regional form the plain one stays, in the earlier place.
    for (size_t i = 0; i < languages.size(); ++i) {
        for (size_t j = i + 1; j < languages.size();) {
            const int match = CGallery::MatchLanguages(languages[i].c_str(), languages[j].c_str());
            if (match == 2) {
                if (HasSubtag(languages[i])) languages[i] = languages[j];
                languages.erase(languages.begin() + static_cast<std::ptrdiff_t>(j));
            } else if (match == 3) {
                languages.erase(languages.begin() + static_cast<std::ptrdiff_t>(j));
            } else {
                ++j;
            }
        }
    }

    // Onto the language packs' keys (the best match); languages without a pack drop out.
    for (const CAtlString &language : languages) {
        const CAtlString *best = nullptr;
        int bestScore = 1;
        for (const auto &entry : m_languagePacks) {
            const int score = CGallery::MatchLanguages(language.c_str(), entry.first.c_str());
            if (score > bestScore) {
                bestScore = score;
                best = &entry.first;
            }
        }
        if (best && std::find(list.begin(), list.end(), *best) == list.end()) list.push_back(*best);
    }
    return S_OK;
}

HRESULT CGalleryInstallationItem::GetLanguagePackEntries(std::vector<std::pair<CAtlString, CAtlString>> &list,
                                                         bool updateOnly) const
{
    std::vector<CAtlString> languages;
    HRESULT hr = GetLanguageList(languages, updateOnly);
    if (FAILED(hr)) return hr;
    StripToTarget(GetTargetLanguageList(), languages);
    for (const CAtlString &language : languages) {
        const auto found = m_languagePacks.find(language);
        if (found != m_languagePacks.end()) list.emplace_back(language, found->second);
    }
    return S_OK;
}

HRESULT CGalleryInstallationItem::GetLanguagePacks(std::vector<CAtlString> &list, bool updateOnly) const
{
    std::vector<std::pair<CAtlString, CAtlString>> entries;
    const HRESULT hr = GetLanguagePackEntries(entries, updateOnly);
    for (const auto &entry : entries)
        list.push_back(entry.second);
    return hr;
}

HRESULT CGalleryInstallationItem::GetUpdatedLanguageList(std::vector<CAtlString> &list, bool stripToTarget) const
{
    std::vector<CAtlString> languages = m_updatedLanguages;
    if (stripToTarget) StripToTarget(GetTargetLanguageList(), languages);
    list.insert(list.end(), languages.begin(), languages.end());
    return S_OK;
}

void CGalleryInstallationItem::Sort(std::vector<CGalleryInstallationItem *> &items)
{
    std::sort(items.begin(), items.end(), [](const CGalleryInstallationItem *a, const CGalleryInstallationItem *b) {
        const bool aFirst = a->GetIsInstalled() && a->GetIsUpdateAvailable();
        const bool bFirst = b->GetIsInstalled() && b->GetIsUpdateAvailable();
        if (aFirst != bFirst) return aFirst;
        return QString::localeAwareCompare(Text::ToQt(a->GetTitle(nullptr)), Text::ToQt(b->GetTitle(nullptr))) < 0;
    });
}

void CGalleryInstallationItem::SetTargetLanguageList(const std::vector<CAtlString> &list)
{
    std::lock_guard<std::mutex> lock(g_targetMutex);
    g_targetLanguages = list;
}

std::vector<CAtlString> CGalleryInstallationItem::GetTargetLanguageList()
{
    std::lock_guard<std::mutex> lock(g_targetMutex);
    return g_targetLanguages;
}

void CGalleryInstallationItem::StripToTarget(const std::vector<CAtlString> &target, std::vector<CAtlString> &list)
{
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&target](const CAtlString &language) {
                                  return std::none_of(target.begin(), target.end(), [&language](const CAtlString &t) {
                                      return Matches(language, t);
                                  });
                              }),
               list.end());
}
