// File modification stamps.
#include "gallery/records/GalleryFileStamp.h"

#include "gallery/facade/Gallery.h"
#include "gallery/records/GalleryRecordAlloc_p.h"
#include "support/Text.h"

#include <sys/stat.h>
#include <sys/time.h>

#include <cstdlib>

HRESULT CGalleryFileStamp::CreateInstance(CGalleryFileStamp **out)
{
    return CreateGalleryRecord(out);
}

void CGalleryFileStamp::DeleteInstance(CGalleryFileStamp **inOut)
{
    DeleteGalleryRecord(inOut);
}

HRESULT CGalleryFileStamp::GetStampFromFile(const wchar_t *path)
{
    if (!path) return E_INVALIDARG;
    struct stat st {
    };
    if (::stat(Text::ToUtf8(path).c_str(), &st) != 0) return E_FAIL;
    m_seconds = static_cast<int64_t>(st.st_mtime);
    return S_OK;
}

HRESULT CGalleryFileStamp::SetStampOfFile(const wchar_t *path) const
{
    if (!path) return E_INVALIDARG;
    struct timeval times[2]{};
    times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(m_seconds);
    return ::utimes(Text::ToUtf8(path).c_str(), times) == 0 ? S_OK : E_FAIL;
}

int CGalleryFileStamp::Compare(const CGalleryFileStamp *other) const
{
    if (!other) return -1;
    const int64_t difference = m_seconds - other->m_seconds;
    return difference > 0 ? 1 : (difference < 0 ? -1 : 0);
}

void CGalleryFileStamp::Increment(double seconds)
{
    m_seconds += static_cast<int64_t>(seconds);
}

HRESULT CGalleryFileStamp::Clone(CGalleryFileStamp **out) const
{
    const HRESULT hr = CreateInstance(out);
    if (SUCCEEDED(hr)) (*out)->m_seconds = m_seconds;
    return hr;
}
