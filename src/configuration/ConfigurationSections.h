// The parsed sections of "configuration.xml": the gallery with its categories, the application window's
// branding and the publishing organisation. File names are relative to the configuration folder and
// are entered into the configuration's file list as they are read.
#pragma once

#include <map>
#include <memory>

#include "support/FileList.h"
#include "support/Text.h"

namespace tinyxml2
{
class XMLElement;
}

class CCategory
{
  public:
    CAtlString shortId;
    CAtlString guid;
    bool IsValid() const { return !shortId.empty() && !guid.empty(); }
};

class CGalleryData
{
  public:
    // "GUID", "DefaultSource", "Name" and the "Category" children (incomplete ones skipped, a repeated
    // short id replacing the earlier one).
    bool Read(const tinyxml2::XMLElement *gallery);

    std::map<CAtlString, CCategory> categories; // by short id
    CAtlString guid;
    CAtlString defaultSource;
    CAtlString name;
};

class CApplicationData
{
  public:
    explicit CApplicationData(std::shared_ptr<FileList> files) : fileList(std::move(files)) {}
    bool Read(const tinyxml2::XMLElement *application);

    CAtlString title;
    std::shared_ptr<FileList> fileList;
    CAtlString aboutFile;
    CAtlString splashScreenTextFile;
    int splashScreenTextOffsetX = 0;
    int splashScreenTextOffsetY = 0;
    bool showSplashScreenText = false;
    CAtlString pathOverride;
    CAtlString styleSheetFile;
};

class COrganizationData
{
  public:
    explicit COrganizationData(std::shared_ptr<FileList> files) : fileList(std::move(files)) {}
    bool Read(const tinyxml2::XMLElement *organization);

    CAtlString name;
    CAtlString logoFile;
    CAtlString licenseFile;
    std::shared_ptr<FileList> fileList;
};

namespace ConfigurationFiles
{
// A name that stays inside the configuration folder: relative, without "." or ".." levels. Names
// from a configuration are used for copying and deleting, so anything else is refused.
bool IsContainedName(const CAtlString &name);
// Adds a contained file name to the list; other names are ignored (false).
bool AddFile(FileList &list, const CAtlString &name);
bool AddDirectory(FileList &list, const CAtlString &name);
} // namespace ConfigurationFiles
