// Translation tables of the program and the factory of the process-wide manager.
#include "settings/ResourceManager.h"

#include <QFile>

#include "settings/LanguageTools.h"
#include "settings/StringsFile.h"

bool CResourceManagerLinux::Initialize(unsigned int identifier, const CAtlString &directory, const CAtlString &product)
{
    if (directory.empty()) return false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_hasIdentifier || m_identifier != identifier) {
            m_translations.clear();
            m_sources.clear();
        }
        m_identifier = identifier;
        m_hasIdentifier = true;
        m_localeName = CLanguageTools::GetLocaleName(identifier);
        m_languageDirectory = directory + L"/" + m_localeName;
    }
    if (m_localeName.empty()) return false;
    return LoadFile(m_languageDirectory + L"/" + product + L".strings");
}

bool CResourceManagerLinux::LoadFile(const CAtlString &path)
{
    QFile file(Text::ToQt(path));
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    auto pairs = StringsFile::ReadPairs(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto &pair : pairs) {
        m_sources[pair.second] = pair.first;
        m_translations[std::move(pair.first)] = std::move(pair.second);
    }
    return true;
}

bool CResourceManagerLinux::StandardString(CAtlString &text)
{
    return StringsFile::ReplaceEntities(text);
}

bool CResourceManagerLinux::Lookup(const CAtlString &text, CAtlString *translation)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_translations.find(text);
    if (it == m_translations.end() || it->second.empty()) {
        CAtlString replaced = text;
        if (!StandardString(replaced)) return false;
        it = m_translations.find(replaced);
        if (it == m_translations.end() || it->second.empty()) return false;
    }
    *translation = it->second;
    return true;
}

bool CResourceManagerLinux::HasTranslation(const CAtlString &text)
{
    CAtlString ignored;
    return Lookup(text, &ignored);
}

CAtlString CResourceManagerLinux::GetTranslatedString(const CAtlString &text)
{
    CAtlString translation;
    return Lookup(text, &translation) ? translation : text;
}

CAtlString CResourceManagerLinux::GetTranslatedString(const char *, const char *utf8Text)
{
    return GetTranslatedString(Text::FromUtf8(utf8Text ? utf8Text : ""));
}

CAtlString CResourceManagerLinux::GetUnTranslatedString(const CAtlString &text)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_sources.find(text);
    return it == m_sources.end() ? text : it->second;
}

CAtlString CResourceManagerLinux::getLanguage()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_localeName;
}

namespace
{
std::mutex g_factoryMutex;
std::shared_ptr<CResourceManagerLinux> g_manager;
unsigned int g_identifier = 0;
CAtlString g_directory;
CAtlString g_product;
} // namespace

bool CResourceManagerFactory::Initialize(unsigned int identifier, const CAtlString &directory,
                                         const CAtlString &product)
{
    std::shared_ptr<CResourceManagerLinux> manager;
    {
        std::lock_guard<std::mutex> lock(g_factoryMutex);
        if (g_manager && g_identifier != identifier) g_manager.reset();
        if (!g_manager) g_manager = std::make_shared<CResourceManagerLinux>();
        g_identifier = identifier;
        g_directory = directory;
        g_product = product;
        manager = g_manager;
    }
    return manager->Initialize(identifier, directory, product);
}

std::shared_ptr<IKeldaResourceManager> CResourceManagerFactory::GetResourceManager()
{
    std::lock_guard<std::mutex> lock(g_factoryMutex);
    return g_manager;
}

void CResourceManagerFactory::FreeResourceManager()
{
    std::lock_guard<std::mutex> lock(g_factoryMutex);
    g_manager.reset();
}
