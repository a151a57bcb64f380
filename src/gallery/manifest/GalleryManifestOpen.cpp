// Opening a manifest from a directory, a ".gallery"/".zip" archive, an ".xml" file or its newer ".gz"
// copy. The binary cache forms come with the cache image.
#include "gallery/manifest/GalleryManifest.h"

#include "gallery/manifest/GalleryArchive_p.h"
#include "gallery/manifest/GalleryFileOps_p.h"
#include "gallery/records/GalleryFileStamp.h"
#include "gallery/manifest/GalleryManifestReader.h"
#include "gallery/records/GalleryOrganization.h"
#include "support/FileManipulator.h"
#include "support/Limits.h"

#include <algorithm>
#include <cstdio>

#include <sys/stat.h>

HRESULT CGalleryManifest::Open(const wchar_t *path, IGalleryManifestOpenObserver *observer, bool useCache)
{
    if (!path) return E_INVALIDARG;
    const CAtlString standardized = CGallery::StandardizePath(path);
    const CKeldaDirectoryPath asDirectory(standardized);
    const CKeldaFilePath asFile(standardized);

    if (asFile.IsDirectory()) {
        const CKeldaFilePath xml = asDirectory.CreateFilePath(CGallery::ImsManifestXml);
        if (!xml.FileExists()) return S_FALSE;
        return Open(xml.GetFilePathString().c_str(), observer, useCache);
    }

    const CAtlString extension = asFile.GetFileExtension();
    if (Text::EqualsNoCase(extension, L".zip") || Text::EqualsNoCase(extension, L".gallery")) {
        SetTemporary(true);
        const CKeldaDirectoryPath unpacked = GalleryFileOps::MakeUniqueTempDirectory(L"gallery");
        if (unpacked.IsEmptyPath()) return E_FAIL;
        if (!GalleryArchive::UnzipToFolder(asFile, unpacked)) {
            (void)GalleryFileOps::RemoveTree(unpacked); // a left-over temporary folder changes nothing
            return E_FAIL;
        }
        // The copy goes when this manifest does (Finalize), whatever the opening gives.
        GalleryArchive::AdoptUnpackedCopy(this, unpacked);
        return Open(unpacked.GetDirectoryPathString().c_str(), observer, false);
    }
    if (Text::EqualsNoCase(extension, L".xbc")) {
        // The conversion does nothing on this platform: the file is taken as a ".gallery" archive.
        const CKeldaDirectoryPath folder = GalleryFileOps::MakeUniqueTempDirectory(L"gallery");
        if (folder.IsEmptyPath()) return E_FAIL;
        const CKeldaFilePath converted = folder.CreateFilePath(L"converted.gallery");
        HRESULT hr = CGallery::ConvertFile(asFile.GetFilePathString().c_str(), converted.GetFilePathString().c_str());
        if (SUCCEEDED(hr) && !converted.FileExists() && !GalleryFileOps::CopyFileOver(asFile, converted)) hr = E_FAIL;
        if (SUCCEEDED(hr)) hr = Open(converted.GetFilePathString().c_str(), observer, false);
        (void)GalleryFileOps::RemoveTree(folder);
        return hr;
    }
    if (Text::EqualsNoCase(extension, L".xml")) return OpenXml(asFile, observer, useCache);
    // Any other extension names a binary manifest cache.
    return OpenCache(asFile);
}

