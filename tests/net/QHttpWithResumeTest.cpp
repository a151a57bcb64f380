// The resumable HTTP engine against the scripted loopback server: resume and state files, status
// handling, redirects, restarts, lengths, failures before a reply, and the inactivity timer.
#include "net/EngineRun.h"
#include "net/ScriptedHttpServer.h"

#include "common/TestEnv.h"
#include "net/QHttpWithResume.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <memory>
#include <string>

using QtDownloader::Hash;
using QtDownloader::QHttpWithResume;

namespace
{

const QByteArray kBody = "The quick brown fox jumps over the lazy dog";
const QByteArray kEtag = "\"v1\"";
const QByteArray kDate = "Wed, 01 Jan 2020 00:00:00 GMT";

// A well-behaved server of one file: 304 for conditional requests, 206 for ranges, else 200.
HttpResponse ServeResource(const HttpRequest &request)
{
    if (request.has("if-none-match") || request.has("if-modified-since"))
        return HttpResponse::Make(304, {}, {{"ETag", kEtag}}, false);
    if (request.has("range")) {
        const QByteArray value = request.header("range");
        const int start = value.mid(6, value.indexOf('-') - 6).toInt();
        return HttpResponse::Make(
            206, kBody.mid(start),
            {{"ETag", kEtag},
             {"Content-Range", "bytes " + QByteArray::number(start) + "-" + QByteArray::number(kBody.size() - 1) + "/" +
                                   QByteArray::number(kBody.size())}});
    }
    return HttpResponse::Make(200, kBody, {{"ETag", kEtag}, {"Last-Modified", kDate}});
}

std::string StateText(const QByteArray &etag, const QByteArray &url, const QByteArray &length, const QByteArray &date)
{
    return (etag + "\n" + url + "\n" + length + "\n" + date + "\n").toStdString();
}

class EngineTest : public ::testing::Test
{
  protected:
    std::string T() const { return dir.file("file.bin"); }
    std::string P() const { return T() + ".part"; }
    std::string S() const { return T() + ".st"; }
    QString QT() const { return QString::fromStdString(T()); }
    std::string Read(const std::string &path) const { return TestEnv::ReadFile(path); }

    TestEnv::TempDir dir;
    QHttpWithResume engine;
};

// ---------------------------------------------------------------------------------------------------
// Which files on disk lead to which request headers.

struct ResumeCase {
    const char *name;
    const char *target; // content of T before the request, null: absent
    const char *part;   // content of P, null: absent
    bool state;         // write S from the four values below
    QByteArray etag;
    const char *stateUrl; // null: the requested URL
    QByteArray length;    // empty: the body's length
    QByteArray date;
    // Headers the server must receive ("<absent>" when not sent).
    QByteArray range, ifRange, ifNoneMatch, ifModifiedSince;
    int status; // the answer that completes the download
};

const QByteArray kAbsent = "<absent>";

class ResumeHeadersTest : public EngineTest, public ::testing::WithParamInterface<ResumeCase>
{
};

TEST_P(ResumeHeadersTest, SendsHeadersForFilesOnDiskAndEndsWithTheFile)
{
    const ResumeCase &c = GetParam();
    ScriptedHttpServer server(ServeResource);
    const QUrl url = server.url("/file.bin");
    if (c.target) TestEnv::WriteFile(T(), c.target);
    if (c.part) TestEnv::WriteFile(P(), c.part);
    const std::string stateBefore = StateText(c.etag, c.stateUrl ? QByteArray(c.stateUrl) : url.toEncoded(),
                                              c.length.isEmpty() ? QByteArray::number(kBody.size()) : c.length, c.date);
    if (c.state) TestEnv::WriteFile(S(), stateBefore);

    const EngineOutcome outcome = RunResume(engine, url, QT());

    ASSERT_TRUE(outcome.finished);
    ASSERT_EQ(server.requests().size(), 1);
    const HttpRequest &request = server.requests().first();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.header("accept"), "*/*");
    EXPECT_EQ(request.header("user-agent"), "Mozilla/5.0 (keldalabs_QNetworkAccessManager, like Gecko)");
    EXPECT_EQ(request.header("accept-encoding"), "identity");
    EXPECT_EQ(request.header("range"), c.range);
    EXPECT_EQ(request.header("if-range"), c.ifRange);
    EXPECT_EQ(request.header("if-none-match"), c.ifNoneMatch);
    EXPECT_EQ(request.header("if-modified-since"), c.ifModifiedSince);

