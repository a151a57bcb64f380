// Parsers of the configuration sections.
#include "configuration/ConfigurationSections.h"

#include <tinyxml2.h>

namespace
{

CAtlString Attribute(const tinyxml2::XMLElement *element, const char *name)
{
    const char *value = element ? element->Attribute(name) : nullptr;
    return value ? Text::FromUtf8(value) : CAtlString();
}

// The "Value" attribute of a child element.
CAtlString ChildValue(const tinyxml2::XMLElement *parent, const char *child)
{
    return Attribute(parent->FirstChildElement(child), "Value");
}

int IntAttribute(const tinyxml2::XMLElement *element, const char *name)
{
    int value = 0;
    if (element && element->QueryIntAttribute(name, &value) == tinyxml2::XML_SUCCESS) return value;
    return 0;
}

} // namespace

namespace ConfigurationFiles
{

bool IsContainedName(const CAtlString &name)
{
    if (name.empty() || name[0] == L'/' || name[0] == L'\\') return false;
    for (const CAtlString &level : Text::Split(Text::ReplaceAll(name, L"\\", L"/"), L'/'))
        if (level == L"." || level == L"..") return false;
    return true;
}

bool AddFile(FileList &list, const CAtlString &name)
{
    return IsContainedName(name) && list.AddRelativeFilePath(CKeldaFilePath(name));
}

bool AddDirectory(FileList &list, const CAtlString &name)
{
    return IsContainedName(name) && list.AddRelativeDirectoryPath(CKeldaDirectoryPath(name));
}

} // namespace ConfigurationFiles

bool CGalleryData::Read(const tinyxml2::XMLElement *gallery)
{
    if (!gallery) return false;
    guid = Attribute(gallery, "GUID");
    defaultSource = Attribute(gallery, "DefaultSource");
    name = Attribute(gallery, "Name");
    for (const tinyxml2::XMLElement *element = gallery->FirstChildElement("Category"); element;
         element = element->NextSiblingElement("Category")) {
        CCategory category;
        category.shortId = Attribute(element, "ShortID");
        category.guid = Attribute(element, "GUID");
        if (category.IsValid()) categories[category.shortId] = category;
    }
    return true;
}

bool CApplicationData::Read(const tinyxml2::XMLElement *application)
{
    if (!application) return false;
    title = ChildValue(application, "Title");
    aboutFile = ChildValue(application, "About");
    pathOverride = ChildValue(application, "PathOverride");
    styleSheetFile = ChildValue(application, "StyleSheet");
    if (const tinyxml2::XMLElement *splash = application->FirstChildElement("SplashScreen")) {
        splashScreenTextFile = Attribute(splash, "Text");
        splashScreenTextOffsetX = IntAttribute(splash, "TextOffset_X");
        splashScreenTextOffsetY = IntAttribute(splash, "TextOffset_Y");
        showSplashScreenText = Attribute(splash, "ShowText") == L"true";
    }
    if (fileList) {
        for (const CAtlString *file : {&aboutFile, &splashScreenTextFile, &styleSheetFile})
            if (!file->empty()) ConfigurationFiles::AddFile(*fileList, *file);
        if (const tinyxml2::XMLElement *additional = application->FirstChildElement("AdditionalFiles")) {
            for (const tinyxml2::XMLElement *e = additional->FirstChildElement("Directory"); e;
                 e = e->NextSiblingElement("Directory"))
                ConfigurationFiles::AddDirectory(*fileList, Attribute(e, "Path"));
            for (const tinyxml2::XMLElement *e = additional->FirstChildElement("File"); e;
                 e = e->NextSiblingElement("File"))
                ConfigurationFiles::AddFile(*fileList, Attribute(e, "Path"));
        }
    }
    return true;
}

bool COrganizationData::Read(const tinyxml2::XMLElement *organization)
{
    if (!organization) return false;
    name = ChildValue(organization, "Name");
    logoFile = ChildValue(organization, "Logo");
    licenseFile = ChildValue(organization, "License");
    if (fileList)
        for (const CAtlString *file : {&logoFile, &licenseFile})
            if (!file->empty()) ConfigurationFiles::AddFile(*fileList, *file);
    return true;
}
