// The blocking downloader, the gallery downloader and the process-wide proxy and server credentials,
// against the scripted loopback server.
#include "net/ScriptedHttpServer.h"

#include "common/TestEnv.h"
#include "net/GalleryDownloader.h"
#include "net/IDownloadObserver.h"
#include "net/ProxyHandler.h"
#include "net/QtDownloader.h"
#include "net/QtDownloaderSignalProxy.h"
#include "net/QtGalleryDownload.h"

#include <gtest/gtest.h>

#include <QAuthenticator>
#include <QDir>
#include <QFile>
#include <QNetworkProxy>

#include <memory>

namespace
{

const QByteArray kBody = "gallery package bytes, gallery package bytes";

HttpResponse ServeFile(const HttpRequest &request)
{
    if (request.target.endsWith("/missing.zip")) return HttpResponse::Make(404, "not found");
    return HttpResponse::Make(200, kBody, {{"ETag", "\"p1\""}});
}

class RecordingObserver : public IDownloadObserver
{
  public:
    void OnProgress(int done, int total, int reserved, const CAtlString &text) override
    {
        lastDone = done;
        lastTotal = total;
        EXPECT_EQ(reserved, 0);
        EXPECT_TRUE(text.empty());
        ++calls;
    }
    bool IsCancelled() override { return cancelAfterFirst && calls > 0; }
    IProxyObserver *ProxyObserver() override { return proxyObserver; }

