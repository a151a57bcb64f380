// Services that the gallery library needs from higher layers, registered by the program at start-up
// before CGallery::Initialize. Without a registration the library goes on without the service.
#pragma once

#include "support/Result.h"
#include "support/Text.h"

#include <functional>

namespace CGalleryHooks
{

// The downloader's credential prompt proxy: created on the calling thread by the first Initialize and
// destroyed by the last Uninitialize.
void SetCredentialProxyHooks(std::function<void()> create, std::function<void()> destroy);
// The host application's language; the library falls back to the locale settings, then to "en".
void SetBoardLanguageSource(std::function<CAtlString()> source);
// Fetches url into the file targetPath (replacing it) and tells whether the server asked for
// credentials; S_OK when the file is there. The program registers the installation engine's download.
using DownloadFunction =
    std::function<HRESULT(const CAtlString &url, const CAtlString &targetPath, bool &askedForAuthentication)>;
void SetDownloadHook(DownloadFunction download);

// Used by the facade.
void CreateCredentialProxy();
void DestroyCredentialProxy();
[[nodiscard]] bool GetBoardLanguage(CAtlString &out);
// The registered download; E_NOTIMPL (nothing fetched) without one.
[[nodiscard]] HRESULT Download(const CAtlString &url, const CAtlString &targetPath, bool &askedForAuthentication);

} // namespace CGalleryHooks
