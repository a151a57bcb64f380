// Namespace URIs and fixed texts of the gallery documents (imsmanifest.xml, metadata.xml).
#pragma once

namespace GalleryXml
{

constexpr const char *ImsCpNamespace = "http://www.imsglobal.org/xsd/imscp_v1p1";
constexpr const char *AdlCpNamespace = "http://www.adlnet.org/xsd/adlcp_v1p3";
constexpr const char *LomNamespace = "http://ltsc.ieee.org/xsd/LOM";
constexpr const char *GalleryNamespace = "http://gallery.keldalabs.invalid/2006-01/gallery";
constexpr const char *MetadataObjectUri = "http://www.adlnet.org/metadata/MDO_01";
constexpr const char *FileSource = "Kelda Vellum Linux Version 1.0.92.0";
constexpr const char *ManifestVersion = "2006-01";
// U+FEFF in UTF-8: stands for an empty multilingual text so that no element is empty.
constexpr const char *EmptyMarker = "\xEF\xBB\xBF";

} // namespace GalleryXml
