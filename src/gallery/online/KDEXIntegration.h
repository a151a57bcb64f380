// CKDEXIntegration: the addresses and the request time-out of the online content-exchange service, as
// the urlresources document's "fsokdex" section gives them. One process-wide instance.
#pragma once

#include "support/Text.h"

#include <cstdint>
#include <mutex>

class CKDEXIntegration
{
  public:
    struct Urls {
        CAtlString upp, mdp, lup, lupMethod, lst, lstMethod, dup, dlr, ulr, mup, ufp, fbs, srl;
        bool operator==(const Urls &other) const;
    };
    struct TimeOuts {
        int32_t requestNetworkTimeOut = kDefaultRequestNetworkTimeOut;
    };
    static constexpr int32_t kDefaultRequestNetworkTimeOut = 36000000;

    static CKDEXIntegration &instance();

    Urls GetUrls() const;
    void SetUrls(const Urls &urls);
    TimeOuts GetTimeOuts() const;
    void SetTimeOuts(const TimeOuts &timeOuts);

  private:
    CKDEXIntegration() = default;
    mutable std::mutex m_mutex;
    Urls m_urls;
    TimeOuts m_timeOuts;
};
