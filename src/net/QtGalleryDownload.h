// QtGalleryDownload: the gallery installation's file download, one blocking call.
#pragma once

#include "support/Result.h"
#include "support/Text.h"

class IDownloadObserver;

// Downloads url into fileName (replacing it); S_OK on success, E_FAIL otherwise. observer may be null.
HRESULT QtGalleryDownload(const CAtlString &url, const CAtlString &fileName, IDownloadObserver *observer);
