// CQtGalleryThreadBase: background work on a Qt thread whose procedure runs inside a running event
// loop of its own thread, as the network objects it creates require. Used by the installation engine
// to open and run installations in the background. Starting the procedure inside the loop and waiting
// with events are those of QThreadWithLoop and WaitWithQtEvents.
#pragma once

#include "gallery/facade/GalleryThreadBase.h"
#include "support/QThreadWithLoop.h"
#include "support/Qtfier.h"
#include "support/Result.h"

#include <QObject>
#include <QThread>

#include <atomic>

class CQtGalleryThreadBase;

class IQtGalleryThreadObserver
{
  public:
    virtual ~IQtGalleryThreadObserver() = default;
    // Called on the thread that ran the procedure, after the exit code is stored.
    virtual void OnThreadFinished(CQtGalleryThreadBase *thread) = 0;
};

class CQtGalleryThreadBase : public QThreadWithLoop, public CGalleryThreadState<IQtGalleryThreadObserver>
{
    Q_OBJECT

  public:
    explicit CQtGalleryThreadBase(QObject *parent = nullptr);
    // A thread that is still running is cancelled and waited for.
    ~CQtGalleryThreadBase() override;

    // Synchronous: runs the procedure now and returns its result. Otherwise starts the thread with
    // the stored priority and returns S_OK.
    [[nodiscard]] HRESULT Start(bool synchronous);
    void Cancel() { m_cancel = true; }
    // The procedure's result (not the loop's int of QThreadWithLoop).
    using CGalleryThreadState<IQtGalleryThreadObserver>::GetExitCode;
    // Waits while the thread runs, processing the caller's events; returns at once when not running
    // or when called on the thread itself.
    void Join();
    // Whole milliseconds; negative means 0.
    static void Sleep(double seconds);
    // Lowers the calling thread's priority.
    static void SetLowPriority();
    void SetStartPriority(QThread::Priority priority) { m_priority = priority; }
    QThread::Priority GetStartPriority() const { return m_priority; }

  public slots:
    // Kept for connections that only need to wake the caller's loop.
    void DummySlot() {}

  protected:
    virtual HRESULT ThreadProc() = 0;
    void run() override;

  private:
    // QThreadWithLoop keeps a loop result of its own under the same name.
    using CGalleryThreadState<IQtGalleryThreadObserver>::m_exitCode;
    QThread::Priority m_priority = QThread::InheritPriority;
};

// The slot object that runs a thread's procedure once its loop is running: QThreadWithLoop starts
// its callable through it, and the callable ends the loop with the procedure's result.
using QtEventLoopWorkaround = Qtfier;
