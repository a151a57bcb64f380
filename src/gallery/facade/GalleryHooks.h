// Services that the gallery library needs from higher layers, registered by the program at start-up
// before CGallery::Initialize. Without a registration the library goes on without the service.
#pragma once

#include "support/Text.h"

#include <functional>

namespace CGalleryHooks
{

// The downloader's credential prompt proxy: created on the calling thread by the first Initialize and
// destroyed by the last Uninitialize.
void SetCredentialProxyHooks(std::function<void()> create, std::function<void()> destroy);
// The host application's language; the library falls back to the locale settings, then to "en".
void SetBoardLanguageSource(std::function<CAtlString()> source);

// Used by the facade.
void CreateCredentialProxy();
void DestroyCredentialProxy();
[[nodiscard]] bool GetBoardLanguage(CAtlString &out);

} // namespace CGalleryHooks
