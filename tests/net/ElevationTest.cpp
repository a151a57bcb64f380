// Elevated runs through fake front ends on PATH. Each fake records the argument vector it gets and
// runs the command the way the real one does: kdesu and gksudo through "sh -c" on the joined text,
// sudo and pkexec by starting the words themselves. The target records the words that arrive.
#include "common/TestEnv.h"
#include "net/Elevation.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>

#include <string>

namespace
{
const char kRecordArgv[] = "#!/bin/sh\n"
                           ": > \"$FAKE_RECORD/${0##*/}.argv\"\n"
                           "for a in \"$@\"; do printf '%s\\0' \"$a\" >> \"$FAKE_RECORD/${0##*/}.argv\"; done\n";

// The front ends, each after the recording lines.
const char kKdesu[] = "while [ \"$1\" != \"--\" ]; do shift; done; shift\n"
                      "exec /bin/sh -c \"$*\"\n";
const char kGksudo[] = "[ \"$1\" = \"-u\" ] && shift 2\n"
                       "exec /bin/sh -c \"$1\"\n";
const char kSudo[] = "export -p > \"$FAKE_RECORD/sudo.env\"\n"
                     ": > \"$FAKE_RECORD/sudo.stdin\"\n"
                     "while :; do\n"
                     "  printf 'PASSWORD:'\n"
                     "  IFS= read -r pw || exit 1\n"
                     "  printf '%s\\n' \"$pw\" >> \"$FAKE_RECORD/sudo.stdin\"\n"
                     "  [ \"$pw\" = right ] && break\n"
                     "done\n"
                     "while [ \"$1\" != \"--\" ]; do shift; done; shift\n"
                     "exec \"$@\"\n";
const char kPkexec[] = "[ \"$1\" = env ] && shift\n"
                       "while [ \"${1#*=}\" != \"$1\" ]; do shift; done\n"
                       "exec \"$@\"\n";
// The target exits with 7, so that the exit code is seen to come through.
const char kTarget[] = "exit 7\n";

class ElevationTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_bin = m_dir.file("bin");
        m_record = m_dir.file("record");
        QDir().mkpath(QString::fromStdString(m_bin));
        QDir().mkpath(QString::fromStdString(m_record));
        QDir().mkpath(QString::fromStdString(m_dir.file("dir with 'blank'")));
        m_target = m_dir.file("dir with 'blank'/tar get");
        WriteScript(m_target, kTarget);
        m_savedPath = qgetenv("PATH");
        qputenv("PATH", QByteArray::fromStdString(m_bin + "::" + m_dir.file("missing")));
        qputenv("FAKE_RECORD", QByteArray::fromStdString(m_record));
        CAuthentication::SetHooks({});
    }
    void TearDown() override
    {
        qputenv("PATH", m_savedPath);
        qunsetenv("FAKE_RECORD");
        CAuthentication::SetHooks({});
    }

    void WriteScript(const std::string &path, const char *body)
    {
        ASSERT_TRUE(TestEnv::WriteFile(path, std::string(kRecordArgv) + body));
        QFile::setPermissions(QString::fromStdString(path), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    void Install(const std::string &name, const char *body) { WriteScript(m_bin + "/" + name, body); }

    // The NUL-separated words a program recorded; empty when it never ran.
    QStringList Recorded(const std::string &name) const
    {
        const std::string path = m_record + "/" + name + ".argv";
        if (!TestEnv::Exists(path)) return {QStringLiteral("<did not run>")};
        QStringList words = QString::fromStdString(TestEnv::ReadFile(path)).split(QChar(0));
        words.removeLast(); // after the last separator
        return words;
    }

    QString Target() const { return QString::fromStdString(m_target); }
    std::string Marker(const char *name) const { return m_dir.file(name); }

    TestEnv::TempDir m_dir;
    std::string m_bin;
    std::string m_record;
    std::string m_target;
    QByteArray m_savedPath;
};

// Words a shell would otherwise split, expand or run.
QStringList HostileWords(const std::string &markerDir)
{
    const QString marker = QString::fromStdString(markerDir);
    return {QStringLiteral("plain"),
            QStringLiteral("two words"),
            QStringLiteral("it's"),
            QStringLiteral("say \"hi\""),
            QStringLiteral("line\nbreak"),
            QStringLiteral("$(touch %1/dollar)").arg(marker),
            QStringLiteral("`touch %1/backtick`").arg(marker),
            QStringLiteral("; touch %1/semicolon").arg(marker),
            QStringLiteral("back\\slash * ? ~ $HOME"),
            QString(),
            QStringLiteral("--authorized")};
}
} // namespace

