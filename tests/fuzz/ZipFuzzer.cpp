// ZIP extraction: the input is an archive, unpacked into a folder that has a sibling. Nothing may land
// outside the target folder, no link may be made, and reading one entry into memory stays in bounds.
#include "FuzzEnv.h"
#include "support/Limits.h"
#include "support/ZipHelper.h"

#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string work = FuzzEnv::FreshWork();
    const std::string archive = work + "/input.zip";
    FUZZ_CHECK(FuzzEnv::WriteFile(archive, FuzzEnv::Bytes(data, size)));
    const fs::path box = fs::path(work) / "box";
    const fs::path target = box / "target";
    fs::create_directories(target);
    fs::create_directories(box / "sibling");

    (void)CZipHelper::UnzipToFolder(CKeldaFilePath(FuzzEnv::W(archive)),
                                    CKeldaDirectoryPath(FuzzEnv::W(target.string())));

    // Everything in the work folder is the archive, the box, its two folders or below the target.
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(work, ec); it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const fs::path p = it->path();
        FUZZ_CHECK(!it->is_symlink());
        if (p == fs::path(archive) || p == box || p == target || p == box / "sibling") continue;
        const fs::path relative = p.lexically_relative(target);
        FUZZ_CHECK(!relative.empty() && *relative.begin() != "..");
    }

    std::vector<char> entry;
    if (CZipHelper::UnzipToMemory(CKeldaFilePath(FuzzEnv::W(archive)), L"imsmanifest.xml", entry))
        FUZZ_CHECK(entry.size() <= Limits::kMaxZipMemoryEntry);
    return 0;
}
