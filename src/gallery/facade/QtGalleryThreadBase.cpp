#include "gallery/facade/QtGalleryThreadBase.h"

#include <QCoreApplication>
#include <QTimer>

#include <thread>

CQtGalleryThreadBase::CQtGalleryThreadBase(QObject *parent) : QThread(parent) {}

CQtGalleryThreadBase::~CQtGalleryThreadBase()
{
    if (isRunning()) {
        Cancel();
        wait();
    }
}

HRESULT CQtGalleryThreadBase::Start(bool synchronous)
{
    if (synchronous) {
        m_running = true;
        m_exitCode = ThreadProc();
        if (m_observer) m_observer->OnThreadFinished(this);
        m_running = false;
        return GetExitCode();
    }
    m_running = true;
    start(m_priority);
    return S_OK;
}

void CQtGalleryThreadBase::run()
{
    SetLowPriority();
    QtEventLoopWorkaround workaround(this);
    QTimer timer;
    timer.setSingleShot(true);
    timer.setInterval(1);
    QObject::connect(&timer, &QTimer::timeout, &workaround, &QtEventLoopWorkaround::Execute);
    timer.start();
    m_exitCode = exec();
    if (m_observer) m_observer->OnThreadFinished(this);
    m_running = false;
}

void QtEventLoopWorkaround::Execute()
{
    const HRESULT result = m_thread->ThreadProc();
    m_thread->exit(static_cast<int>(result));
}

void CQtGalleryThreadBase::Join()
{
    if (!m_running) return;
    QCoreApplication *application = QCoreApplication::instance();
    QThread *caller = QThread::currentThread();
    if (!application || caller == this || !caller->eventDispatcher()) {
        // No loop to keep alive here: a plain wait.
        if (caller != this) wait();
        return;
    }
    QTimer wake;
    QObject::connect(&wake, &QTimer::timeout, this, &CQtGalleryThreadBase::DummySlot);
    // The end of the thread posts to this thread too, so the wait ends without waiting for the timer.
    QObject::connect(
        this, &QThread::finished, &wake, [] {}, Qt::QueuedConnection);
    wake.start(500);
    while (m_running)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    wake.stop();
    wait();
}

void CQtGalleryThreadBase::Sleep(double seconds)
{
    const long milliseconds = seconds > 0 ? static_cast<long>(seconds * 1000) : 0;
    if (milliseconds > 0) QThread::msleep(static_cast<unsigned long>(milliseconds));
}

void CQtGalleryThreadBase::SetLowPriority()
{
    if (QThread *self = QThread::currentThread()) self->setPriority(QThread::LowPriority);
}
