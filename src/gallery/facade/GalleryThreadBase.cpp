#include "gallery/facade/GalleryThreadBase.h"

#include "support/WaitWithQtEvents.h"

#include <sched.h>

#include <chrono>
#include <cstdio>
#include <thread>

CGalleryThreadBase::~CGalleryThreadBase()
{
    if (m_created) {
        Cancel();
        pthread_join(m_thread, nullptr);
        m_created = false;
    }
}

HRESULT CGalleryThreadBase::Start(bool synchronous)
{
    if (m_started) return E_FAIL;
    m_started = true;
    if (synchronous) {
        RunProcedure(false);
        return GetExitCode();
    }
    // Running is set before the thread exists so that a Join right after Start cannot miss it.
    m_running = true;
    if (pthread_create(&m_thread, nullptr, &CGalleryThreadBase::ThreadEntry, this) != 0) {
        m_running = false;
        m_exitCode = E_FAIL;
        return E_FAIL;
    }
    m_created = true;
    return S_OK;
}

void *CGalleryThreadBase::ThreadEntry(void *self)
{
    static_cast<CGalleryThreadBase *>(self)->RunProcedure(true);
    return nullptr;
}

void CGalleryThreadBase::RunProcedure(bool ownThread)
{
    // The caller's thread keeps its priority when the procedure runs synchronously.
    if (ownThread) SetLowPriority();
    m_running = true;
    m_exitCode = ThreadProc();
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_running = false;
        if (m_joiner) m_joiner->Wake();
    }
    m_wake.notify_all();
    if (m_observer) m_observer->OnThreadFinished(this);
}

void CGalleryThreadBase::Cancel()
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_cancel = true;
    }
    m_wake.notify_all();
}

void CGalleryThreadBase::Join()
{
    if (!m_created) return;
    WaitWithQtEvents waiter([this] { return m_running.load(); });
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_joiner = &waiter;
    }
    waiter.Wait();
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_joiner = nullptr;
    }
    pthread_join(m_thread, nullptr);
    m_created = false;
}

void CGalleryThreadBase::Sleep(double seconds)
{
    if (!(seconds > 0)) return;
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

bool CGalleryThreadBase::CancellableSleep(double seconds)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (seconds > 0) m_wake.wait_for(lock, std::chrono::duration<double>(seconds), [this] { return m_cancel.load(); });
    return !m_cancel.load();
}

void CGalleryThreadBase::SetLowPriority()
{
    const pthread_t self = pthread_self();
    int policy = 0;
    sched_param parameters{};
    if (pthread_getschedparam(self, &policy, &parameters) != 0) {
        std::fputs("Failed to get thread scheduling policy\n", stderr);
        return;
    }
    const int minimum = sched_get_priority_min(policy);
    if (minimum == -1) {
        std::fputs("Failed to determine thread scheduling ranges\n", stderr);
        return;
    }
    parameters.sched_priority = minimum;
    pthread_setschedparam(self, policy, &parameters);
}
