// Item metadata files: the input is the "metadata.xml" entry of a gallery item file (a ZIP archive).
// What loads must be written back into the item file in place, and the updated file must load again to
// the same standalone document.
#include "FuzzEnv.h"
#include "gallery/records/GalleryMetadata.h"
#include "support/ZipHelper.h"

#include <filesystem>

namespace
{

struct MetadataDeleter {
    void operator()(CGalleryMetadata *m) const { CGalleryMetadata::DeleteInstance(&m); }
};
using MetadataPtr = std::unique_ptr<CGalleryMetadata, MetadataDeleter>;

MetadataPtr Load(const std::string &item, HRESULT *hr)
{
    CGalleryMetadata *m = nullptr;
    FUZZ_CHECK(CGalleryMetadata::CreateInstance(&m) == S_OK);
    MetadataPtr owned(m);
    *hr = owned->Load(FuzzEnv::W(item).c_str());
    return owned;
}

std::string Standalone(const CGalleryMetadata *m)
{
    CAtlStringA text;
    FUZZ_CHECK(m->WriteStandalone(text) == S_OK);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string work = FuzzEnv::FreshWork();
    const std::string content = work + "/content";
    std::filesystem::create_directories(content);
    FUZZ_CHECK(FuzzEnv::WriteFile(content + "/metadata.xml", FuzzEnv::Bytes(data, size)));
    FUZZ_CHECK(FuzzEnv::WriteFile(content + "/picture.png", "\x89PNG"));
    const std::string item = work + "/item.galleryitem";
    FUZZ_CHECK(CZipHelper::ZipFolderToFile(CKeldaDirectoryPath(FuzzEnv::W(content)), CKeldaFilePath(FuzzEnv::W(item))));

    HRESULT hr = E_FAIL;
    MetadataPtr loaded = Load(item, &hr);
    if (hr != S_OK) return 0;
    const std::string standalone = Standalone(loaded.get());
    FUZZ_CHECK(loaded->Write(FuzzEnv::W(item).c_str(), false) == S_OK);
    MetadataPtr updated = Load(item, &hr);
    FUZZ_CHECK(hr == S_OK);
    FUZZ_CHECK(Standalone(updated.get()) == standalone);
    return 0;
}