TEST(ElevationQuotingTest, EveryWordIsOneSingleQuotedShellWord)
{
    struct Case {
        const char *word;
        const char *quoted;
    } cases[] = {
        {"plain", "'plain'"},
        {"", "''"},
        {"two words", "'two words'"},
        {"it's", "'it'\\''s'"},
        {"''", "''\\'''\\'''"},
        {"say \"hi\"", "'say \"hi\"'"},
        {"$(id) `id` $HOME \\n", "'$(id) `id` $HOME \\n'"},
        {"a\nb", "'a\nb'"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CAuthentication::escapeArgument(QString::fromUtf8(c.word)), QString::fromUtf8(c.quoted)) << c.word;
    EXPECT_EQ(CAuthentication::commandText(QStringLiteral("/a b/p"), {QStringLiteral("x'y"), QString()}),
              QStringLiteral("'/a b/p' 'x'\\''y' ''"));
}

// Each front end on its own: the vector it gets, and the words that reach the program unchanged, with
// nothing of them run by a shell.
TEST_F(ElevationTest, EachFrontEndDeliversTheWordsUnchanged)
{
    struct Case {
        const char *frontEnd;
        const char *script;
        const char *user;
    } cases[] = {
        {"kdesu", kKdesu, ""},        {"kdesu", kKdesu, "root"}, {"gksudo", kGksudo, ""},
        {"gksudo", kGksudo, "admin"}, {"sudo", kSudo, "root"},   {"pkexec", kPkexec, ""},
    };
    const QStringList words = HostileWords(m_dir.path());
    CAuthentication::SetHooks({[](const QString &, bool, QString &password) {
                                   password = QStringLiteral("right");
                                   return true;
                               },
                               nullptr});
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.frontEnd) + " user=" + c.user);
        QDir(QString::fromStdString(m_bin)).removeRecursively();
        QDir().mkpath(QString::fromStdString(m_bin));
        QDir(QString::fromStdString(m_record)).removeRecursively();
        QDir().mkpath(QString::fromStdString(m_record));
        Install(c.frontEnd, c.script);

        CAuthentication authentication;
        EXPECT_EQ(authentication.runElevated(Target(), words, QString::fromUtf8(c.user), false), 7);
        EXPECT_EQ(Recorded("tar get"), words);
        for (const char *marker : {"dollar", "backtick", "semicolon"})
            EXPECT_FALSE(TestEnv::Exists(Marker(marker))) << marker;

        const QStringList user = *c.user ? QStringList{QStringLiteral("-u"), QString::fromUtf8(c.user)} : QStringList();
        QStringList expected;
        const std::string name = c.frontEnd;
        if (name == "kdesu") {
            expected << user << QStringLiteral("--") << CAuthentication::escapeArgument(Target());
            for (const QString &word : words)
                expected << CAuthentication::escapeArgument(word);
        } else if (name == "gksudo") {
            expected << user << CAuthentication::commandText(Target(), words);
        } else if (name == "sudo") {
            expected << QStringLiteral("-p") << QStringLiteral("PASSWORD:") << QStringLiteral("-S") << user
                     << QStringLiteral("--") << Target() << words;
        } else {
            expected = CAuthentication::pkexecArguments(Target(), words);
            EXPECT_TRUE(expected.endsWith(words.last()));
        }
        EXPECT_EQ(Recorded(c.frontEnd), expected);
    }
}

