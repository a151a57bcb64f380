#include "gallery/facade/GalleryHooks.h"

#include <mutex>

namespace
{

struct Hooks {
    std::mutex mutex;
    std::function<void()> createProxy;
    std::function<void()> destroyProxy;
    std::function<CAtlString()> boardLanguage;
    CGalleryHooks::DownloadFunction download;
};

Hooks &TheHooks()
{
    static Hooks hooks;
    return hooks;
}

template <class F> F Copy(F Hooks::*member)
{
    std::lock_guard<std::mutex> guard(TheHooks().mutex);
    return TheHooks().*member;
}

} // namespace

void CGalleryHooks::SetCredentialProxyHooks(std::function<void()> create, std::function<void()> destroy)
{
    std::lock_guard<std::mutex> guard(TheHooks().mutex);
    TheHooks().createProxy = std::move(create);
    TheHooks().destroyProxy = std::move(destroy);
}

void CGalleryHooks::SetBoardLanguageSource(std::function<CAtlString()> source)
{
    std::lock_guard<std::mutex> guard(TheHooks().mutex);
    TheHooks().boardLanguage = std::move(source);
}

void CGalleryHooks::CreateCredentialProxy()
{
    if (const auto create = Copy(&Hooks::createProxy)) create();
}

void CGalleryHooks::DestroyCredentialProxy()
{
    if (const auto destroy = Copy(&Hooks::destroyProxy)) destroy();
}

bool CGalleryHooks::GetBoardLanguage(CAtlString &out)
{
    const auto source = Copy(&Hooks::boardLanguage);
    if (!source) return false;
    out = source();
    return !out.empty();
}

void CGalleryHooks::SetDownloadHook(DownloadFunction download)
{
    std::lock_guard<std::mutex> guard(TheHooks().mutex);
    TheHooks().download = std::move(download);
}

HRESULT CGalleryHooks::Download(const CAtlString &url, const CAtlString &targetPath, bool &askedForAuthentication)
{
    askedForAuthentication = false;
    const auto download = Copy(&Hooks::download);
    if (!download) return E_NOTIMPL;
    return download(url, targetPath, askedForAuthentication);
}
