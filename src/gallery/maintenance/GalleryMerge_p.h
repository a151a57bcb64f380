// Steps shared by merging (GalleryMerge.cpp) and repairing (GalleryMaintenance.cpp) manifests.
#pragma once

#include "support/KeldaPath.h"
#include "support/Result.h"

class CGalleryActivity;
class CGalleryActivityCollection;
class CGalleryMetadata;
class CGalleryOrganization;

namespace GalleryMerge
{

// The destination takes the source's keywords and title (replace).
[[nodiscard]] HRESULT ReplaceTexts(CGalleryMetadata *destination, const CGalleryMetadata *source);
// Merges the source activities into the destination list: an activity without namesake moves over
// (parent and organization set throughout its subtree), a namesake takes the texts, the child
// activities recursively and the files (updating files of the same identifier, moving the others).
[[nodiscard]] HRESULT MergeActivities(CGalleryActivityCollection *destination, CGalleryActivityCollection *source,
                                      CGalleryOrganization *organization, CGalleryActivity *parent);
// Whether an href stays inside the content directory (relative, no "." or ".." component).
bool IsContainedHref(const wchar_t *href);

} // namespace GalleryMerge