    EXPECT_EQ(outcome.id, 42);
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(outcome.status, c.status);
    EXPECT_EQ(Read(T()), kBody.toStdString());
    EXPECT_FALSE(TestEnv::Exists(P()));
    if (c.status == 200)
        EXPECT_EQ(Read(S()), StateText(kEtag, url.toEncoded(), QByteArray::number(kBody.size()), kDate));
    else
        EXPECT_EQ(Read(S()), stateBefore); // only a 200 answer rewrites the state
    EXPECT_EQ(engine.GetErrorCode(), 0);
}

const QByteArray kFull = kBody;
const QByteArray kHead = kBody.left(10);

INSTANTIATE_TEST_SUITE_P(
    Cases, ResumeHeadersTest,
    ::testing::Values(
        ResumeCase{
            "NothingOnDisk", nullptr, nullptr, false, {}, nullptr, {}, {}, kAbsent, kAbsent, kAbsent, kAbsent, 200},
        ResumeCase{"NoStateOldTargetFetchedAgain",
                   "old",
                   nullptr,
                   false,
                   {},
                   nullptr,
                   {},
                   {},
                   kAbsent,
                   kAbsent,
                   kAbsent,
                   kAbsent,
                   200},
        ResumeCase{"StateWithoutValidators",
                   nullptr,
                   kHead.constData(),
                   true,
                   {},
                   nullptr,
                   {},
                   {},
                   kAbsent,
                   kAbsent,
                   kAbsent,
                   kAbsent,
                   200},
        ResumeCase{"StateOfAnotherUrl",
                   nullptr,
                   kHead.constData(),
                   true,
                   kEtag,
                   "http://127.0.0.1:1/other.bin",
                   {},
                   kDate,
                   kAbsent,
                   kAbsent,
                   kAbsent,
                   kAbsent,
                   200},
        ResumeCase{"StateWithBrokenLength", nullptr, kHead.constData(), true, kEtag, nullptr, "12x", kDate, kAbsent,
                   kAbsent, kAbsent, kAbsent, 200},
        ResumeCase{"ResumeGuardedByEtag",
                   nullptr,
                   kHead.constData(),
                   true,
                   kEtag,
                   nullptr,
                   {},
                   kDate,
                   "bytes=10-",
                   kEtag,
                   kAbsent,
                   kAbsent,
                   206},
        ResumeCase{"ResumeGuardedByDate",
                   nullptr,
                   kHead.constData(),
                   true,
                   {},
                   nullptr,
                   {},
                   kDate,
                   "bytes=10-",
                   kDate,
                   kAbsent,
                   kAbsent,
                   206},
        ResumeCase{"EmptyPartialStartsFromZero",
                   nullptr,
                   "",
                   true,
                   kEtag,
                   nullptr,
                   {},
                   kDate,
                   kAbsent,
                   kAbsent,
                   kAbsent,
                   kAbsent,
                   200},
        ResumeCase{"CompleteTargetAsksByEtag",
                   kFull.constData(),
                   nullptr,
                   true,
                   kEtag,
                   nullptr,
                   {},
                   kDate,
                   kAbsent,
                   kAbsent,
                   kEtag,
                   kAbsent,
                   304},
        ResumeCase{"CompleteTargetAsksByDate",
                   kFull.constData(),
                   nullptr,
                   true,
                   {},
                   nullptr,
                   {},
                   kDate,
                   kAbsent,
                   kAbsent,
                   kAbsent,
                   kDate,
                   304},
        ResumeCase{"TargetOfOtherLengthFetchedAgain",
                   "short",
                   nullptr,
                   true,
                   kEtag,
                   nullptr,
                   {},
                   kDate,
                   kAbsent,
                   kAbsent,
                   kAbsent,
                   kAbsent,
                   200},
        ResumeCase{"TargetAndPartialBothDropped",
                   kFull.constData(),
                   kHead.constData(),
                   true,
                   kEtag,
                   nullptr,
                   {},
                   kDate,
                   kAbsent,
                   kAbsent,
                   kAbsent,
                   kAbsent,
                   200}),
    [](const ::testing::TestParamInfo<ResumeCase> &info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------------

TEST_F(EngineTest, RangeAnsweredWithFullBodyRestartsTheFileAndRewritesState)
{
    const QByteArray changed = "a completely different and longer file body";
    ScriptedHttpServer server([&](const HttpRequest &) {
        return HttpResponse::Make(200, changed, {{"ETag", "\"v2\""}});
    });
    const QUrl url = server.url("/file.bin");
    TestEnv::WriteFile(P(), "XXXXXXXXXX");
    TestEnv::WriteFile(S(), StateText(kEtag, url.toEncoded(), "43", kDate));

    const EngineOutcome outcome = RunResume(engine, url, QT());

    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0].header("range"), "bytes=10-");
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(Read(T()), changed.toStdString());
    EXPECT_EQ(Read(S()), StateText("\"v2\"", url.toEncoded(), QByteArray::number(changed.size()), ""));
}

