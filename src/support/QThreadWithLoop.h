// QThreadWithLoop: a worker thread with its own event loop that runs one callable inside that loop, so
// that network replies created by the callable are delivered by the worker's loop.
#pragma once

#include <QThread>

#include <atomic>
#include <functional>

class QThreadWithLoop : public QThread
{
    Q_OBJECT
  public:
    explicit QThreadWithLoop(std::function<int()> callable = {}, QObject *parent = nullptr)
        : QThread(parent), m_callable(std::move(callable))
    {
    }
    void SetCallable(std::function<int()> callable) { m_callable = std::move(callable); }

    // Runs the callable (on the worker thread) and ends the worker's loop with its result, or with 1
    // when there is no callable.
    void Run();
    // Waits for the thread to end while the calling thread keeps processing its events; returns at once
    // when the thread is not running or when called on the thread itself.
    void Join();
    // The worker loop's result: the callable's result once the thread has ended.
    int GetExitCode() const { return m_exitCode; }

  protected:
    void run() override;

  private:
    std::function<int()> m_callable;
    std::atomic<int> m_exitCode{0};
    std::atomic<bool> m_loopDone{false};
};
