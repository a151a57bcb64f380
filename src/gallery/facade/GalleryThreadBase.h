// CGalleryThreadBase: background work of the gallery library on a plain POSIX thread (initialisation
// and the refresh thread). A derived class supplies ThreadProc; Start runs it on the caller's thread
// (synchronous) or on a new thread at the lowest scheduling priority of its policy.
#pragma once

#include "support/Result.h"

#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

class CGalleryThreadBase;
class WaitWithQtEvents;

class IGalleryThreadObserver
{
  public:
    virtual ~IGalleryThreadObserver() = default;
    // Called on the thread that ran the procedure, after the exit code is stored.
    virtual void OnThreadFinished(CGalleryThreadBase *thread) = 0;
};

// What both thread bases keep: the cancel flag, the running flag, the procedure's result, and the
// observer that hears of the procedure's end.
template <class Observer> class CGalleryThreadState
{
  public:
    bool IsCancelled() const { return m_cancel.load(); }
    bool IsRunning() const { return m_running.load(); }
    HRESULT GetExitCode() const { return m_exitCode.load(); }
    void SetObserver(Observer *observer) { m_observer = observer; }

  protected:
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_running{false};
    std::atomic<HRESULT> m_exitCode{S_OK};
    Observer *m_observer = nullptr;
};

class CGalleryThreadBase : public CGalleryThreadState<IGalleryThreadObserver>
{
  public:
    CGalleryThreadBase() = default;
    // A thread that is still running is cancelled and waited for.
    virtual ~CGalleryThreadBase();
    CGalleryThreadBase(const CGalleryThreadBase &) = delete;
    CGalleryThreadBase &operator=(const CGalleryThreadBase &) = delete;

    // Synchronous: runs the procedure now and returns its result. Otherwise S_OK once the thread is
    // created, E_FAIL when it cannot be (or when this object has already been started).
    [[nodiscard]] HRESULT Start(bool synchronous);
    // Sets the cancel flag and wakes a CancellableSleep.
    void Cancel();
    // Only for a created thread: waits until it ends, keeping the caller's Qt events flowing (when the
    // caller has an event loop), then reclaims the thread.
    void Join();
    // Whole and fractional seconds; negative means 0.
    static void Sleep(double seconds);
    // Lowers the calling thread to the minimum priority of its scheduling policy; failures are
    // reported on the error stream and ignored.
    static void SetLowPriority();

  protected:
    virtual HRESULT ThreadProc() = 0;
    // Sleeps up to seconds; returns at once when cancelled. False when cancelled.
    [[nodiscard]] bool CancellableSleep(double seconds);

  private:
    static void *ThreadEntry(void *self);
    void RunProcedure(bool ownThread);

    pthread_t m_thread{};
    bool m_created = false;
    bool m_started = false;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    // The wait of a Join in progress, woken when the procedure ends (guarded by m_mutex).
    WaitWithQtEvents *m_joiner = nullptr;
};
