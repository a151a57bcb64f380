// Archive steps of the manifest. Until the support layer's ZIP helper is available this is a small
// libzip adapter following the same rules: deflate level 6, no directory entries, and extraction that
// never writes outside the target folder (absolute names, ".." components and links are skipped).
#include "gallery/GalleryArchive_p.h"

#include "gallery/GalleryFileOps_p.h"
#include "support/FileManipulator.h"
#include "support/SaveFile.h"

#include <zip.h>

#include <sys/stat.h>

#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <vector>

namespace GalleryArchive {

namespace {

bool SafeEntryName(const std::string &name)
{
    if (name.empty() || name[0] == '/' || name.find('\0') != std::string::npos) return false;
    size_t start = 0;
    while (start <= name.size()) {
        const size_t end = name.find('/', start);
        const std::string part = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part == "..") return false;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return true;
}

bool IsLinkEntry(zip_t *archive, zip_uint64_t index)
{
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0) return false;
    return system == ZIP_OPSYS_UNIX && S_ISLNK((attributes >> 16) & 0xFFFF);
}

bool AddFolder(zip_t *archive, const std::filesystem::path &root, const std::filesystem::path &folder)
{
    std::error_code error;
    std::vector<std::filesystem::path> files, folders;
    for (const auto &entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name[0] == '.') continue;
        if (entry.is_directory(error)) folders.push_back(entry.path());
        else if (entry.is_regular_file(error)) files.push_back(entry.path());
    }
    if (error) return false;
    for (const auto &file : files) {
        const std::string entryName = std::filesystem::relative(file, root, error).generic_string();
        zip_source_t *source = zip_source_file(archive, file.c_str(), 0, -1);
        if (!source) return false;
        const zip_int64_t index = zip_file_add(archive, entryName.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(source);
            return false;
        }
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 6);
    }
    std::sort(folders.begin(), folders.end());
    for (const auto &sub : folders)
        if (!AddFolder(archive, root, sub)) return false;
    return true;
}

} // namespace

bool UnzipToFolder(const CKeldaFilePath &archivePath, const CKeldaDirectoryPath &folder)
{
    int error = 0;
    zip_t *archive = zip_open(archivePath.GetFilePathStringA().c_str(), ZIP_RDONLY, &error);
    if (!archive) return false;
    const std::filesystem::path root(folder.GetDirectoryPathStringA());
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    std::vector<char> buffer(65536);
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const char *raw = zip_get_name(archive, index, ZIP_FL_ENC_GUESS);
        if (!raw) continue;
        const std::string name(raw);
        if (!SafeEntryName(name) || IsLinkEntry(archive, index)) continue;
        const std::filesystem::path target = root / name;
        std::error_code ec;
        if (name.back() == '/') {
            std::filesystem::create_directories(target, ec);
            continue;
        }
        std::filesystem::create_directories(target.parent_path(), ec);
        zip_file_t *entry = zip_fopen_index(archive, index, 0);
        if (!entry) continue;
        FILE *out = std::fopen(target.c_str(), "wb");
        bool ok = out != nullptr;
        zip_int64_t got;
        while (ok && (got = zip_fread(entry, buffer.data(), buffer.size())) > 0)
            ok = std::fwrite(buffer.data(), 1, static_cast<size_t>(got), out) == static_cast<size_t>(got);
        if (ok && got < 0) ok = false;
        zip_fclose(entry);
        if (out && std::fclose(out) != 0) ok = false;
        if (!ok) std::filesystem::remove(target, ec);
    }
    zip_discard(archive);
    return true;
}

bool ZipFolderToFile(const CKeldaDirectoryPath &folder, const CKeldaFilePath &archivePath)
{
    int error = 0;
    zip_t *archive = zip_open(archivePath.GetFilePathStringA().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) return false;
    const std::filesystem::path root(folder.GetDirectoryPathStringA());
    if (!AddFolder(archive, root, root)) {
        zip_discard(archive);
        return false;
    }
    return zip_close(archive) == 0;
}

bool UnzipToMemory(const CKeldaFilePath &archivePath, const CAtlString &entryName, std::string &data)
{
    data.clear();
    int error = 0;
    zip_t *archive = zip_open(archivePath.GetFilePathStringA().c_str(), ZIP_RDONLY, &error);
    if (!archive) return false;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    bool found = false;
    for (zip_int64_t i = 0; i < count && !found; ++i) {
        const char *raw = zip_get_name(archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
        if (!raw || !Text::EqualsNoCase(Text::FromUtf8(raw), entryName)) continue;
        zip_file_t *entry = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
        if (!entry) break;
        char buffer[16384];
        zip_int64_t got;
        while ((got = zip_fread(entry, buffer, sizeof buffer)) > 0) data.append(buffer, static_cast<size_t>(got));
        zip_fclose(entry);
        found = got == 0;
    }
    zip_discard(archive);
    return found;
}

bool ReplaceFileInArchive(const CKeldaFilePath &archivePath, const CAtlString &entryName, const CKeldaFilePath &file)
{
    int error = 0;
    zip_t *archive = zip_open(archivePath.GetFilePathStringA().c_str(), 0, &error);
    if (!archive) return false;
    const CAtlStringA name = Text::ToUtf8(entryName);
    const zip_int64_t existing = zip_name_locate(archive, name.c_str(), 0);
    if (existing >= 0) zip_delete(archive, static_cast<zip_uint64_t>(existing));
    zip_source_t *source = zip_source_file(archive, file.GetFilePathStringA().c_str(), 0, -1);
    zip_int64_t index = source ? zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
    if (index < 0) {
        if (source) zip_source_free(source);
        zip_discard(archive);
        return false;
    }
    zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 6);
    return zip_close(archive) == 0;
}

} // namespace GalleryArchive