TEST_F(ElevationTest, TheFirstInstalledFrontEndInTheDocumentedOrderIsUsed)
{
    const struct {
        std::vector<const char *> installed;
        const char *used;
    } cases[] = {
        {{"kdesu", "gksudo", "sudo", "pkexec"}, "kdesu"},
        {{"gksudo", "sudo", "pkexec"}, "gksudo"},
        {{"sudo", "pkexec"}, "sudo"},
        {{"pkexec"}, "pkexec"},
    };
    const std::map<std::string, const char *> scripts{
        {"kdesu", kKdesu}, {"gksudo", kGksudo}, {"sudo", kSudo}, {"pkexec", kPkexec}};
    CAuthentication::SetHooks({[](const QString &, bool, QString &password) {
                                   password = QStringLiteral("right");
                                   return true;
                               },
                               nullptr});
    for (const auto &c : cases) {
        SCOPED_TRACE(c.used);
        QDir(QString::fromStdString(m_bin)).removeRecursively();
        QDir().mkpath(QString::fromStdString(m_bin));
        QDir(QString::fromStdString(m_record)).removeRecursively();
        QDir().mkpath(QString::fromStdString(m_record));
        for (const char *name : c.installed)
            Install(name, scripts.at(name));
        EXPECT_EQ(RunElevated(Target(), {}), 7);
        for (const char *name : c.installed)
            EXPECT_EQ(TestEnv::Exists(m_record + "/" + name + ".argv"), std::string(name) == c.used) << name;
    }
}

// sudo's password goes to its standard input only: a wrong one is asked for again (with the retry
// mark), and it never appears in the arguments or the environment of the front end or the program.
TEST_F(ElevationTest, TheSudoPasswordGoesToStandardInputOnly)
{
    Install("sudo", kSudo);
    qputenv("USER", "tester");
    std::vector<std::pair<QString, bool>> asked;
    CAuthentication::SetHooks({[&](const QString &user, bool retry, QString &password) {
                                   asked.emplace_back(user, retry);
                                   password = asked.size() == 1 ? QStringLiteral("wrong") : QStringLiteral("right");
                                   return true;
                               },
                               nullptr});
    CAuthentication authentication;
    EXPECT_EQ(authentication.runElevated(Target(), {QStringLiteral("--authorized")}, QString(), false), 7);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], std::make_pair(QStringLiteral("tester"), false));
    EXPECT_EQ(asked[1], std::make_pair(QStringLiteral("tester"), true));
    EXPECT_EQ(TestEnv::ReadFile(m_record + "/sudo.stdin"), "wrong\nright\n");
    const QString everythingElse = Recorded("sudo").join(QChar(' ')) + Recorded("tar get").join(QChar(' ')) +
                                   QString::fromStdString(TestEnv::ReadFile(m_record + "/sudo.env"));
    EXPECT_FALSE(everythingElse.contains(QStringLiteral("right")));
    EXPECT_FALSE(everythingElse.contains(QStringLiteral("wrong")));
}

TEST_F(ElevationTest, ACancelledSudoPromptEndsTheAttemptWithoutRunningTheProgram)
{
    Install("sudo", kSudo);
    for (bool haveHook : {true, false}) {
        SCOPED_TRACE(haveHook);
        CAuthentication::Hooks hooks;
        if (haveHook) hooks.askPassword = [](const QString &, bool, QString &) { return false; };
        CAuthentication::SetHooks(hooks);
        CAuthentication authentication;
        EXPECT_NE(authentication.runElevated(Target(), QString(), false), 7);
        EXPECT_EQ(Recorded("tar get"), QStringList{QStringLiteral("<did not run>")});
    }
}

TEST_F(ElevationTest, WithoutAnyFrontEndNothingStartsAndTheRunFails)
{
    bool busy = false;
    CAuthentication::SetHooks({nullptr, [&](bool b) { busy = busy || b; }});
    EXPECT_FALSE(CAuthentication::isAnyFrontEndInstalled());
    CAuthentication authentication;
    EXPECT_EQ(authentication.runElevated(Target(), {}, QString(), false), CAuthentication::NoFrontEndExitCode);
    EXPECT_EQ(Recorded("tar get"), QStringList{QStringLiteral("<did not run>")});
    EXPECT_FALSE(busy);
}