TEST_F(EngineTest, DigestCoversOldAndNewBytesAndUnchangedTarget)
{
    ScriptedHttpServer server(ServeResource);
    const QUrl url = server.url("/file.bin");
    TestEnv::WriteFile(P(), kHead.toStdString());
    TestEnv::WriteFile(S(), StateText(kEtag, url.toEncoded(), "43", kDate));
    const QByteArray expected = QCryptographicHash::hash(kBody, QCryptographicHash::Sha256);

    const EngineOutcome resumed = RunResume(engine, url, QT(), Hash::Sha256);
    EXPECT_EQ(resumed.status, 206);
    EXPECT_FALSE(resumed.error);
    EXPECT_EQ(resumed.hash, expected);
    EXPECT_EQ(Read(T()), kBody.toStdString());

    // The file is complete now: the next request asks whether it changed and keeps it.
    const EngineOutcome again = RunResume(engine, url, QT(), Hash::Sha256);
    EXPECT_EQ(again.status, 304);
    EXPECT_FALSE(again.error);
    EXPECT_EQ(again.hash, expected);
    EXPECT_EQ(Read(T()), kBody.toStdString());
    EXPECT_FALSE(TestEnv::Exists(P()));
    EXPECT_EQ(server.requests()[1].header("if-none-match"), kEtag);
}

TEST_F(EngineTest, DigestOfFullDownloadAndNoDigestWithoutAlgorithm)
{
    ScriptedHttpServer server(ServeResource);
    const EngineOutcome keccak = RunResume(engine, server.url("/file.bin"), QT(), Hash::Sha3_256);
    EXPECT_EQ(keccak.hash, QCryptographicHash::hash(kBody, QCryptographicHash::Keccak_256));
    QFile::remove(QT());
    const EngineOutcome none = RunResume(engine, server.url("/file.bin"), QT());
    EXPECT_TRUE(none.hash.isEmpty());
}

TEST_F(EngineTest, StateFileNeverHoldsThePassword)
{
    ScriptedHttpServer server(ServeResource);
    QUrl url = server.url("/file.bin");
    url.setUserName("reader");
    url.setPassword("s3cret-pass");
    ASSERT_FALSE(RunResume(engine, url, QT()).error);
    const std::string state = Read(S());
    EXPECT_EQ(state.find("s3cret-pass"), std::string::npos) << state;
    EXPECT_NE(state.find("reader@"), std::string::npos) << state;

    // The same URL with its password still matches the stored one, so a partial file resumes.
    QFile::remove(QT());
    TestEnv::WriteFile(P(), kHead.toStdString());
    ASSERT_FALSE(RunResume(engine, url, QT()).error);
    EXPECT_EQ(server.requests().last().header("range"), "bytes=10-");
    EXPECT_EQ(Read(T()), kBody.toStdString());
}

