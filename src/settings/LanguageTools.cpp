// Language list lookups and the ICU locale table.
#include "settings/LanguageTools.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QXmlStreamReader>
#include <QtGlobal>

#include <mutex>

#include "settings/KDLocale.h"
#include "settings/LingoSettings.h"
#include "support/HomeDirectory.h"

namespace
{

struct IcuRow {
    unsigned int identifier;
    const wchar_t *name;
};

// Searched from the first row; the first equal identifier wins.
constexpr IcuRow kIcuTable[] = {
    {0x0009, L"en_US"}, {0x1009, L"en_US"},      {0x0409, L"en_US"},      {0x0401, L"ar_SA"}, {0x042D, L"eu_ES"},
    {0x0403, L"ca_ES"}, {0x0804, L"zh_Hans_CN"}, {0x0404, L"zh_Hant_TW"}, {0x0405, L"cs_CZ"}, {0x0406, L"da_DK"},
    {0x0413, L"nl_NL"}, {0x0407, L"de_DE"},      {0x1009, L"en_US"},      {0x0809, L"en_GB"}, {0x0425, L"et_EE"},
    {0x040B, L"fi_FI"}, {0x040C, L"fr_FR"},      {0x0456, L"gl_ES"},      {0x040E, L"hu_HU"}, {0x083C, L"ga_IE"},
    {0x0410, L"it_IT"}, {0x0411, L"ja_JP"},      {0x0412, L"ko_KR"},      {0x0427, L"lt_LT"}, {0x0414, L"nb_NO"},
    {0x0416, L"pt_BR"}, {0x0816, L"pt_PT"},      {0x0418, L"ro_RO"},      {0x0C0A, L"es_ES"}, {0x041D, L"sv_SE"},
    {0x041F, L"tr_TR"}, {0x0419, L"ru_RU"},      {0x0422, L"uk_UA"},      {0x0452, L"cy_GB"}, {0x0091, L"en_US"},
    {0x0408, L"el_GR"}, {0x0415, L"pl_PL"},      {0x000D, L"he_IL"},      {0x0439, L"hi_IN"}, {0x0429, L"fa_IR"},
    {0x080A, L"es_MX"}, {0x003F, L"kk_KZ"},      {0x000F, L"is_IS"},      {0x003E, L"ms"},    {0x0041, L"sw"},
    {0x0424, L"sl_SI"}, {0x0481, L"en_US"},      {0x001C, L"sq_AL"},      {0x002F, L"mk_MK"}, {0x403A, L"ca_ES"},
    {0x0426, L"lv_LV"}, {0x001B, L"sk_SK"},      {0x001A, L"hr_HR"},
};
static_assert(sizeof(kIcuTable) / sizeof(kIcuTable[0]) == 53, "the ICU table has 53 rows");

std::mutex g_mutex;
CAtlString g_overrideDirectory;
CLanguageTools::WarningHandler g_warningHandler;

// The parsed list, kept while the file stays the same.
struct ListCache {
    QString path;
    QDateTime modified;
    qint64 size = -1;
    std::vector<CLanguageTools::Entry> entries;
} g_cache;

bool FileExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

void Warn(const QString &title, const QString &text)
{
    CLanguageTools::WarningHandler handler;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        handler = g_warningHandler;
    }
    if (handler)
        handler(title, text);
    else
        qWarning("%s: %s", qUtf8Printable(title), qUtf8Printable(text));
}

std::vector<CLanguageTools::Entry> ParseList(const QString &path)
{
    std::vector<CLanguageTools::Entry> entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return entries;
    QXmlStreamReader reader(&file);
    int depth = 0;
    bool rootOk = false;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (depth == 1) {
                rootOk = reader.name() == QLatin1String("LanguagePacks");
            } else if (depth == 2 && rootOk) {
                CLanguageTools::Entry entry;
                for (const QXmlStreamAttribute &attribute : reader.attributes())
                    entry[Text::FromQt(attribute.name().toString())] = Text::FromQt(attribute.value().toString());
                entries.push_back(std::move(entry));
            }
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    if (reader.hasError()) {
        Warn(QStringLiteral("DOM Parser"), QStringLiteral("Parser error at line %1, column %2:\n%3")
                                               .arg(reader.lineNumber())
                                               .arg(reader.columnNumber())
                                               .arg(reader.errorString()));
        entries.clear();
    }
    if (!rootOk) entries.clear();
    return entries;
}

} // namespace

