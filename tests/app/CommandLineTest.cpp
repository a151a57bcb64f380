// The option table as the application factory registers it: which context fields the options fill,
// which messages problems leave, and which command ends up selected.
#include "app/ApplicationFactory.h"
#include "app/ModalDismisser.h"
#include "app/CaptureOutput.h"
#include "settings/KDAppInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using NTrove::CAtlStringList;
using NTrove::CCommandLineParser;

namespace
{

// Parses "trove" followed by args with a fresh factory.
struct Parsed {
    explicit Parsed(std::vector<std::string> args)
    {
        KDAppInfo::applicationInfo();
        args.insert(args.begin(), "trove");
        storage = std::move(args);
        for (std::string &a : storage)
            argv.push_back(a.data());
        factory.ParseArguments(static_cast<int>(argv.size()), argv.data());
    }
    const NTrove::CCmdLineContext &context() const { return factory.GetContext(); }
    CapturedOutput run()
    {
        return Capture([this] { return factory.Run(); });
    }

    std::vector<std::string> storage;
    std::vector<char *> argv;
    CApplicationFactory factory;
};

TEST(DeleteMinusTest, StripsTheThreePrefixes)
{
    const struct {
        const wchar_t *in;
        bool option;
        const wchar_t *out;
    } cases[] = {
        {L"--source", true, L"source"},  {L"-source", true, L"source"}, {L"\\source", true, L"source"},
        {L"---x", true, L"-x"},          {L"source", false, L"source"}, {L"", false, L""},
        {L"/source", false, L"/source"},
    };
    for (const auto &c : cases) {
        CAtlString text = c.in;
        EXPECT_EQ(CCommandLineParser::DeleteMinus(text), c.option) << Text::ToUtf8(c.in);
        EXPECT_EQ(text, c.out);
    }
}

TEST(CommandLineTest, ValuesReachTheirFieldsInEveryForm)
{
    for (const auto &args : std::vector<std::vector<std::string>>{
             {"--source", "/media/cd", "-destination", "/g", "\\locale", "de_DE"},
             {"-source:/media/cd", "\\destination:/g", "--locale:de_DE"},
             {"\\source:/media/cd", "--destination", "/g", "-AppleLanguages", "de_DE"},
         }) {
        Parsed p(args);
        EXPECT_EQ(p.context().source, L"/media/cd") << args[0];
        EXPECT_EQ(p.context().destination, L"/g");
        EXPECT_EQ(p.context().locale, L"de_DE");
        EXPECT_TRUE(p.context().parameterErrors.empty());
    }
}

TEST(CommandLineTest, ListsFlagsAndFreeArguments)
{
    Parsed p({"-l", "fr_FR", "-c", "maths", "-l", "de", "--verbose", "-forceuser", "\\remote",
              "gallery.gallerycollection", "-proxy:host:8080", "-username", "u1", "-password", "p:w", "-source:-weird",
              "--ui"});
    const auto &c = p.context();
    EXPECT_EQ(c.languages, (CAtlStringList{L"fr_FR", L"de"}));
    EXPECT_EQ(c.collectionAliases, (CAtlStringList{L"maths"}));
    EXPECT_EQ(c.freeArguments, (CAtlStringList{L"gallery.gallerycollection"}));
    EXPECT_TRUE(c.verbose && c.forceUser && c.remote && c.ui);
    EXPECT_FALSE(c.allowDownload || c.authorized || c.keepConfigs || c.allowCleanup);
    EXPECT_EQ(c.proxy, L"host:8080"); // only the first colon separates
    EXPECT_EQ(c.userName, L"u1");
    EXPECT_EQ(c.password, L"p:w");
    EXPECT_EQ(c.source, L"-weird"); // the colon form carries values that look like options
    EXPECT_TRUE(c.parameterErrors.empty());
    EXPECT_TRUE(c.showGui);
    EXPECT_EQ(p.context().GetArguments().size(), 17);
    EXPECT_EQ(p.context().GetArguments().first(), QStringLiteral("-l"));
}

TEST(CommandLineTest, NoUiIsAnOptionAnywhere)
{
    EXPECT_FALSE(Parsed({"--version"}).factory.IsNoUi());
    EXPECT_TRUE(Parsed({"--version", "-noui"}).factory.IsNoUi());
    EXPECT_TRUE(Parsed({"--noui"}).factory.IsNoUi());
}

// What each problem records and which command runs; the texts on the streams are checked byte for
// byte by the whole-program tests.
TEST(CommandLineTest, ProblemsRecordMessagesAndSelectCommands)
{
    const struct {
        std::vector<std::string> args;
        CAtlStringList errors;
        int result;
        bool showGui;
    } cases[] = {
        {{"--source"}, {L"Missing value: \"source\""}, 666, false},
        {{"--source", "--version"}, {L"Missing value: \"source\""}, 0, false},
        {{"--source", "--installall"}, {L"Missing value: \"source\""}, 1, false},
        {{"--installall", "--uninstall"}, {L"Illegal: \"uninstall\""}, 666, false},
        {{"--configuration", "/no/such/dir", "--guid", "{1}"}, {L"Illegal: \"guid\""}, 666, false},
        {{"--Help"}, {L"Unknown: \"Help\""}, 1, true},
        {{"-bogus:value", "--version"}, {L"Unknown: \"bogus\""}, 0, false},
        {{"--noui:x"}, {L"Unknown: \"noui\""}, 1, true},
        {{"--version", "--help", "-h", "-?"}, {L"Illegal: \"?\""}, 666, false},
        {{"--repair", "--version", "--installall"}, {L"Illegal: \"installall\"", L"Illegal: \"version\""}, 666, false},
        // Nothing registered: nothing to remove.
        {{"free", "--uninstallall"}, {}, 0, true},
    };
    // The default command (after an unknown option) opens the gallery chooser; it is cancelled.
    ModalDismisser dismisser;
    for (const auto &c : cases) {
        Parsed p(c.args);
        EXPECT_EQ(p.context().parameterErrors, c.errors) << c.args[0] << " " << c.args.size();
        EXPECT_EQ(p.context().showGui, c.showGui) << c.args[0];
        EXPECT_EQ(p.run().result, c.result) << c.args[0];
    }
}

TEST(CommandLineTest, ConfigurationOptionRecordsTheAbsolutePath)
{
    Parsed p({"--configuration", "some/dir"});
    EXPECT_TRUE(Text::StartsWith(p.context().configurationPath, L"/"));
    EXPECT_TRUE(Text::EndsWith(p.context().configurationPath, L"/some/dir"));
}

TEST(CommandLineTest, CommandsPrintTheParameterMessagesFirst)
{
    Parsed install({"--source", "--installall"});
    const CapturedOutput o = install.run();
    EXPECT_EQ(o.out, "");
    // Then the command's own message (the configuration is missing); the exact text is the e2e tests'.
    EXPECT_EQ(
        o.err.rfind("Errors in parameters:\n   Missing value: \"source\"\n\nCould not load the configuration.\n", 0),
        0u)
        << o.err;

    // repair never prints the parameter messages.
    Parsed repair({"--repair", "--bogus"});
    const CapturedOutput r = repair.run();
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("Detecting corrupted galleries...\n", 0), 0u) << r.out;
}

} // namespace
