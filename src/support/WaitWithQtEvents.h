// WaitWithQtEvents blocks its caller while a condition holds and keeps the calling thread's events
// flowing, so windows stay responsive while the main thread waits for a worker.
#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <functional>

class WaitWithQtEvents : public QObject
{
    Q_OBJECT
  public:
    // Waits while condition() is true.
    explicit WaitWithQtEvents(std::function<bool()> condition);
    // Waits until milliseconds have passed since construction or the last RestartTimer().
    explicit WaitWithQtEvents(int milliseconds);

    void RestartTimer() { m_elapsed.restart(); }
    // Returns when the condition no longer holds. The condition is examined after every batch of events
    // and at least every 500 ms.
    void Wait();
    // Makes a waiting Wait() look at its condition now; safe to call from any thread.
    void Wake();

  protected:
    void timerEvent(QTimerEvent *event) override;

  private:
    std::function<bool()> m_condition;
    QElapsedTimer m_elapsed;
    int m_milliseconds = -1;
};