CAtlString CLanguageTools::GetMasterLanguagesXMLFile()
{
    const CAtlString overrideDirectory = GetOverridePath();
    if (!overrideDirectory.empty()) {
        const QString path = Text::ToQt(overrideDirectory) + QStringLiteral("/languages.xml");
        if (FileExists(path)) return Text::FromQt(path);
    }
    const auto settings = LingoSettings::Open(QSettings::SystemScope);
    const std::pair<QString, QString> candidates[] = {
        {QStringLiteral("Path"), QStringLiteral("/Languages/languages.xml")},
        {QStringLiteral("Vellum/LanguagesFolder"), QStringLiteral("/languages.xml")},
        {QStringLiteral("Kelda Board/LanguagesFolder"), QStringLiteral("/languages.xml")},
    };
    for (const auto &candidate : candidates) {
        const QString folder = settings->value(candidate.first).toString();
        if (folder.isEmpty()) continue;
        if (FileExists(folder + candidate.second)) return Text::FromQt(folder + candidate.second);
    }
    return CAtlString();
}

std::vector<CLanguageTools::Entry> CLanguageTools::GetLanguageEntries()
{
    const QString path = Text::ToQt(GetMasterLanguagesXMLFile());
    if (path.isEmpty()) return {};
    const QFileInfo info(path);
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_cache.path == path && g_cache.modified == info.lastModified() && g_cache.size == info.size())
            return g_cache.entries;
    }
    std::vector<Entry> entries = ParseList(path);
    std::lock_guard<std::mutex> lock(g_mutex);
    g_cache.path = path;
    g_cache.modified = info.lastModified();
    g_cache.size = info.size();
    g_cache.entries = entries;
    return entries;
}

std::vector<CAtlString> CLanguageTools::GetLanguageCodes()
{
    std::vector<CAtlString> codes;
    for (const Entry &entry : GetLanguageEntries()) {
        const auto it = entry.find(L"Code");
        if (it != entry.end()) codes.push_back(it->second);
    }
    return codes;
}

CAtlString CLanguageTools::GetAttributeFromLanguagesXML(const CAtlString &key, const CAtlString &keyAttribute,
                                                        const CAtlString &wantedAttribute)
{
    for (const Entry &entry : GetLanguageEntries()) {
        const auto it = entry.find(keyAttribute);
        if (it == entry.end() || it->second != key) continue;
        const auto wanted = entry.find(wantedAttribute);
        return wanted == entry.end() ? CAtlString() : wanted->second;
    }
    return CAtlString();
}

CAtlString CLanguageTools::GetAttributeFromLanguagesXML(unsigned int identifier, const CAtlString &wantedAttribute)
{
    return GetAttributeFromLanguagesXML(Text::Format(L"%.4X", identifier), L"ID", wantedAttribute);
}

CAtlString CLanguageTools::GetLocaleName(unsigned int identifier)
{
    return GetAttributeFromLanguagesXML(identifier, L"Code");
}

CAtlString CLanguageTools::GetLangDescription(unsigned int identifier, bool native)
{
    return GetAttributeFromLanguagesXML(identifier, native ? L"NativeName" : L"EnglishName");
}

CAtlString CLanguageTools::GetLangCode(const CAtlString &identifier)
{
    return GetAttributeFromLanguagesXML(identifier, L"ID", L"Code");
}

unsigned int CLanguageTools::GetLangId(const CAtlString &code)
{
    if (code.empty()) return 0;
    bool ok = false;
    const uint value = Text::ToQt(GetAttributeFromLanguagesXML(code, L"Code", L"ID")).toUInt(&ok, 16);
    return ok && value <= 0xFFFF ? value : 0;
}

CAtlString CLanguageTools::GetLocaleID4ICU(unsigned int identifier)
{
    for (const IcuRow &row : kIcuTable)
        if (row.identifier == identifier) return row.name;
    return GetLocaleName(identifier);
}

unsigned int CLanguageTools::GetSystemLanguageID()
{
    const QString application = QCoreApplication::applicationName();
    const bool vellum = KDLocale::GetProjectName() == QLatin1String("Vellum") ||
                        application == QLatin1String("Kelda Vellum") || application == QLatin1String("vellum");
    QString code = LingoSettings::Value(QSettings::SystemScope, vellum ? QStringLiteral("Vellum/LanguageId")
                                                                       : QStringLiteral("Kelda Board/LanguageId"));
    if (code.isEmpty() && !qEnvironmentVariableIsEmpty("KDE_FULL_SESSION")) {
        const QString globals =
            QString::fromStdString(HomeDirectory::Path()) + QStringLiteral("/.kde/share/config/kdeglobals");
        if (FileExists(globals)) {
            QSettings kde(globals, QSettings::IniFormat);
            code = kde.value(QStringLiteral("Locale/Language")).toString().section(QLatin1Char(':'), 0, 0);
        }
    }
    if (code.isEmpty()) code = KDLocale::GetSystemLocale();
    return GetLangId(Text::FromQt(code));
}

void CLanguageTools::OverrideLanguagesXMLPath(const CAtlString &directory)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_overrideDirectory = directory;
}

void CLanguageTools::ResetOverrideLanguagesXMLPath()
{
    OverrideLanguagesXMLPath(CAtlString());
}

CAtlString CLanguageTools::GetOverridePath()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_overrideDirectory;
}

void CLanguageTools::SetWarningHandler(WarningHandler handler)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_warningHandler = std::move(handler);
}
