// Uninstall records and the installed-manifest registry: the input is one record in an "Uninstall"
// folder. The piecewise reader reads no more than the file, and the registry agrees with it.
#include "FuzzEnv.h"
#include "gallery/maintenance/GalleryInstalledManifest.h"

#include <filesystem>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string folder = FuzzEnv::FreshWork() + "/Uninstall";
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/imsmanifest1a.xml";
    FUZZ_CHECK(FuzzEnv::WriteFile(path, FuzzEnv::Bytes(data, size)));

    CGalleryInstalledManifest record;
    const HRESULT hr = record.Open(CKeldaFilePath(FuzzEnv::W(path)));
    FUZZ_CHECK(record.GetBytesRead() <= size);
    if (hr == S_OK) {
        CGalleryInstalledManifest *copy = nullptr;
        FUZZ_CHECK(record.Clone(&copy) == S_OK);
        std::unique_ptr<CGalleryInstalledManifest> owned(copy);
        FUZZ_CHECK(owned->GetIdentifier() == record.GetIdentifier());
        FUZZ_CHECK(owned->GetStringVersions() == record.GetStringVersions());
    }

    CGalleryInstalledManifestMap map;
    FUZZ_CHECK(map.Open(CKeldaDirectoryPath(FuzzEnv::W(folder))) == S_OK);
    FUZZ_CHECK(map.GetCount() == (hr == S_OK ? 1u : 0u));
    if (hr == S_OK) {
        const CGalleryInstalledManifest *found = map[record.GetIdentifier()];
        FUZZ_CHECK(found != nullptr);
        FUZZ_CHECK(found->GetVersion() == record.GetVersion());
    }
    return 0;
}
