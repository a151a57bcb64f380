// The HTTP engine against a server that answers with what no honest server sends: redirects out of
// HTTP, control characters in validators and ranges that do not continue the partial file.
#include "net/EngineRun.h"
#include "net/ScriptedHttpServer.h"

#include "common/TestEnv.h"
#include "net/QHttpWithResume.h"

#include <gtest/gtest.h>

#include <QBuffer>

#include <memory>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

using QtDownloader::QHttpWithResume;

namespace
{

const QByteArray kBody = "The quick brown fox jumps over the lazy dog";
const QByteArray kHead = kBody.left(10);
const QByteArray kEtag = "\"v1\"";

class HostileServerTest : public ::testing::Test
{
  protected:
    std::string T() const { return dir.file("file.bin"); }
    std::string P() const { return T() + ".part"; }
    std::string S() const { return T() + ".st"; }
    QString QT() const { return QString::fromStdString(T()); }

    // A partial file of the first ten bytes with a state record naming url.
    void WritePartial(const QUrl &url, const QByteArray &etag = kEtag)
    {
        TestEnv::WriteFile(P(), kHead.toStdString());
        TestEnv::WriteFile(S(), (etag + "\n" + url.toEncoded() + "\n43\n\n").toStdString());
    }

    TestEnv::TempDir dir;
    QHttpWithResume engine;
};

bool HasControlCharacter(const std::string &text, bool allowLineFeed)
{
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && !(allowLineFeed && c == '\n')) || u == 0x7f) return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------------
// Redirects leave HTTP only to fail.

struct SchemeCase {
    const char *name;
    const char *location;
};

class ForeignRedirectTest : public HostileServerTest, public ::testing::WithParamInterface<SchemeCase>
{
};

TEST_P(ForeignRedirectTest, IsNotFollowedInMemoryNorToAFile)
{
    const QByteArray location = GetParam().location;
    ScriptedHttpServer server([&](const HttpRequest &) {
        return HttpResponse::Make(302, "moved", {{"Location", location}});
    });

    auto buffer = std::make_shared<QBuffer>();
    const EngineOutcome memory = RunEngine(engine, [&] { engine.Get(server.url("/doc.xml"), buffer); });
    EXPECT_TRUE(memory.finished);
    EXPECT_TRUE(memory.error);
    EXPECT_EQ(memory.status, 302);
    EXPECT_FALSE(buffer->data().contains("root:")) << buffer->data().toStdString();
    EXPECT_FALSE(buffer->data().contains("secret"));
    EXPECT_FALSE(engine.GetErrorString().isEmpty());

    const EngineOutcome file = RunResume(engine, server.url("/file.bin"), QT());
    EXPECT_TRUE(file.error);
    EXPECT_FALSE(TestEnv::Exists(T()));
    EXPECT_EQ(server.requests().size(), 2);
}

INSTANTIATE_TEST_SUITE_P(Cases, ForeignRedirectTest,
                         ::testing::Values(SchemeCase{"File", "file:///etc/passwd"},
                                           SchemeCase{"Data", "data:text/plain,secret"},
                                           SchemeCase{"Ftp", "ftp://127.0.0.1:1/secret"}),
                         [](const ::testing::TestParamInfo<SchemeCase> &info) { return std::string(info.param.name); });

TEST_F(HostileServerTest, RedirectToHttpsOrHttpIsStillAllowed)
{
    ScriptedHttpServer server([](const HttpRequest &request) {
        if (request.target == "/old") return HttpResponse::Make(301, "", {{"Location", "/new"}});
        return HttpResponse::Make(200, kBody);
    });
    auto buffer = std::make_shared<QBuffer>();
    const EngineOutcome outcome = RunEngine(engine, [&] { engine.Get(server.url("/old"), buffer); });
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(buffer->data(), kBody);
}

// ---------------------------------------------------------------------------------------------------
// Validators with control characters are neither kept nor sent back.

