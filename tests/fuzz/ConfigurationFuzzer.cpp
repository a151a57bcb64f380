// Configuration folders: the input holds "configuration.xml", a NUL byte, then "metadata.xml"; the
// folder also has a few files a configuration names. A configuration that loads must put its
// destination below the gallery root, and its local copy must write only below its own folder.
#include "FuzzEnv.h"
#include "configuration/Configuration.h"
#include "configuration/Defaults.h"

#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace
{

std::set<fs::path> FilesBelow(const fs::path &root)
{
    std::set<fs::path> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (!it->is_directory()) files.insert(it->path());
    return files;
}

bool IsBelow(const fs::path &path, const fs::path &root)
{
    const fs::path relative = path.lexically_normal().lexically_relative(root.lexically_normal());
    return !relative.empty() && *relative.begin() != ".." && *relative.begin() != ".";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string work = FuzzEnv::FreshWork();
    const fs::path configurations = Text::ToUtf8(Defaults::GetConfigurationPath().GetDirectoryPathString());
    std::error_code ec;
    fs::remove_all(configurations, ec);

    const std::string folder = work + "/conf";
    fs::create_directories(folder);
    const std::string_view input = FuzzEnv::Bytes(data, size);
    const size_t split = input.find('\0');
    FUZZ_CHECK(FuzzEnv::WriteFile(folder + "/configuration.xml", input.substr(0, split)));
    if (split != std::string_view::npos)
        FUZZ_CHECK(FuzzEnv::WriteFile(folder + "/metadata.xml", input.substr(split + 1)));
    for (const char *name : {"about.html", "logo.png", "license.txt", "style.qss"})
        FUZZ_CHECK(FuzzEnv::WriteFile(folder + "/" + name, name));

    const std::set<fs::path> before = FilesBelow(fs::path(work).parent_path());
    CConfiguration configuration;
    if (!configuration.ReadFromDir(CKeldaDirectoryPath(FuzzEnv::W(folder)))) return 0;

    const fs::path galleries = Text::ToUtf8(Defaults::GetGalleryPath().GetDirectoryPathString());
    const fs::path destination = Text::ToUtf8(configuration.GetDefaultDestination().GetDirectoryPathString());
    FUZZ_CHECK(IsBelow(destination, galleries));
    (void)configuration.GetRegistrationKey();
    (void)configuration.InitializeDefaultGalleryPreferences();

    if (configuration.MakeLocalCopy()) {
        const fs::path copy = Text::ToUtf8(configuration.localCopyDirectory.GetDirectoryPathString());
        FUZZ_CHECK(IsBelow(copy, configurations));
        for (const fs::path &file : FilesBelow(fs::path(work).parent_path()))
            FUZZ_CHECK(before.count(file) || IsBelow(file, copy));
    }
    return 0;
}