    int calls = 0;
    int lastDone = -1;
    int lastTotal = -1;
    bool cancelAfterFirst = false;
    IProxyObserver *proxyObserver = nullptr;
};

TEST(QtDownloaderTest, DownloadReplacesTargetAndReportsProgress)
{
    ScriptedHttpServer server(ServeFile);
    TestEnv::TempDir dir;
    const std::string target = dir.file("pack.zip");
    TestEnv::WriteFile(target, "an older file");
    RecordingObserver observer;

    QtDownloader::QtDownloader downloader;
    EXPECT_EQ(downloader.Download(server.url("/pack.zip"), QString::fromStdString(target), &observer), S_OK);
    EXPECT_EQ(TestEnv::ReadFile(target), kBody.toStdString());
    EXPECT_GT(observer.calls, 0);
    EXPECT_EQ(observer.lastDone, kBody.size());
    EXPECT_EQ(observer.lastTotal, kBody.size());
    // The older file was deleted first, so this was a full download, not a conditional one.
    EXPECT_EQ(server.requests().last().header("if-none-match"), "<absent>");
}

TEST(QtDownloaderTest, FailuresReduceToFail)
{
    ScriptedHttpServer server(ServeFile);
    TestEnv::TempDir dir;
    QtDownloader::QtDownloader downloader;
    EXPECT_EQ(downloader.Download(server.url("/missing.zip"), QString::fromStdString(dir.file("m.zip")), nullptr),
              E_FAIL);
    EXPECT_FALSE(TestEnv::Exists(dir.file("m.zip")));

    downloader.Engine().SetInternetAccessBlocked(true);
    EXPECT_EQ(downloader.Download(server.url("/pack.zip"), QString::fromStdString(dir.file("b.zip")), nullptr), E_FAIL);
    EXPECT_FALSE(TestEnv::Exists(dir.file("b.zip")));
}

TEST(QtDownloaderTest, CancelledObserverAbortsAndKeepsPartialFile)
{
    ScriptedHttpServer server([](const HttpRequest &) {
        HttpResponse response = HttpResponse::Make(200, {}, {{"ETag", "\"p1\""}, {"Content-Length", "44"}}, false);
        response.body = kBody.left(4);
        response.pieces = {kBody.mid(4)};
        response.pieceDelayMs = 2000;
        return response;
    });
    TestEnv::TempDir dir;
    const std::string target = dir.file("pack.zip");
    RecordingObserver observer;
    observer.cancelAfterFirst = true;
    QtDownloader::QtDownloader downloader;
    EXPECT_EQ(downloader.Download(server.url("/pack.zip"), QString::fromStdString(target), &observer), E_FAIL);
    EXPECT_EQ(observer.calls, 1);
    EXPECT_EQ(TestEnv::ReadFile(target + ".part"), kBody.left(4).toStdString());
    EXPECT_TRUE(TestEnv::Exists(target + ".st"));
}

TEST(QtGalleryDownloadTest, WideTextEntryPoint)
{
    ScriptedHttpServer server(ServeFile);
    TestEnv::TempDir dir;
    const CAtlString target = Text::FromUtf8(dir.file("pack.zip"));
    EXPECT_EQ(QtGalleryDownload(Text::FromQt(server.url("/pack.zip").toString()), target, nullptr), S_OK);
    EXPECT_EQ(TestEnv::ReadFile(dir.file("pack.zip")), kBody.toStdString());
}

// ---------------------------------------------------------------------------------------------------

QStringList TempEntries()
{
    return QDir(QDir::tempPath()).entryList(QDir::Files | QDir::NoDotAndDotDot);
}

TEST(GalleryDownloaderTest, DownloadsIntoFreshTemporaryFileWithTheUrlsExtension)
{
    ScriptedHttpServer server(ServeFile);
    NTrove::GalleryDownloader downloader;
    const QStringList before = TempEntries();

    const CAtlString first = downloader.DownloadFile(Text::FromQt(server.url("/dl/update.zip?v=2").toString()), 0, 0);
    const CAtlString second = downloader.DownloadFile(Text::FromQt(server.url("/dl/update.zip").toString()), 7, 9);
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(first, second);
    for (const CAtlString &path : {first, second}) {
        const QString qpath = Text::ToQt(path);
        EXPECT_TRUE(qpath.startsWith(QDir::tempPath() + "/")) << qpath.toStdString();
        EXPECT_TRUE(qpath.endsWith(".zip")) << qpath.toStdString();
        EXPECT_EQ(TestEnv::ReadFile(Text::ToUtf8(path)), kBody.toStdString());
        EXPECT_FALSE(QFile::exists(qpath + ".st"));
        EXPECT_FALSE(QFile::exists(qpath + ".part"));
    }
    EXPECT_EQ(TempEntries().size(), before.size() + 2);
    QFile::remove(Text::ToQt(first));
    QFile::remove(Text::ToQt(second));
}

TEST(GalleryDownloaderTest, FailureLeavesNothingBehind)
{
    ScriptedHttpServer server(ServeFile);
    NTrove::GalleryDownloader downloader;
    const QStringList before = TempEntries();
    EXPECT_EQ(downloader.DownloadFile(Text::FromQt(server.url("/missing.zip").toString()), 0, 0), CAtlString());
    EXPECT_EQ(TempEntries(), before);
}

// ---------------------------------------------------------------------------------------------------
// Credentials. The scripted server plays an HTTP proxy or a server that wants Basic credentials.

QByteArray Basic(const char *user, const char *password)
{
    return "Basic " + (QByteArray(user) + ":" + password).toBase64();
}

class ApplicationProxyTest : public ::testing::Test
{
  protected:
    void TearDown() override { QNetworkProxy::setApplicationProxy(QNetworkProxy()); }
};

TEST_F(ApplicationProxyTest, ProxyCredentialsFromTheObserverAreReusedByLaterDownloads)
{
    ScriptedHttpServer proxy([](const HttpRequest &request) {
        if (request.header("proxy-authorization") != Basic("alice", "secret"))
            return HttpResponse::Make(407, "auth", {{"Proxy-Authenticate", "Basic realm=\"office\""}});
        return ServeFile(request);
    });
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, "127.0.0.1", proxy.port()));
    TestEnv::TempDir dir;

    ProxyHandler handler;
    handler.user = L"alice";
    handler.password = L"secret";
    RecordingObserver observer;
    observer.proxyObserver = &handler;
    int prompts = 0;
    {
        QtDownloader::QtDownloader downloader;
        QObject::connect(&downloader, &QtDownloader::QtDownloader::promptForAuthentication,
                         [&](QAuthenticator *) { ++prompts; });
        EXPECT_EQ(downloader.Download(QUrl("http://gallery.invalid/pack.zip"), QString::fromStdString(dir.file("a")),
                                      &observer),
                  S_OK);
    }
    EXPECT_EQ(prompts, 1); // nothing stored in the proxies yet: the prompt signal, then the observer
    EXPECT_TRUE(handler.storedTried);
    EXPECT_EQ(proxy.requests().first().target, "http://gallery.invalid/pack.zip");
    EXPECT_EQ(QNetworkProxy::applicationProxy().user(), "alice");

    // A second downloader of the process has the credentials without asking anyone.
    {
        QtDownloader::QtDownloader downloader;
        QObject::connect(&downloader, &QtDownloader::QtDownloader::promptForAuthentication,
                         [&](QAuthenticator *) { ++prompts; });
        EXPECT_EQ(downloader.Download(QUrl("http://gallery.invalid/pack.zip"), QString::fromStdString(dir.file("b")),
                                      nullptr),
                  S_OK);
    }
    EXPECT_EQ(prompts, 1);
    EXPECT_EQ(TestEnv::ReadFile(dir.file("b")), kBody.toStdString());
}

TEST(ServerCredentialsTest, PromptOfTheSignalProxyAnswersServerRequests)
{
    ScriptedHttpServer server([](const HttpRequest &request) {
        if (request.header("authorization") != Basic("teacher", "pw"))
            return HttpResponse::Make(401, "who", {{"WWW-Authenticate", "Basic realm=\"gallery\""}});
        return ServeFile(request);
    });
    TestEnv::TempDir dir;

    // No prompt proxy: empty credentials, the download fails instead of hanging.
    {
        QtDownloader::QtDownloader downloader;
        EXPECT_EQ(downloader.Download(server.url("/pack.zip"), QString::fromStdString(dir.file("a")), nullptr), E_FAIL);
    }

    auto *prompt = QtDownloader::QtDownloaderSignalProxy::Create();
    int asked = 0;
    prompt->SetPrompt([&](QString &user, QString &password) {
        ++asked;
        user = "teacher";
        password = "pw";
    });
    {
        QtDownloader::QtDownloader downloader;
        EXPECT_EQ(downloader.Download(server.url("/pack.zip"), QString::fromStdString(dir.file("b")), nullptr), S_OK);
    }
    QtDownloader::QtDownloaderSignalProxy::Destroy();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(TestEnv::ReadFile(dir.file("b")), kBody.toStdString());
}

} // namespace
