// Binary cache images with a valid header: the input is the image after the header and its checksum,
// which the harness puts in front, so that every input reaches the validating relocation. An image that
// loads must be walkable (written as XML), and written again as an image it must load to the same text.
#include "FuzzEnv.h"
#include "gallery/manifest/GalleryCache_p.h"
#include "gallery/manifest/GalleryCRC.h"
#include "gallery/manifest/GalleryManifest.h"
#include "support/XmlWriter.h"

#include <memory>

namespace
{

struct ManifestDeleter {
    void operator()(CGalleryManifest *m) const { CGalleryManifest::DeleteInstance(&m); }
};
using ManifestPtr = std::unique_ptr<CGalleryManifest, ManifestDeleter>;

ManifestPtr OpenImage(const std::string &path, HRESULT *hr)
{
    CGalleryManifest *m = nullptr;
    FUZZ_CHECK(CGalleryManifest::CreateInstance(&m) == S_OK);
    ManifestPtr owned(m);
    *hr = owned->OpenCache(CKeldaFilePath(FuzzEnv::W(path)));
    return owned;
}

std::string Written(const CGalleryManifest *m)
{
    IKELDAXMLWriter *writer = nullptr;
    FUZZ_CHECK(IKELDAXMLWriter::CreateKELDAXMLWriterOnString(&writer) == S_OK);
    CAtlStringA text;
    FUZZ_CHECK(m->WriteXml(writer) == S_OK);
    FUZZ_CHECK(writer->get_output(&text) == S_OK);
    writer->Release();
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string work = FuzzEnv::FreshWork();
    std::string file(GalleryCache::kHeader, GalleryCache::kHeaderLength);
    CGalleryCRC crc;
    crc.Add(data, size);
    uint64_t sum = crc.GetChecksum();
    for (int i = 0; i < 8; ++i, sum >>= 8)
        file.push_back(static_cast<char>(sum & 0xFF));
    file.append(FuzzEnv::Bytes(data, size));
    const std::string path = work + "/image.cache";
    FUZZ_CHECK(FuzzEnv::WriteFile(path, file));

    HRESULT hr = E_FAIL;
    ManifestPtr loaded = OpenImage(path, &hr);
    if (FAILED(hr)) return 0;
    (void)loaded->PerformSanityChecks(true);
    const std::string written = Written(loaded.get());

    const std::string again = work + "/again.cache";
    FUZZ_CHECK(loaded->SaveCache(CKeldaFilePath(FuzzEnv::W(again))) == S_OK);
    loaded.reset();
    ManifestPtr reloaded = OpenImage(again, &hr);
    FUZZ_CHECK(hr == S_OK);
    FUZZ_CHECK(Written(reloaded.get()) == written);
    return 0;
}
