// Gallery extension registrations and the HTML translation of about texts.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSettings>
#include <QTranslator>

#include "settings/Preferences.h"
#include "gallery/records/GalleryExtensionInfo.h"
#include "support/HtmlTranslator.h"

namespace
{

TEST(GalleryExtensionInfo, StoreReadListDelete)
{
    CGalleryExtensionInfo info(CGalleryExtensionInfo::TeamContentExtensionType, L"GUID-1");
    info.imsManifestXml = L"/galleries/a/imsmanifest.xml";
    info.metadataXml = L"/conf/a/metadata.xml";
    info.args = L"-configuration \"/conf/a\"";
    info.enabled = false;
    info.locale = L"de_DE";
    info.updateCheckIntervalSeconds = 3;
    ASSERT_EQ(info.SetPreferences(), S_OK);
    EXPECT_EQ(GetPreferenceString(0, L"Software/Kelda Labs/Gallery/TeamContent/GUID-1", L"ImsManifestXml"),
              L"/galleries/a/imsmanifest.xml");
    CGalleryExtensionInfo other(L"TeamContent", L"GUID-2");
    other.metadataXml = L"/conf/b/metadata.xml";
    ASSERT_EQ(other.SetPreferences(), S_OK);
    ASSERT_EQ(CGalleryExtensionInfo(L"ToolsMenu", L"GUID-3").SetPreferences(), S_OK);

    std::vector<CGalleryExtensionInfo> list;
    ASSERT_EQ(CGalleryExtensionInfo::GetExtensions(L"TeamContent", list), S_OK);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].id, L"GUID-1");
    EXPECT_FALSE(list[0].enabled);
    EXPECT_EQ(list[0].locale, L"de_DE");
    EXPECT_EQ(list[0].updateCheckIntervalSeconds, 7); // raised to the local minimum
    EXPECT_EQ(list[0].args, info.args);

    ASSERT_EQ(info.DeletePreferences(), S_OK);
    CGalleryExtensionInfo::GetExtensions(L"TeamContent", list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].id, L"GUID-2");
    EXPECT_EQ(CGalleryExtensionInfo(L"TeamContent", L"").SetPreferences(), E_INVALIDARG);
    EXPECT_EQ(CGalleryExtensionInfo(L"TeamContent", L"GUID-1").GetPreferences(), S_FALSE);
    CreateQSettings(0)->clear();
}

TEST(GalleryExtensionInfo, UpdateIntervals)
{
    const struct {
        int stored;
        bool remote;
        int clamped;
    } cases[] = {{-5, false, 0},          {0, false, 0}, {1, false, 7},         {500, false, 500},
                 {200000, false, 126000}, {1, true, 60}, {200000, true, 126000}};
    for (const auto &c : cases)
        EXPECT_EQ(CGalleryExtensionInfo::ClampUpdateInterval(c.stored, c.remote), c.clamped) << c.stored;
    CGalleryExtensionInfo info;
    EXPECT_EQ(info.GetEffectiveUpdateInterval(false), 35);
    EXPECT_EQ(info.GetEffectiveUpdateInterval(true), 60);
    info.updateCheckIntervalSeconds = 90;
    EXPECT_EQ(info.GetEffectiveUpdateInterval(true), 90);
}

TEST(GalleryExtensionInfo, DomainFromIdentifier)
{
    const struct {
        const wchar_t *identifier;
        bool found;
        const wchar_t *domain;
    } cases[] = {
        {L"http://7D3F0C6A-52B1/category/astronomy", true, L"7D3F0C6A-52B1"},
        {L"HTTP://Example.org?x=1", true, L"Example.org"},
        {L"http://example.org", true, L"example.org"},
        {L"http://gallery.keldalabs.invalid/uniqueid?type=file&id=1", false, L""}, // generated identifier
        {L"https://example.org/a", false, L""},
        {L"http:///nohost", false, L""},
        {L"plain", false, L""},
    };
    for (const auto &c : cases) {
        CAtlString domain = L"stale";
        EXPECT_EQ(CGalleryExtensionInfo::GetDomainFromIdentifier(c.identifier, domain), c.found)
            << Text::ToUtf8(c.identifier);
        EXPECT_EQ(domain, c.domain);
    }
}

class FixedTranslator : public QTranslator
{
  public:
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        if (QLatin1String(context) == QLatin1String("QObject") && QLatin1String(source) == QLatin1String("Hello"))
            return QStringLiteral("Hallo");
        return QString();
    }
    bool isEmpty() const override { return false; }
};

TEST(HtmlTranslator, TranslatesMarkedTextAndStripsTags)
{
    FixedTranslator translator;
    QCoreApplication::installTranslator(&translator);
    const QString translated = HtmlTranslator::Translate(
        QStringLiteral("<p><b>Hi</b> <translate>Hello</translate> <translate>Other</translate></p>"));
    EXPECT_TRUE(translated.contains(QStringLiteral("Hallo"))) << translated.toStdString();
    EXPECT_TRUE(translated.contains(QStringLiteral("Other")));
    EXPECT_TRUE(translated.contains(QStringLiteral("<b>Hi</b>")));
    EXPECT_FALSE(translated.contains(QStringLiteral("translate")));

    // Not well-formed: untranslated, minus the tags.
    EXPECT_EQ(HtmlTranslator::Translate(QStringLiteral("<p><translate>Hello</translate><br></p>")),
              QStringLiteral("<p>Hello<br></p>"));
    QCoreApplication::removeTranslator(&translator);
}

} // namespace
