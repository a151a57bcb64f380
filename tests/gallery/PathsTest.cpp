// The facade's paths: the cache folder, the personal manifest with "${VAR}" references and safe mode,
// and the stock manifest.
#include "FacadeTestSupport.h"

#include "support/SysRoot.h"

#include <cstdlib>

#include <pwd.h>
#include <unistd.h>

using namespace FacadeTest;

namespace
{

using Paths = LibraryFixture;

TEST_F(Paths, CacheAndDefaultPersonalManifestLiveUnderHome)
{
    const std::wstring home = Text::FromUtf8(TestEnv::Home());
    EXPECT_EQ(CGallery::GetCacheFolderPath(), home + L"/.Kelda Labs Inc/Kelda Board Software/Gallery");
    EXPECT_EQ(CGallery::GetDefaultMyContentManifestXmlPath(),
              home + L"/.Kelda Labs Inc/Kelda Board Software/Gallery/My Content/imsmanifest.xml");
    EXPECT_EQ(CGallery::GetMyContentManifestXmlPath(), CGallery::GetDefaultMyContentManifestXmlPath());
}

// A run from cron has no HOME: the library's folders follow the password database's home, never "/".
TEST_F(Paths, WithoutHomeTheCacheFollowsThePasswordDatabase)
{
    const passwd *entry = getpwuid(geteuid());
    ASSERT_TRUE(entry && entry->pw_dir && entry->pw_dir[0] == '/');
    const std::string database = std::string(entry->pw_dir) == "/" ? "" : entry->pw_dir;
    const std::string home = TestEnv::Home();
    unsetenv("HOME");
    const std::wstring unset = CGallery::GetCacheFolderPath();
    setenv("HOME", "", 1);
    const std::wstring empty = CGallery::GetCacheFolderPath();
    setenv("HOME", home.c_str(), 1);
    EXPECT_EQ(unset, Text::FromUtf8(database) + L"/.Kelda Labs Inc/Kelda Board Software/Gallery");
    EXPECT_EQ(empty, unset);
}

TEST(ExpandEnvironmentReferences, ReplacesEveryClosedReference)
{
    setenv("TROVE_FACADE_A", "alpha", 1);
    unsetenv("TROVE_FACADE_UNSET");
    const struct {
        const wchar_t *text;
        const wchar_t *expected;
    } cases[] = {
        {L"${TROVE_FACADE_A}/g", L"alpha/g"},
        {L"x${TROVE_FACADE_A}${TROVE_FACADE_A}y", L"xalphaalphay"},
        {L"/a/${TROVE_FACADE_UNSET}/b", L"/a//b"},
        {L"$TROVE_FACADE_A/${}", L"$TROVE_FACADE_A/"},
        {L"/a/${TROVE_FACADE_A", L"/a/${TROVE_FACADE_A"},
        {L"", L""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CGallery::ExpandEnvironmentReferences(c.text), c.expected) << c.text;
}

TEST_F(Paths, DefaultManifestPreferenceResolvesAgainstTheEnvironmentUnlessInSafeMode)
{
    const std::wstring home = Text::FromUtf8(TestEnv::Home());
    const struct {
        int scope;
        const wchar_t *stored;
        std::wstring expected;
    } cases[] = {
        {PreferenceScopeUser, L"${HOME}/g/imsmanifest.xml", home + L"/g/imsmanifest.xml"},
        // The registration command writes the machine-wide value with a backslash before the file name.
        {PreferenceScopeMachine, L"/srv/content\\imsmanifest.xml", L"/srv/content/imsmanifest.xml"},
    };
    for (const auto &c : cases) {
        RecursivePreferenceDelete(PreferenceScopeUser, CGallery::PreferencesPath);
        RecursivePreferenceDelete(PreferenceScopeMachine, CGallery::PreferencesPath);
        ASSERT_EQ(WritePreferenceString(c.scope, CGallery::PreferencesPath, L"DefaultManifest", c.stored,
                                        CGallery::PreferenceFile),
                  0);
        CGallery::SafeMode = false;
        EXPECT_EQ(CGallery::GetMyContentManifestXmlPath(), c.expected) << c.stored;
        CGallery::SafeMode = true;
        EXPECT_EQ(CGallery::GetMyContentManifestXmlPath(), CGallery::GetDefaultMyContentManifestXmlPath());
    }
}

TEST_F(Paths, StockManifestComesFromThePreferenceElseTheFixedFolder)
{
    EXPECT_EQ(CGallery::GetStockManifestXmlPath(),
              Text::FromUtf8(SysRoot::Path("/opt/Kelda Labs/Vellum Software/Gallery/imsmanifest.xml")));
    ASSERT_EQ(WritePreferenceString(PreferenceScopeUser, CGallery::PreferencesPath, L"GalleryTasterManifest",
                                    L"/srv/taster/imsmanifest.xml"),
              0);
    EXPECT_EQ(CGallery::GetStockManifestXmlPath(), L"/srv/taster/imsmanifest.xml");
}

} // namespace