TEST_F(HostileServerTest, ValidatorWithControlCharacterIsNotStored)
{
    ScriptedHttpServer server([](const HttpRequest &) {
        return HttpResponse::Make(200, kBody, {{"ETag", "\"a\rX-Injected: 1\""}, {"Last-Modified", "Wed,\x01 01"}});
    });
    const EngineOutcome outcome = RunResume(engine, server.url("/file.bin"), QT());
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(TestEnv::ReadFile(T()), kBody.toStdString());
    if (TestEnv::Exists(S())) {
        const std::string state = TestEnv::ReadFile(S());
        EXPECT_FALSE(HasControlCharacter(state, true)) << state;
    }
}

TEST_F(HostileServerTest, StateHoldingControlCharacterIsForeignAndNotSent)
{
    ScriptedHttpServer server([](const HttpRequest &) { return HttpResponse::Make(200, kBody); });
    const QUrl url = server.url("/file.bin");
    WritePartial(url, "\"a\rX-Injected: 1\"");

    const EngineOutcome outcome = RunResume(engine, url, QT());

    ASSERT_EQ(server.requests().size(), 1);
    const HttpRequest &request = server.requests()[0];
    EXPECT_FALSE(request.has("x-injected"));
    EXPECT_FALSE(request.has("if-range"));
    EXPECT_FALSE(request.has("range"));
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(TestEnv::ReadFile(T()), kBody.toStdString());
}

// ---------------------------------------------------------------------------------------------------
// A 206 is appended only when its range starts where the partial file ends.

class BadRangeTest : public HostileServerTest, public ::testing::WithParamInterface<const char *>
{
};

TEST_P(BadRangeTest, RestartsFromZeroInsteadOfAppending)
{
    const QByteArray contentRange = GetParam();
    ScriptedHttpServer server([&](const HttpRequest &request) {
        if (request.has("range")) {
            QList<QPair<QByteArray, QByteArray>> headers{{"ETag", kEtag}};
            if (!contentRange.isEmpty()) headers.append({"Content-Range", contentRange});
            return HttpResponse::Make(206, kBody.mid(10), headers);
        }
        return HttpResponse::Make(200, kBody, {{"ETag", kEtag}});
    });
    const QUrl url = server.url("/file.bin");
    WritePartial(url);

    const EngineOutcome outcome = RunResume(engine, url, QT());

    ASSERT_EQ(server.requests().size(), 2);
    EXPECT_EQ(server.requests()[1].header("range"), "<absent>");
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(TestEnv::ReadFile(T()), kBody.toStdString());
}

INSTANTIATE_TEST_SUITE_P(Cases, BadRangeTest,
                         ::testing::Values("", "garbage", "bytes */43", "bytes x-42/43", "bytes 10x-42/43",
                                           "items 10-42/43", "bytes 10-42", "bytes -10-42/43"));

TEST_F(HostileServerTest, FittingRangeIsAppended)
{
    ScriptedHttpServer server([](const HttpRequest &) {
        return HttpResponse::Make(206, kBody.mid(10), {{"ETag", kEtag}, {"Content-Range", "bytes 10-42/43"}});
    });
    const QUrl url = server.url("/file.bin");
    WritePartial(url);

    const EngineOutcome outcome = RunResume(engine, url, QT());

    EXPECT_EQ(server.requests().size(), 1);
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(TestEnv::ReadFile(T()), kBody.toStdString());
}

// ---------------------------------------------------------------------------------------------------
// A FIFO or a link to /dev/zero in place of the state file, the partial file or the target is not
// read, written through or kept: the download starts over and ends with plain files.

