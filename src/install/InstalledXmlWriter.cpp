// Writing "updateinfo.xml" (see InstalledXmlWriter.h).
#include "install/InstalledXmlWriter.h"

#include "configuration/ConfigurationWrapper.h"
#include "install/GalleryInstallation.h"
#include "install/GalleryInstallationItem.h"
#include "support/DirectoryManipulator.h"
#include "support/FileManipulator.h"
#include "support/SaveFile.h"

#include <tinyxml2.h>

namespace NTrove
{

const wchar_t *const InstalledXmlWriter::FileName = L"updateinfo.xml";

namespace
{

// The version an item has in the destination after the run, or null when it is not there.
const CAtlString *RecordedVersion(const CGalleryInstallationItem &item)
{
    const HRESULT status = item.GetStatus();
    const CAtlString *installed = item.GetIsInstalled() ? &item.GetInstalledVersion() : nullptr;
    switch (item.GetAction()) {
    case eGalleryInstallationActionNone:
        return installed;
    case eGalleryInstallationActionInstall:
        // 4: installed over an uninstall record that was there already, which is installed all the same.
        return status == S_OK || status == S_REINSTALLED ? &item.GetUpdateVersion() : installed;
    case eGalleryInstallationActionReinstall:
    case eGalleryInstallationActionUpdate:
        return SUCCEEDED(status) ? &item.GetUpdateVersion() : installed;
    case eGalleryInstallationActionRemove:
        return SUCCEEDED(status) ? nullptr : installed;
    }
    return installed;
}

} // namespace

CAtlStringA InstalledXmlWriter::Document(const CGalleryInstallation &installation)
{
    tinyxml2::XMLDocument document;
    tinyxml2::XMLElement *root = document.NewElement("categories");
    document.InsertEndChild(root);
    bool any = false;
    for (size_t i = 0; i < installation.GetCount(); ++i) {
        const CGalleryInstallationItem *item = installation.GetAt(i);
        const CAtlString *version = item ? RecordedVersion(*item) : nullptr;
        if (!version) continue;
        tinyxml2::XMLElement *category = root->InsertNewChildElement("category");
        category->SetAttribute("id", Text::ToUtf8(item->GetIdentifier()).c_str());
        category->SetAttribute("version", Text::ToUtf8(*version).c_str());
        any = true;
    }
    if (!any) return {};
    tinyxml2::XMLPrinter printer;
    document.Print(&printer);
    return CAtlStringA(printer.CStr(), static_cast<size_t>(printer.CStrSize() > 0 ? printer.CStrSize() - 1 : 0));
}

CKeldaFilePath InstalledXmlWriter::PathIn(const CKeldaDirectoryPath &destination)
{
    CKeldaDirectoryPath uninstall = destination;
    uninstall.AddDirectoryToPath(L"Uninstall");
    return uninstall.CreateFilePath(FileName);
}

bool InstalledXmlWriter::Write(CGalleryInstallation *installation) const
{
    // Download-only runs fill a download folder; the destination's record stays as it was.
    if (!installation || installation->GetIsDownloadOnly() || !m_configuration) return true;
    const CKeldaDirectoryPath destination = m_configuration->GetDestination();
    if (destination.IsEmptyPath()) return false;
    const CKeldaFilePath path = PathIn(destination);
    const CAtlStringA document = Document(*installation);
    if (document.empty()) return CFileManipulator::DeleteFile(path);
    return CDirectoryManipulator::CreateDirectory(path.GetDirectoryPath()) && CSaveFile::WriteWholeFile(path, document);
}

} // namespace NTrove
