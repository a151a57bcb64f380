#include "settings/LanguageSettingsCache.h"

#include <mutex>

#include "settings/LanguageTools.h"
#include "settings/LingoSettings.h"

namespace
{

constexpr const wchar_t *kKeyPrefix = L"Software\\Kelda Labs\\Lingo Setup\\";

std::mutex g_instanceMutex;
std::unique_ptr<CKELDALanguageSettingsCache> g_instance;

unsigned int ReadHex(const QString &group, const char *key)
{
    bool ok = false;
    const uint value =
        LingoSettings::Value(QSettings::UserScope, group + QLatin1Char('/') + QLatin1String(key)).toUInt(&ok, 16);
    return ok && value <= 0xFFFF ? value : 0;
}

} // namespace

CKELDALanguageSettingsCache *CKELDALanguageSettingsCache::GetInstance(const CAtlString &application)
{
    std::lock_guard<std::mutex> lock(g_instanceMutex);
    if (!g_instance || (!application.empty() && application != g_instance->m_application))
        g_instance.reset(new CKELDALanguageSettingsCache(application));
    return g_instance.get();
}

CKELDALanguageSettingsCache::CKELDALanguageSettingsCache(const CAtlString &application)
    : m_application(application.empty() ? CAtlString(L"Vellum") : application)
{
    for (const wchar_t *name : {L"Vellum", L"Kelda Board", L"Trove"})
        m_keys[name] = CAtlString(kKeyPrefix) + name;
    m_keys[m_application] = CAtlString(kKeyPrefix) + m_application;
    RefreshCurrentUILanguageCache();
}

CAtlString CKELDALanguageSettingsCache::SettingsKey(const CAtlString &application) const
{
    const auto it = m_keys.find(application);
    return it == m_keys.end() ? CAtlString(kKeyPrefix) + application : it->second;
}

void CKELDALanguageSettingsCache::RefreshCurrentUILanguageCache()
{
    // The settings object already is "Lingo Setup"; the group is the last level of the key.
    const CAtlString key = SettingsKey(m_application);
    const QString group = Text::ToQt(key.substr(key.rfind(L'\\') + 1));
    m_uiLanguage = ReadHex(group, "LanguageID");
    if (m_uiLanguage == 0) m_uiLanguage = CLanguageTools::GetSystemLanguageID();
    m_recoLanguage = ReadHex(group, "HandwritingId");
}

bool CKELDALanguageSettingsCache::IsUIRightToLeft()
{
    return CLanguageTools::GetAttributeFromLanguagesXML(m_uiLanguage, L"RightToLeft") == L"1";
}

bool CKELDALanguageSettingsCache::IsCJKLanguage()
{
    const CAtlString code = Text::ToLower(GetCurrentUserLanguageLocaleCode());
    const CAtlString primary = code.substr(0, code.find_first_of(L"_-"));
    return primary == L"zh" || primary == L"ja" || primary == L"ko";
}

unsigned int CKELDALanguageSettingsCache::GetCurrentUserLanguageID()
{
    return m_uiLanguage;
}

CAtlString CKELDALanguageSettingsCache::GetCurrentUserLanguageLocaleCode()
{
    return CLanguageTools::GetLocaleName(m_uiLanguage);
}

CAtlString CKELDALanguageSettingsCache::GetCurrentUserLanguageLocaleID4ICU()
{
    return CLanguageTools::GetLocaleID4ICU(m_uiLanguage);
}
