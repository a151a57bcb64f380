// CGalleryManifestCollection: an ordered array of owned manifests, searchable by identifier and by
// XML file path.
#pragma once

#include "gallery/records/GalleryRecordArray.h"

class CGalleryManifestCollection : public CGalleryRecordArray<CGalleryManifest>
{
  public:
    [[nodiscard]] static HRESULT CreateInstance(CGalleryManifestCollection **out)
    {
        return CreateGalleryCollection(out);
    }
    static void DeleteInstance(CGalleryManifestCollection **inOut) { DeleteGalleryCollection(inOut); }
    using CGalleryRecordArray<CGalleryManifest>::IndexOf;
    // By XML path, compared without regard to case like path values.
    uint32_t IndexOfXmlPath(const wchar_t *xmlPath) const;
};
static_assert(std::is_standard_layout_v<CGalleryManifestCollection>);
using CGalleryManifestEnumerator = CGalleryManifestCollection::Enumerator;
