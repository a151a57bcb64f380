// Saving a manifest to a directory (with its files), a ".gallery" archive or an ".xml" file.
// Replacing the XML file is crash-safe: the document goes to a temporary file beside the target,
// which is synced and renamed over it under the gallery lock, so a reader or an interrupted run sees
// the old or the new document, never a torn one.
#include "gallery/manifest/GalleryManifest.h"

#include "gallery/facade/Gallery.h"
#include "gallery/manifest/GalleryArchive_p.h"
#include "gallery/manifest/GalleryFileOps_p.h"
#include "gallery/records/GalleryFileStamp.h"
#include "support/FileManipulator.h"
#include "support/SaveFile.h"
#include "support/XmlWriter.h"

HRESULT CGalleryManifest::SaveXml(const CKeldaFilePath &target, bool writeCache)
{
    IKELDAXMLWriter *writer = nullptr;
    HRESULT hr = IKELDAXMLWriter::CreateKELDAXMLWriterOnString(&writer);
    if (FAILED(hr)) return hr;
    CAtlStringA document;
    hr = WriteXml(writer);
    if (SUCCEEDED(hr)) hr = writer->get_output(&document);
    writer->Release();
    if (FAILED(hr)) return hr;

    {
        CGalleryLock lock;
        if (!lock.IsLocked()) return E_FAIL;
        if (!CSaveFile::WriteWholeFile(target, document)) return E_FAIL;
        // With writeCache (and not a temporary manifest) the binary cache of the target is rewritten;
        // its result becomes the result.
        if (writeCache && !GetTemporary()) hr = RefreshCache(target);
    }
    m_fileStamp->Initialize();
    return hr;
}

HRESULT CGalleryManifest::SaveToDirectory(const CKeldaDirectoryPath &directory, bool writeCache)
{
    if (!GalleryFileOps::MakeDirectories(directory)) return E_FAIL;
    const HRESULT hr = SaveXml(directory.CreateFilePath(CGallery::ImsManifestXml), writeCache);
    if (FAILED(hr)) return hr;
    return CopyFiles(directory.GetDirectoryPathString().c_str());
}

HRESULT CGalleryManifest::SaveAs(const wchar_t *path, bool writeCache)
{
    if (!path) return E_INVALIDARG;
    const CAtlString standardized = CGallery::StandardizePath(path);
    const CKeldaFilePath asFile(standardized);
    const CAtlString extension = asFile.GetFileExtension();
    if (asFile.IsDirectory() || (!asFile.FileExists() && extension.empty()))
        return SaveToDirectory(CKeldaDirectoryPath(standardized), writeCache);

    if (Text::EqualsNoCase(extension, L".gallery")) {
        const CKeldaDirectoryPath folder = GalleryFileOps::MakeUniqueTempDirectory(L"gallery");
        if (folder.IsEmptyPath()) return E_FAIL;
        HRESULT hr = SaveToDirectory(folder, false);
        if (SUCCEEDED(hr) && !GalleryArchive::ZipFolderToFile(folder, asFile)) {
            (void)CFileManipulator::DeleteFile(asFile); // the failure is reported either way
            hr = E_FAIL;
        }
        (void)GalleryFileOps::RemoveTree(folder); // a left-over temporary folder changes nothing
        return hr;
    }
    if (extension == L".xbc") {
        const CKeldaDirectoryPath folder = GalleryFileOps::MakeUniqueTempDirectory(L"gallery");
        if (folder.IsEmptyPath()) return E_FAIL;
        const CKeldaFilePath packed = folder.CreateFilePath(L"converted.gallery");
        HRESULT hr = SaveAs(packed.GetFilePathString().c_str(), false);
        if (SUCCEEDED(hr))
            hr = CGallery::ConvertFile(packed.GetFilePathString().c_str(), asFile.GetFilePathString().c_str());
        // The conversion does nothing on this platform: the archive itself becomes the target.
        if (SUCCEEDED(hr) && !asFile.FileExists() && !GalleryFileOps::CopyFileOver(packed, asFile)) hr = E_FAIL;
        (void)GalleryFileOps::RemoveTree(folder);
        return hr;
    }
    if (Text::EqualsNoCase(extension, L".xml")) return SaveXml(asFile, writeCache && !GetTemporary());
    // Any other extension names a binary manifest cache.
    return SaveCache(asFile);
}

HRESULT CGalleryManifest::SaveChanges()
{
    CGalleryLock lock;
    if (!lock.IsLocked()) return E_FAIL;
    SetUpdated(true);
    const HRESULT hr = SaveAs(m_xmlPath, !CGallery::SafeMode);
    SetUpdated(false);
    // Without a stamp (zero) the manifest counts as changed and is read again at the next look.
    if (FAILED(m_fileStamp->GetStampFromFile(m_xmlPath))) m_fileStamp->SetSeconds(0);
    return hr;
}