namespace
{

// The copy holds the same document as the plain file: what inflates to far more than that is no
// copy of it (a compressed bomb), and the plain file is read instead.
size_t CompressedCopyLimit(const CKeldaFilePath &plain)
{
    struct stat st {
    };
    if (::stat(plain.GetFilePathStringA().c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return KELDASax::kMaxDocumentBytes;
    const auto size = static_cast<uint64_t>(st.st_size);
    const uint64_t limit = size * Limits::kMaxCompressedCopyGrowth + Limits::kCompressedCopySlackBytes;
    return static_cast<size_t>(std::min<uint64_t>(limit, KELDASax::kMaxDocumentBytes));
}

} // namespace

HRESULT CGalleryManifest::ParseXmlFile(const CKeldaFilePath &path, IGalleryManifestOpenObserver *observer)
{
    KELDASaxOpenXmlHandler handler(this, observer);
    const HRESULT hr = KELDASax::ReadXmlFile(path.GetFilePathString(), &handler);
    return hr;
}

HRESULT CGalleryManifest::OpenXml(const CKeldaFilePath &path, IGalleryManifestOpenObserver *observer, bool useCache)
{
    CGalleryFileStamp::DeleteInstance(&m_fileStamp);
    HRESULT hr = CGalleryFileStamp::CreateInstance(&m_fileStamp);
    if (FAILED(hr)) return hr;
    if (!path.FileExists()) {
        hr = SetXmlPath(path.GetFilePathString().c_str());
        return FAILED(hr) ? hr : S_FALSE;
    }

    bool fromCache = false;
    if (useCache) {
        CAtlString cachePath;
        fromCache = SUCCEEDED(OpenCachedXml(path.GetFilePathString().c_str(), cachePath));
    }
    if (!fromCache) {
        // The stamp is taken before reading: a change made while the file is read leaves the file newer
        // than the stamp, so the manifest is read again. Without a stamp (zero) it counts as changed.
        if (FAILED(m_fileStamp->GetStampFromFile(path.GetFilePathString().c_str()))) m_fileStamp->SetSeconds(0);
        // A compressed copy beside the file is read instead when it is not older.
        const CKeldaFilePath gz(path.GetFilePathString() + L".gz");
        hr = E_FAIL;
        bool cancelled = false;
        if (gz.FileExists()) {
            CGalleryFileStamp xmlStamp{}, gzStamp{};
            xmlStamp.Initialize();
            gzStamp.Initialize();
            if (SUCCEEDED(xmlStamp.GetStampFromFile(path.GetFilePathString().c_str())) &&
                SUCCEEDED(gzStamp.GetStampFromFile(gz.GetFilePathString().c_str())) &&
                gzStamp.Compare(&xmlStamp) >= 0) {
                KELDASaxOpenXmlHandler handler(this, observer);
                hr = KELDASax::ReadXmlFile(gz.GetFilePathString(), &handler, CompressedCopyLimit(path));
                cancelled = handler.WasCancelled();
                // What a broken copy left behind must not mix with the records of the plain file.
                if (FAILED(hr) && !cancelled) Dispose();
            }
        }
        if (cancelled) return hr;
        if (FAILED(hr)) hr = ParseXmlFile(path, observer);
        if (FAILED(hr)) return hr;
        hr = SetXmlPath(path.GetFilePathString().c_str());
        if (FAILED(hr)) return hr;
        // A cache that cannot be written is no reason to fail the open.
        if (useCache && !GetTemporary()) (void)RefreshCache(path);
    }

    // A manifest that cannot be written opens with every organization read-only.
    if (FILE *probe = CFileManipulator::OpenFile(path, "r+")) {
        std::fclose(probe);
    } else {
        for (uint32_t i = 0; i < m_organizations->GetCount(); ++i)
            m_organizations->GetAt(i)->SetReadOnly(true);
    }
    return S_OK;
}

HRESULT CGalleryManifest::OpenCachedXml(const wchar_t *xmlPath, CAtlString &cachePath)
{
    if (!xmlPath) return E_INVALIDARG;
    cachePath = CGallery::GetCachePath(xmlPath);
    const CKeldaFilePath cache(cachePath);
    if (!cache.FileExists()) return E_FAIL;
    CGalleryFileStamp xmlStamp{}, cacheStamp{};
    xmlStamp.Initialize();
    cacheStamp.Initialize();
    if (FAILED(xmlStamp.GetStampFromFile(xmlPath)) || FAILED(cacheStamp.GetStampFromFile(cachePath.c_str())) ||
        cacheStamp.Compare(&xmlStamp) < 0)
        return E_FAIL;
    const HRESULT hr = OpenCache(cache);
    if (FAILED(hr)) return hr;
    return SetXmlPath(xmlPath);
}
