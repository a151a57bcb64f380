// Fixed names and locations of the gallery configuration. The functions resolve the absolute paths
// through TROVE_SYSROOT (the constants hold the documented texts).
#pragma once

#include "support/KeldaPath.h"

class Defaults
{
  public:
    static const wchar_t *const TEMP_KEY;                     // "Software/Kelda Labs/Trove/Temp"
    static const wchar_t *const GALLERY_COLLECTION_EXTENTION; // ".gallerycollection"
    static const wchar_t *const KNOWN_LANGUAGES_FILE;         // "knownlanguages.xml"
    static const wchar_t *const GALLERY_PATH;                 // "/opt/Kelda Labs/Vellum Galleries"
    static const wchar_t *const CONFIGURATION_PATH;           // GALLERY_PATH + "/Configurations"

    static CKeldaDirectoryPath GetTempDirectoryPath(); // "/tmp"
    static CKeldaDirectoryPath GetGalleryPath();
    static CKeldaDirectoryPath GetConfigurationPath();
};
