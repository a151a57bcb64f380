#include "gallery/online/KDEXIntegration.h"

#include <tuple>

bool CKDEXIntegration::Urls::operator==(const Urls &o) const
{
    return std::tie(upp, mdp, lup, lupMethod, lst, lstMethod, dup, dlr, ulr, mup, ufp, fbs, srl) ==
           std::tie(o.upp, o.mdp, o.lup, o.lupMethod, o.lst, o.lstMethod, o.dup, o.dlr, o.ulr, o.mup, o.ufp, o.fbs,
                    o.srl);
}

CKDEXIntegration &CKDEXIntegration::instance()
{
    static CKDEXIntegration integration;
    return integration;
}

CKDEXIntegration::Urls CKDEXIntegration::GetUrls() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_urls;
}

void CKDEXIntegration::SetUrls(const Urls &urls)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_urls = urls;
}

CKDEXIntegration::TimeOuts CKDEXIntegration::GetTimeOuts() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_timeOuts;
}

void CKDEXIntegration::SetTimeOuts(const TimeOuts &timeOuts)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_timeOuts = timeOuts;
}
