// CGalleryFileStamp: a file's modification time in whole seconds, used to tell whether a manifest or
// its cache changed since it was read.
#pragma once

#include "support/Result.h"

#include <cstdint>
#include <type_traits>

class CGalleryFileStamp
{
  public:
    [[nodiscard]] static HRESULT CreateInstance(CGalleryFileStamp **out);
    static void DeleteInstance(CGalleryFileStamp **inOut);
    // Always S_OK: a fresh stamp is zero, "unknown".
    HRESULT Initialize()
    {
        m_seconds = 0;
        return S_OK;
    }
    void Finalize() {}

    // E_FAIL when the file cannot be examined (the stamp is then unchanged).
    [[nodiscard]] HRESULT GetStampFromFile(const wchar_t *path);
    // Sets the file's access and modification times to the stamp.
    [[nodiscard]] HRESULT SetStampOfFile(const wchar_t *path) const;
    // 1, 0, -1 by the sign of this minus other; -1 against no stamp.
    int Compare(const CGalleryFileStamp *other) const;
    // Adds the whole part of the seconds.
    void Increment(double seconds);
    [[nodiscard]] HRESULT Clone(CGalleryFileStamp **out) const;
    int64_t GetSeconds() const { return m_seconds; }
    void SetSeconds(int64_t seconds) { m_seconds = seconds; }

  private:
    int64_t m_seconds;
};
static_assert(std::is_standard_layout_v<CGalleryFileStamp>);
static_assert(sizeof(CGalleryFileStamp) == 8);