TEST_F(EngineTest, ResponseWithoutLengthWritesNoState)
{
    ScriptedHttpServer server([](const HttpRequest &) {
        return HttpResponse::Make(200, kBody, {{"ETag", kEtag}}, false);
    });
    const EngineOutcome outcome = RunResume(engine, server.url("/file.bin"), QT());
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(Read(T()), kBody.toStdString());
    EXPECT_FALSE(TestEnv::Exists(S()));
}

// ---------------------------------------------------------------------------------------------------
// Redirects.

struct RedirectCase {
    const char *name;
    bool follow;
    int expectedRequests;
    bool expectError;
};

class RedirectTest : public EngineTest, public ::testing::WithParamInterface<RedirectCase>
{
};

// /loop/a -> /loop/b -> /loop/a ...; /chain/N -> /chain/N+1 without end; /moved -> /file.bin.
HttpResponse ServeRedirects(const HttpRequest &request)
{
    const QByteArray path = request.target;
    if (path == "/loop/a") return HttpResponse::Make(302, "to b", {{"Location", "/loop/b"}});
    if (path == "/loop/b") return HttpResponse::Make(302, "to a", {{"Location", "/loop/a"}});
    if (path.startsWith("/chain/")) {
        const int n = path.mid(7).toInt();
        return HttpResponse::Make(301, "next", {{"Location", "/chain/" + QByteArray::number(n + 1)}});
    }
    if (path == "/moved") return HttpResponse::Make(307, "moved", {{"Location", "file.bin"}});
    return ServeResource(request);
}

