// The proxy password can come from TROVE_PASSWORD instead of the command line, where every local user
// sees it in the process list; the password option still wins.
#include "app/ApplicationFactory.h"
#include "settings/KDAppInfo.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace
{

CAtlString ParsedPassword(std::vector<std::string> args)
{
    KDAppInfo::applicationInfo();
    args.insert(args.begin(), "trove");
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    CApplicationFactory factory;
    (void)factory.ParseArguments(static_cast<int>(argv.size()), argv.data());
    return factory.GetContext().password;
}

TEST(PasswordFromEnvironmentTest, TheOptionWinsOverTheEnvironment)
{
    const struct {
        const char *environment; // nullptr: unset
        std::vector<std::string> args;
        CAtlString expected;
    } cases[] = {
        {nullptr, {"--version"}, L""},
        {"s\u00e9cret", {"--version"}, L"s\u00e9cret"},
        {"from-env", {"-password", "from-line", "--version"}, L"from-line"},
        {nullptr, {"-password", "from-line"}, L"from-line"},
    };
    for (const auto &c : cases) {
        if (c.environment)
            setenv("TROVE_PASSWORD", c.environment, 1);
        else
            unsetenv("TROVE_PASSWORD");
        EXPECT_EQ(ParsedPassword(c.args), c.expected) << (c.environment ? c.environment : "unset");
    }
    unsetenv("TROVE_PASSWORD");
}

} // namespace