TEST_F(HostileServerTest, ImpostorFilesAreReplacedNotUsed)
{
    const struct {
        const char *name;
        bool fifo; // else a link to /dev/zero
        int which; // 0 state, 1 partial, 2 target
    } cases[] = {{"FIFO state", true, 0},    {"FIFO partial", true, 1},    {"FIFO target", true, 2},
                 {"device state", false, 0}, {"device partial", false, 1}, {"device target", false, 2}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedHttpServer server([](const HttpRequest &) {
            return HttpResponse::Make(200, kBody, {{"ETag", kEtag}});
        });
        const QUrl url = server.url("/file.bin");
        WritePartial(url);
        const std::string path = c.which == 0 ? S() : c.which == 1 ? P() : T();
        ::unlink(path.c_str());
        if (c.fifo) {
            ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        } else {
            ASSERT_EQ(::symlink("/dev/zero", path.c_str()), 0);
        }
        ::alarm(60); // a blocked open would never give the event loop back
        const EngineOutcome outcome = RunResume(engine, url, QT());
        ::alarm(0);
        EXPECT_TRUE(outcome.finished);
        EXPECT_FALSE(outcome.error);
        struct stat st {
        };
        ASSERT_EQ(::lstat(T().c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        EXPECT_EQ(TestEnv::ReadFile(T()), kBody.toStdString());
        EXPECT_FALSE(TestEnv::Exists(P()));
        ASSERT_EQ(server.requests().size(), 1);
        EXPECT_FALSE(server.requests()[0].has("range"));
        ::unlink(T().c_str());
        ::unlink(S().c_str());
    }
}

// ---------------------------------------------------------------------------------------------------
// A trickled body ends the download: small documents by their overall deadline, larger files by the
// minimum average rate. An endless body ends an in-memory download at its limit.

QtDownloader::TransferLimits Limited(qint64 smallBytes, int deadlineMs, qint64 minimumRate, int graceMs)
{
    QtDownloader::TransferLimits limits;
    limits.smallDocumentBytes = smallBytes;
    limits.smallDocumentDeadlineMs = deadlineMs;
    limits.minimumAverageRate = minimumRate;
    limits.rateGraceMs = graceMs;
    return limits;
}

TEST_F(HostileServerTest, TrickledBodiesAreCutOff)
{
    // The body (43 bytes) comes at one byte every 50 ms, about two seconds in all; the limits stop it
    // well before, and a body that comes at once passes the same limits.
    const struct {
        const char *name;
        QtDownloader::TransferLimits limits;
        bool trickle;
        bool fails;
    } cases[] = {
        {"small document past its deadline", Limited(1 << 20, 400, 0, 0), true, true},
        {"large file below the minimum rate", Limited(16, 0, 1000, 300), true, true},
        {"small document in time", Limited(1 << 20, 2000, 0, 0), false, false},
        {"large file fast enough", Limited(16, 0, 1000, 300), false, false},
    };
    for (const auto &c : cases) {
        for (const bool inMemory : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (inMemory ? " in memory" : " to a file"));
            ScriptedHttpServer server([&](const HttpRequest &) {
                return c.trickle ? HttpResponse::Trickle(kBody, 50) : HttpResponse::Make(200, kBody);
            });
            QHttpWithResume limited;
            limited.SetTransferLimits(c.limits);
            auto buffer = std::make_shared<QBuffer>();
            const EngineOutcome outcome = inMemory
                                              ? RunEngine(limited, [&] { limited.Get(server.url("/doc.xml"), buffer); })
                                              : RunResume(limited, server.url("/file.bin"), QT());
            ASSERT_TRUE(outcome.finished);
            EXPECT_EQ(outcome.error, c.fails);
            if (c.fails) {
                EXPECT_FALSE(limited.GetErrorString().isEmpty());
                EXPECT_FALSE(TestEnv::Exists(T()));
            } else {
                EXPECT_EQ(inMemory ? buffer->data().toStdString() : TestEnv::ReadFile(T()), kBody.toStdString());
            }
            ::unlink(T().c_str());
            ::unlink(P().c_str());
            ::unlink(S().c_str());
        }
    }
}

TEST_F(HostileServerTest, EndlessBodyInMemoryStopsAtTheLimit)
{
    ScriptedHttpServer server([](const HttpRequest &) { return HttpResponse::Endless(int64_t(64) << 20); });
    QtDownloader::TransferLimits limits;
    limits.memoryBytes = 1 << 20;
    engine.SetTransferLimits(limits);
    auto buffer = std::make_shared<QBuffer>();
    const EngineOutcome outcome = RunEngine(engine, [&] { engine.Get(server.url("/endless"), buffer); });
    ASSERT_TRUE(outcome.finished);
    EXPECT_TRUE(outcome.error);
    EXPECT_TRUE(buffer->data().isEmpty());
    EXPECT_FALSE(engine.GetErrorString().isEmpty());
}

} // namespace
