// The two thread bases: synchronous and threaded starts, joining, cancellation of a sleep, and a Qt
// thread whose procedure runs a nested wait for queued events inside its own loop.
#include "common/TestEnv.h"
#include "gallery/facade/GalleryThreadBase.h"
#include "gallery/facade/QtGalleryThreadBase.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace
{

class FunctionThread : public CGalleryThreadBase
{
  public:
    explicit FunctionThread(std::function<HRESULT(FunctionThread &)> body) : m_body(std::move(body)) {}
    ~FunctionThread() override
    {
        Cancel();
        Join();
    }
    bool Nap(double seconds) { return CancellableSleep(seconds); }

  protected:
    HRESULT ThreadProc() override { return m_body(*this); }

  private:
    std::function<HRESULT(FunctionThread &)> m_body;
};

struct FinishCounter : IGalleryThreadObserver, IQtGalleryThreadObserver {
    std::atomic<int> count{0};
    void OnThreadFinished(CGalleryThreadBase *) override { ++count; }
    void OnThreadFinished(CQtGalleryThreadBase *) override { ++count; }
};

TEST(GalleryThreadBase, SynchronousStartRunsOnTheCallerAndJoinReturnsAtOnce)
{
    const std::thread::id caller = std::this_thread::get_id();
    std::thread::id ranOn;
    FunctionThread thread([&](FunctionThread &) {
        ranOn = std::this_thread::get_id();
        return E_INVALIDARG;
    });
    FinishCounter finished;
    thread.SetObserver(&finished);
    EXPECT_EQ(thread.Start(true), E_INVALIDARG);
    EXPECT_EQ(ranOn, caller);
    EXPECT_EQ(thread.GetExitCode(), E_INVALIDARG);
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(finished.count, 1);
    thread.Join();
    EXPECT_EQ(thread.Start(true), E_FAIL); // one start per object
}

TEST(GalleryThreadBase, ThreadedStartJoinsWithItsExitCode)
{
    std::atomic<bool> release{false};
    FunctionThread thread([&](FunctionThread &) {
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return S_FALSE;
    });
    FinishCounter finished;
    thread.SetObserver(&finished);
    ASSERT_EQ(thread.Start(false), S_OK);
    EXPECT_TRUE(thread.IsRunning()); // already before the procedure begins
    // Events posted to the joining thread are still delivered while it waits.
    bool delivered = false;
    QTimer::singleShot(0, QCoreApplication::instance(), [&] {
        delivered = true;
        release = true;
    });
    thread.Join();
    EXPECT_TRUE(delivered);
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(thread.GetExitCode(), S_FALSE);
    EXPECT_EQ(finished.count, 1);
}

TEST(GalleryThreadBase, CancelWakesACancellableSleep)
{
    std::atomic<bool> sleeping{false};
    FunctionThread thread([&](FunctionThread &self) {
        sleeping = true;
        return self.Nap(300) ? S_OK : E_ABORT;
    });
    ASSERT_EQ(thread.Start(false), S_OK);
    while (!sleeping)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const auto start = std::chrono::steady_clock::now();
    thread.Cancel();
    thread.Join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    EXPECT_EQ(thread.GetExitCode(), E_ABORT);
    EXPECT_TRUE(thread.IsCancelled());
}

TEST(GalleryThreadBase, SleepTreatsNegativeAsZero)
{
    const auto start = std::chrono::steady_clock::now();
    CGalleryThreadBase::Sleep(-100);
    CQtGalleryThreadBase::Sleep(-100);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

class FunctionQtThread : public CQtGalleryThreadBase
{
  public:
    explicit FunctionQtThread(std::function<HRESULT()> body) : m_body(std::move(body)) {}

  protected:
    HRESULT ThreadProc() override { return m_body(); }

  private:
    std::function<HRESULT()> m_body;
};

TEST(QtGalleryThreadBase, ProcedureRunsANestedWaitInsideItsOwnLoop)
{
    int loopLevel = -1;
    bool onWorker = false, answered = false;
    FunctionQtThread *self = nullptr;
    FunctionQtThread thread([&]() -> HRESULT {
        onWorker = QThread::currentThread() == self;
        loopLevel = self->loopLevel();
        self->Join(); // a thread never waits for itself
        // Like a network reply: ask the main thread, which answers with a queued call back into an
        // object of this thread; a local loop waits for it.
        QEventLoop wait;
        QObject receiver;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [&] {
                QMetaObject::invokeMethod(
                    &receiver,
                    [&] {
                        answered = true;
                        wait.quit();
                    },
                    Qt::QueuedConnection);
            },
            Qt::QueuedConnection);
        QTimer::singleShot(30000, &wait, &QEventLoop::quit);
        wait.exec();
        return answered ? S_FALSE : E_FAIL;
    });
    self = &thread;
    FinishCounter finished;
    thread.SetObserver(&finished);
    ASSERT_EQ(thread.Start(false), S_OK);
    thread.Join();
    EXPECT_TRUE(onWorker);
    EXPECT_GE(loopLevel, 1);
    EXPECT_TRUE(answered);
    EXPECT_EQ(thread.GetExitCode(), S_FALSE);
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(finished.count, 1);
}

TEST(QtGalleryThreadBase, SynchronousStartReturnsTheResultAndJoinReturnsAtOnce)
{
    const QThread *caller = QThread::currentThread();
    const QThread *ranOn = nullptr;
    FunctionQtThread thread([&] {
        ranOn = QThread::currentThread();
        return E_ABORT;
    });
    EXPECT_EQ(thread.GetStartPriority(), QThread::InheritPriority);
    EXPECT_EQ(thread.Start(true), E_ABORT);
    EXPECT_EQ(ranOn, caller);
    EXPECT_FALSE(thread.IsRunning());
    thread.Join();
    EXPECT_EQ(thread.GetExitCode(), E_ABORT);
}

} // namespace