TEST_P(RedirectTest, FollowsUpToTheLimitAndStopsAtRevisits)
{
    const RedirectCase &c = GetParam();
    ScriptedHttpServer server(ServeRedirects);
    engine.HandleRedirects(c.follow);
    int replacements = 0;
    QObject::connect(&engine, &QHttpWithResume::QNetworkReplyChanged,
                     [&](QNetworkReply *oldOne, QNetworkReply *newOne) {
                         EXPECT_NE(oldOne, nullptr);
                         EXPECT_NE(newOne, nullptr);
                         ++replacements;
                     });
    const QString start = QString::fromUtf8(c.name == std::string("Loop")    ? "/loop/a"
                                            : c.name == std::string("Moved") ? "/moved"
                                                                             : "/chain/0");

    const EngineOutcome outcome = RunResume(engine, server.url(start), QT());

    ASSERT_TRUE(outcome.finished);
    EXPECT_EQ(server.requests().size(), c.expectedRequests);
    EXPECT_EQ(replacements, c.expectedRequests - 1);
    EXPECT_EQ(outcome.error, c.expectError);
    if (c.expectError) {
        // The redirect answer that ends the chain is not the file.
        EXPECT_FALSE(TestEnv::Exists(T()));
    } else {
        EXPECT_EQ(Read(T()), kBody.toStdString());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RedirectTest,
                         ::testing::Values(RedirectCase{"Loop", true, 3, true},   // a, b, a: b was visited
                                           RedirectCase{"Chain", true, 11, true}, // 10 followed, then stop
                                           RedirectCase{"ChainNotFollowed", false, 1, true},
                                           RedirectCase{"Moved", true, 2, false}), // relative target resolved
                         [](const ::testing::TestParamInfo<RedirectCase> &info) {
                             return std::string(info.param.name);
                         });

TEST(EngineMemoryTest, InMemoryDownloadFollowsRedirectIntoTheBuffer)
{
    ScriptedHttpServer server(ServeRedirects);
    QHttpWithResume engine;
    auto buffer = std::make_shared<QBuffer>();
    buffer->setData("stale");
    const EngineOutcome outcome = RunEngine(engine, [&] { engine.Get(server.url("/moved"), buffer); });
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(outcome.status, 200);
    EXPECT_EQ(buffer->data(), kBody);
    EXPECT_EQ(server.requests().size(), 2);
}

// ---------------------------------------------------------------------------------------------------
// Range restarts.

TEST_F(EngineTest, RangeNotSatisfiableRestartsOnceFromZero)
{
    ScriptedHttpServer server([](const HttpRequest &request) {
        if (request.has("range")) return HttpResponse::Make(416, "no such range");
        return ServeResource(request);
    });
    const QUrl url = server.url("/file.bin");
    TestEnv::WriteFile(P(), kBody.toStdString()); // the whole file already, so the range is empty
    TestEnv::WriteFile(S(), StateText(kEtag, url.toEncoded(), "43", kDate));

    const EngineOutcome outcome = RunResume(engine, url, QT());

    ASSERT_EQ(server.requests().size(), 2);
    EXPECT_EQ(server.requests()[0].header("range"), "bytes=43-");
    EXPECT_EQ(server.requests()[1].header("range"), kAbsent);
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(Read(T()), kBody.toStdString());
}

TEST_F(EngineTest, SecondRangeNotSatisfiableFails)
{
    ScriptedHttpServer server([](const HttpRequest &) { return HttpResponse::Make(416, "never"); });
    const QUrl url = server.url("/file.bin");
    TestEnv::WriteFile(P(), kHead.toStdString());
    TestEnv::WriteFile(S(), StateText(kEtag, url.toEncoded(), "43", kDate));

    const EngineOutcome outcome = RunResume(engine, url, QT());

    EXPECT_EQ(server.requests().size(), 2);
    EXPECT_TRUE(outcome.error);
    EXPECT_EQ(outcome.status, 416);
    EXPECT_FALSE(TestEnv::Exists(T()));
}

TEST_F(EngineTest, PartialAnswerNotContinuingThePartialFileRestartsFromZero)
{
    // This server ignores the asked start and always sends the range from byte 0.
    ScriptedHttpServer server([](const HttpRequest &request) {
        if (request.has("range"))
            return HttpResponse::Make(206, kBody, {{"ETag", kEtag}, {"Content-Range", "bytes 0-42/43"}});
        return ServeResource(request);
    });
    const QUrl url = server.url("/file.bin");
    TestEnv::WriteFile(P(), kHead.toStdString());
    TestEnv::WriteFile(S(), StateText(kEtag, url.toEncoded(), "43", kDate));

    const EngineOutcome outcome = RunResume(engine, url, QT());

    ASSERT_EQ(server.requests().size(), 2);
    EXPECT_EQ(server.requests()[1].header("range"), kAbsent);
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(Read(T()), kBody.toStdString()); // not the head followed by the whole body
}

// ---------------------------------------------------------------------------------------------------
// Failures that keep the partial file.

TEST_F(EngineTest, ErrorAnswerKeepsPartialFileUntouched)
{
    ScriptedHttpServer server([](const HttpRequest &) { return HttpResponse::Make(404, "<html>not here</html>"); });
    const QUrl url = server.url("/file.bin");
    TestEnv::WriteFile(P(), kHead.toStdString());
    TestEnv::WriteFile(S(), StateText(kEtag, url.toEncoded(), "43", kDate));

    const EngineOutcome outcome = RunResume(engine, url, QT());

    EXPECT_TRUE(outcome.error);
    EXPECT_EQ(outcome.status, 404);
    EXPECT_EQ(Read(P()), kHead.toStdString()); // the error page is not written into it
    EXPECT_TRUE(TestEnv::Exists(S()));
    EXPECT_FALSE(TestEnv::Exists(T()));
    EXPECT_EQ(engine.GetErrorString(), QString());
}

TEST_F(EngineTest, LengthMismatchFailsAndKeepsPartialFile)
{
    // Chunked framing ends the body early while Content-Length promises the whole file.
    ScriptedHttpServer server([](const HttpRequest &) {
        HttpResponse response = HttpResponse::Make(
            200, {}, {{"ETag", kEtag}, {"Content-Length", "43"}, {"Transfer-Encoding", "chunked"}}, false);
        response.body = "a\r\n0123456789\r\n0\r\n\r\n";
        return response;
    });
    const EngineOutcome outcome = RunResume(engine, server.url("/file.bin"), QT());

    EXPECT_TRUE(outcome.error);
    EXPECT_EQ(engine.GetErrorString(), "Download incomplete. Received 10 bytes, expected 43 bytes.");
    EXPECT_EQ(engine.GetErrorCode(), 99);
    EXPECT_EQ(Read(P()), "0123456789");
    EXPECT_TRUE(TestEnv::Exists(S()));
    EXPECT_FALSE(TestEnv::Exists(T()));
}

TEST_F(EngineTest, ConnectionClosedEarlyKeepsPartialFileForResume)
{
    ScriptedHttpServer server([](const HttpRequest &) {
        HttpResponse response = HttpResponse::Make(200, {}, {{"ETag", kEtag}, {"Content-Length", "43"}}, false);
        response.body = kHead; // then the connection closes
        return response;
    });
    const QUrl url = server.url("/file.bin");
    const EngineOutcome outcome = RunResume(engine, url, QT());
    EXPECT_TRUE(outcome.error);
    EXPECT_EQ(Read(P()), kHead.toStdString());

    server.setHandler(ServeResource);
    const EngineOutcome resumed = RunResume(engine, url, QT());
    EXPECT_FALSE(resumed.error);
    EXPECT_EQ(server.requests().last().header("range"), "bytes=10-");
    EXPECT_EQ(Read(T()), kBody.toStdString());
}

// ---------------------------------------------------------------------------------------------------
// Requests that fail before a reply exists.

TEST_F(EngineTest, FailureBeforeReplyIsReportedLaterWithDecreasingIds)
{
    engine.SetInternetAccessBlocked(true);
    bool reportedSynchronously = false;
    auto connection =
        QObject::connect(&engine, &QHttpWithResume::ResumeRequestFinished,
                         [&](int, bool, QNetworkReply *, const QByteArray &) { reportedSynchronously = true; });
    QNetworkReply *reply = engine.ResumeGet(QUrl("http://127.0.0.1:9/x"), QT());
    EXPECT_EQ(reply, nullptr);
    EXPECT_FALSE(reportedSynchronously);
    QObject::disconnect(connection);

    // The first report arrives from the event loop.
    EngineOutcome first;
    {
        QEventLoop loop;
        QObject::connect(&engine, &QHttpWithResume::ResumeRequestFinished, &loop,
                         [&](int id, bool error, QNetworkReply *resp, const QByteArray &) {
                             first = {true, id, error, 0, resp != nullptr, {}};
                             loop.quit();
                         });
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    EXPECT_TRUE(first.finished);
    EXPECT_EQ(first.id, -1);
    EXPECT_TRUE(first.error);
    EXPECT_FALSE(first.hadReply);
    EXPECT_EQ(engine.GetErrorString(), "Internet access is disabled by the system administrator.");
    EXPECT_EQ(engine.GetErrorCode(), 99);

    const EngineOutcome second =
        RunEngine(engine, [&] { engine.Get(QUrl("http://127.0.0.1:9/x"), std::make_shared<QBuffer>()); });
    EXPECT_EQ(second.id, -2);

    engine.SetInternetAccessBlocked(false);
    const QString unwritable = QString::fromStdString(dir.file("missing/dir/file.bin"));
    const EngineOutcome third = RunResume(engine, QUrl("http://127.0.0.1:9/x"), unwritable);
    EXPECT_EQ(third.id, -3);
    EXPECT_EQ(engine.GetErrorString(), QString("Unable to open %1.part for writing.").arg(unwritable));
}

// ---------------------------------------------------------------------------------------------------
// Inactivity.

TEST_F(EngineTest, EveryChunkRestartsTheInactivityPeriod)
{
    ScriptedHttpServer server([](const HttpRequest &) {
        HttpResponse response = HttpResponse::Make(200, {}, {{"ETag", kEtag}, {"Content-Length", "43"}}, false);
        for (int i = 0; i < kBody.size(); i += 9)
            response.pieces.append(kBody.mid(i, 9));
        response.pieceDelayMs = 150; // five pieces: 750 ms in all, far beyond one period
        return response;
    });
    engine.SetTimeout(400);
    const EngineOutcome outcome = RunResume(engine, server.url("/file.bin"), QT());
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(Read(T()), kBody.toStdString());
}

TEST_F(EngineTest, StallIsAbortedAndResumesLater)
{
    ScriptedHttpServer server([](const HttpRequest &) {
        HttpResponse response = HttpResponse::Make(200, {}, {{"ETag", kEtag}, {"Content-Length", "43"}}, false);
        response.body = kHead;
        response.stall = true;
        return response;
    });
    engine.SetTimeout(300);
    const QUrl url = server.url("/file.bin");
    const EngineOutcome outcome = RunResume(engine, url, QT());
    ASSERT_TRUE(outcome.finished);
    EXPECT_TRUE(outcome.error);
    EXPECT_EQ(engine.GetErrorString(), QString());
    EXPECT_EQ(Read(P()), kHead.toStdString());
    EXPECT_TRUE(TestEnv::Exists(S()));

    server.setHandler(ServeResource);
    const EngineOutcome resumed = RunResume(engine, url, QT());
    EXPECT_FALSE(resumed.error);
    EXPECT_EQ(server.requests().last().header("range"), "bytes=10-");
    EXPECT_EQ(Read(T()), kBody.toStdString());
}

TEST_F(EngineTest, ProgressCountsBytesAlreadyOnDisk)
{
    ScriptedHttpServer server(ServeResource);
    const QUrl url = server.url("/file.bin");
    TestEnv::WriteFile(P(), kHead.toStdString());
    TestEnv::WriteFile(S(), StateText(kEtag, url.toEncoded(), "43", kDate));
    qint64 lastDone = -1, lastTotal = -1;
    QObject::connect(&engine, &QHttpWithResume::ResumeDataReadProgress, [&](qint64 done, qint64 total) {
        lastDone = done;
        lastTotal = total;
    });
    ASSERT_FALSE(RunResume(engine, url, QT()).error);
    EXPECT_EQ(lastDone, 43);
    EXPECT_EQ(lastTotal, 43);
}

// ---------------------------------------------------------------------------------------------------

TEST(HashTest, NamesAndKinds)
{
    struct Entry {
        const char *name;
        int value;
        QCryptographicHash::Algorithm kind;
    };
    const Entry entries[] = {
        {"md5", 1, QCryptographicHash::Md5},
        {"sha224", 2, QCryptographicHash::Sha224},
        {"sha256", 3, QCryptographicHash::Sha256},
        {"sha384", 4, QCryptographicHash::Sha384},
        {"sha512", 5, QCryptographicHash::Sha512},
        {"sha3_224", 6, QCryptographicHash::Keccak_224},
        {"sha3_256", 7, QCryptographicHash::Keccak_256},
        {"sha3_384", 8, QCryptographicHash::Keccak_384},
        {"sha3_512", 9, QCryptographicHash::Keccak_512},
    };
    for (const Entry &e : entries) {
        EXPECT_EQ(Hash::fromString(e.name), e.value) << e.name;
        EXPECT_EQ(Hash::toQAlgorithm(e.value), e.kind) << e.name;
    }
    for (const char *other : {"SHA256", "", "sha3-256", "md5 "})
        EXPECT_EQ(Hash::fromString(other), Hash::None) << other;
    EXPECT_EQ(Hash::toQAlgorithm(0), QCryptographicHash::Md5);
    EXPECT_EQ(Hash::toQAlgorithm(10), QCryptographicHash::Md5);
}

} // namespace
