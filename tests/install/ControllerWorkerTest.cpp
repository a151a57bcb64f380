// The controller reads and runs on a worker thread: while a slow HTTP source trickles its files, the
// calling thread keeps processing its events (a timer keeps firing, and the server itself lives on
// that thread), progress arrives on the worker, and Cancel from the calling thread ends the run with
// every unfinished item cancelled.
#include "ControllerTestSupport.h"

#include <QByteArray>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <memory>

using namespace ControllerTest;

namespace
{

// Serves the files of a folder over HTTP/1.1 on 127.0.0.1, pieceBytes every delayMs, one request per
// connection. It runs on the thread that created it, so it answers only while that thread processes
// events.
class TrickleServer
{
  public:
    TrickleServer(const std::string &root, int pieceBytes, int delayMs)
        : m_root(QString::fromStdString(root)), m_pieceBytes(pieceBytes), m_delayMs(delayMs)
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                Accept(socket);
        });
    }
    bool Listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    CAtlString Base() const { return Text::FromUtf8("http://127.0.0.1:" + std::to_string(m_server.serverPort())); }
    int Requests() const { return m_requests; }

  private:
    void Accept(QTcpSocket *socket)
    {
        auto request = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
            request->append(socket->readAll());
            if (!request->contains("\r\n\r\n")) return;
            ++m_requests;
            const QList<QByteArray> line = request->left(request->indexOf("\r\n")).split(' ');
            const QString path = line.size() > 1 ? QUrl::fromPercentEncoding(line[1]) : QString();
            QFile file(m_root + path);
            if (path.contains(QLatin1String("..")) || !file.open(QIODevice::ReadOnly)) {
                socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                socket->disconnectFromHost();
                return;
            }
            auto body = std::make_shared<QByteArray>(file.readAll());
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body->size()) +
                          "\r\nConnection: close\r\n\r\n");
            auto *timer = new QTimer(socket);
            QObject::connect(timer, &QTimer::timeout, socket, [this, socket, body, timer] {
                socket->write(body->left(m_pieceBytes));
                body->remove(0, m_pieceBytes);
                if (body->isEmpty()) {
                    timer->stop();
                    socket->disconnectFromHost();
                }
            });
            timer->start(m_delayMs);
        });
    }

    QTcpServer m_server;
    QString m_root;
    int m_pieceBytes;
    int m_delayMs;
    int m_requests = 0;
};

// Records whether every report came from a thread other than the calling one.
class ThreadCheckingObserver : public EngineTest::RecordingObserver
{
  public:
    void InstallationProgress(eGalleryInstallationProgress kind, CGalleryInstallationItem *item, const wchar_t *text,
                              int percent, int overall) override
    {
        if (QThread::currentThread() == m_caller) onCallingThread = true;
        if (kind == eGalleryInstallationProgressDownloading) downloading = true;
        EngineTest::RecordingObserver::InstallationProgress(kind, item, text, percent, overall);
    }
    std::atomic<bool> onCallingThread{false};
    std::atomic<bool> downloading{false};

  private:
    QThread *m_caller = QThread::currentThread();
};

class ControllerWorkerTest : public Fixture
{
  protected:
    void SetUp() override
    {
        Fixture::SetUp();
        Publish(EngineTest::SmallSource());
        m_server = std::make_unique<TrickleServer>(SourcePath(), 200, 15);
        ASSERT_TRUE(m_server->Listen());
        m_controller->SetSourceAddress(m_server->Base());
        m_ticker.setInterval(5);
        QObject::connect(&m_ticker, &QTimer::timeout, [this] { ++m_ticks; });
        m_ticker.start();
    }
    void TearDown() override
    {
        m_ticker.stop();
        Fixture::TearDown();
    }

    std::unique_ptr<TrickleServer> m_server;
    QTimer m_ticker;
    int m_ticks = 0;
    ThreadCheckingObserver m_observer;
};

TEST_F(ControllerWorkerTest, CallingThreadKeepsItsEventsWhileOpenAndRunWork)
{
    ASSERT_TRUE(m_controller->ReadGalleryState(&m_observer));
    const int ticksInOpen = m_ticks;
    EXPECT_GT(ticksInOpen, 3);
    ASSERT_EQ(m_controller->GetInstallation()->GetCount(), 3u);

    m_controller->SelectEverything();
    EXPECT_TRUE(m_controller->RunEverything(&m_observer));
    EXPECT_EQ(m_events.events, (std::vector<int>{0, 1, 3, 4}));
    EXPECT_GT(m_ticks - ticksInOpen, 10);
    EXPECT_FALSE(m_observer.onCallingThread) << "progress comes from the worker";
    EXPECT_GE(m_server->Requests(), 5) << "categories file and four packages";
    EXPECT_EQ(EngineTest::DescribeRecords(DestinationPath()).size(), 4u);
}

TEST_F(ControllerWorkerTest, CancelFromTheCallingThreadEndsTheRun)
{
    ASSERT_TRUE(m_controller->ReadGalleryState(&m_observer));
    m_controller->SelectEverything();
    // Cancelled by the calling thread once the first package is on its way.
    QTimer canceller;
    canceller.setInterval(5);
    QObject::connect(&canceller, &QTimer::timeout, [this, &canceller] {
        if (!m_observer.downloading) return;
        canceller.stop();
        m_controller->Cancel();
    });
    canceller.start();
    std::vector<HRESULT> statuses;
    m_events.onRunEnded = [&statuses](CGalleryInstallation *installation) {
        for (const CGalleryInstallationItem *item : installation->GetItems()) {
            EXPECT_TRUE(item->GetFinished()) << Text::ToUtf8(item->GetIdentifier());
            statuses.push_back(item->GetStatus());
        }
    };
    EXPECT_TRUE(m_controller->RunEverything(&m_observer));
    EXPECT_EQ(m_events.events, (std::vector<int>{0, 1, 3, 5}));
    EXPECT_EQ(statuses, (std::vector<HRESULT>{E_ABORT, E_ABORT, E_ABORT}));
    EXPECT_TRUE(EngineTest::DescribeRecords(DestinationPath()).empty());
}

} // namespace
