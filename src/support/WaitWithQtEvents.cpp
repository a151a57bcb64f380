// Waiting while processing events.
#include "support/WaitWithQtEvents.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

WaitWithQtEvents::WaitWithQtEvents(std::function<bool()> condition) : m_condition(std::move(condition))
{
    m_elapsed.start();
}

WaitWithQtEvents::WaitWithQtEvents(int milliseconds) : m_milliseconds(milliseconds)
{
    m_elapsed.start();
    m_condition = [this, milliseconds] { return m_elapsed.elapsed() < milliseconds; };
}

void WaitWithQtEvents::Wait()
{
    if (!m_condition) return;
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread());
    if (!dispatcher) {
        // A thread without an event loop has no events to keep flowing (and cannot hold timers).
        while (m_condition())
            QThread::msleep(10);
        return;
    }
    const int timer = startTimer(500, Qt::CoarseTimer);
    // A timed wait also wakes at its deadline rather than at the next coarse tick.
    int deadline = 0;
    if (m_milliseconds >= 0) {
        const qint64 left = m_milliseconds - m_elapsed.elapsed();
        if (left > 0) deadline = startTimer(static_cast<int>(left), Qt::PreciseTimer);
    }
    while (m_condition())
        dispatcher->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    killTimer(timer);
    if (deadline) killTimer(deadline);
}

void WaitWithQtEvents::Wake()
{
    // A queued call is an event for the waiting thread, which wakes its dispatcher.
    QMetaObject::invokeMethod(
        this, [] {}, Qt::QueuedConnection);
}

void WaitWithQtEvents::timerEvent(QTimerEvent *) {}
