// The worker thread with its own event loop.
#include "support/QThreadWithLoop.h"

#include "support/Qtfier.h"
#include "support/WaitWithQtEvents.h"

#include <QTimer>

void QThreadWithLoop::run()
{
    m_loopDone = false;
    Qtfier starter([this] { Run(); });
    QTimer timer;
    timer.setSingleShot(true);
    timer.setInterval(0);
    connect(&timer, &QTimer::timeout, &starter, &Qtfier::Slot);
    timer.start();
    m_exitCode = exec();
    m_loopDone = true;
}

void QThreadWithLoop::Run()
{
    const int result = m_callable ? m_callable() : 1;
    exit(result);
}

void QThreadWithLoop::Join()
{
    // A thread cannot wait for its own end.
    if (QThread::currentThread() == this) return;
    WaitWithQtEvents waiter([this] { return isRunning() && !m_loopDone; });
    // finished() comes after run() has returned, so the woken condition sees the loop as done.
    const auto connection = connect(
        this, &QThread::finished, &waiter, [&waiter] { waiter.Wake(); }, Qt::QueuedConnection);
    waiter.Wait();
    disconnect(connection);
    wait();
}
