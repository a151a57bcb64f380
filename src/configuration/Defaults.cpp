#include "configuration/Defaults.h"

#include "support/SysRoot.h"

const wchar_t *const Defaults::TEMP_KEY = L"Software/Kelda Labs/Trove/Temp";
const wchar_t *const Defaults::GALLERY_COLLECTION_EXTENTION = L".gallerycollection";
const wchar_t *const Defaults::KNOWN_LANGUAGES_FILE = L"knownlanguages.xml";
const wchar_t *const Defaults::GALLERY_PATH = L"/opt/Kelda Labs/Vellum Galleries";
const wchar_t *const Defaults::CONFIGURATION_PATH = L"/opt/Kelda Labs/Vellum Galleries/Configurations";

CKeldaDirectoryPath Defaults::GetTempDirectoryPath()
{
    return CKeldaDirectoryPath(SysRoot::Path(std::wstring(L"/tmp")));
}

CKeldaDirectoryPath Defaults::GetGalleryPath()
{
    return CKeldaDirectoryPath(SysRoot::Path(std::wstring(GALLERY_PATH)));
}

CKeldaDirectoryPath Defaults::GetConfigurationPath()
{
    return CKeldaDirectoryPath(SysRoot::Path(std::wstring(CONFIGURATION_PATH)));
}
