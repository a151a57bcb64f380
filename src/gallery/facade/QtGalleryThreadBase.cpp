#include "gallery/facade/QtGalleryThreadBase.h"

CQtGalleryThreadBase::CQtGalleryThreadBase(QObject *parent)
    : QThreadWithLoop([this] { return static_cast<int>(ThreadProc()); }, parent)
{
}

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
    // The loop ends with the procedure's result, which becomes the exit code.
    QThreadWithLoop::run();
    m_exitCode = static_cast<HRESULT>(QThreadWithLoop::GetExitCode());
    if (m_observer) m_observer->OnThreadFinished(this);
    m_running = false;
}

void CQtGalleryThreadBase::Join()
{
    if (!m_running) return;
    // The loop's wait ends once run() has returned, that is after the observer was told.
    QThreadWithLoop::Join();
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
