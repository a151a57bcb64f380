// IProxyObserver: how a download asks the run's proxy handler for the proxy settings and for
// credentials. ProxyHandler (net/ProxyHandler.h) implements it.
#pragma once

#include "support/Text.h"

class IProxyObserver
{
  public:
    virtual ~IProxyObserver() = default;
    // The proxy host, port, user and password of the run.
    virtual void QuerySettings(CAtlString &host, int &port, CAtlString &user, CAtlString &password) = 0;
    // Credentials for the proxy at host:port; true when user and password were filled in.
    virtual bool AuthorizationRequred(const CAtlString &host, int port, CAtlString &user, CAtlString &password) = 0;
    // The person cancelled a credentials prompt: no further prompts.
    virtual void AuthorizationCanceled() = 0;
    virtual void DataReadProgress(int done, int total) = 0;
};
