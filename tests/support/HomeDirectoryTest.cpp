// The home folder comes from HOME, or from the password database when HOME is unset, empty or relative.
#include "support/HomeDirectory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include <pwd.h>
#include <unistd.h>

namespace
{

// Sets or removes HOME for one test and puts the old value back.
class ScopedHome
{
  public:
    explicit ScopedHome(const std::optional<std::string> &value)
    {
        if (const char *old = std::getenv("HOME")) m_old = old;
        if (value)
            setenv("HOME", value->c_str(), 1);
        else
            unsetenv("HOME");
    }
    ~ScopedHome()
    {
        if (m_old)
            setenv("HOME", m_old->c_str(), 1);
        else
            unsetenv("HOME");
    }

  private:
    std::optional<std::string> m_old;
};

std::string PasswordDatabaseHome()
{
    const passwd *entry = getpwuid(geteuid());
    return entry && entry->pw_dir ? entry->pw_dir : "";
}

TEST(HomeDirectoryTest, HomeWinsAndThePasswordDatabaseStandsInForAMissingOne)
{
    const std::string database = PasswordDatabaseHome();
    ASSERT_FALSE(database.empty()) << "this user has no home folder in the password database";
    ASSERT_NE(database, "/tmp/elsewhere");
    const struct {
        std::optional<std::string> home;
        std::string expected;
    } cases[] = {
        {std::string("/tmp/elsewhere"), "/tmp/elsewhere"},
        {std::string("/tmp/elsewhere//"), "/tmp/elsewhere"},
        {std::string("/"), "/"},
        {std::nullopt, database},
        {std::string(), database},
        {std::string("relative/home"), database},
    };
    for (const auto &c : cases) {
        ScopedHome home(c.home);
        EXPECT_EQ(HomeDirectory::Path(), c.expected) << (c.home ? "HOME=" + *c.home : "HOME unset");
    }
}

} // namespace
