// ZIP operations on libzip. libzip writes a changed archive to a temporary file and renames it on
// zip_close, so an archive is never left half-written; zip_discard drops every change.
#include "support/ZipHelper.h"

#include "support/SaveFile.h"

#include "support/DirectoryManipulator.h"
#include "support/FileManipulator.h"
#include "support/FilePlatform.h"
#include "support/Limits.h"
#include "support/ZipCodePage.h"

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string>
#include <unordered_set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

constexpr zip_uint32_t kLevel = 6;

struct ZipCloser {
    void operator()(zip_t *archive) const { zip_discard(archive); }
};
using ZipHandle = std::unique_ptr<zip_t, ZipCloser>;

CAtlString EntryName(zip_t *archive, zip_uint64_t index);
bool HasDuplicateNames(zip_t *archive);

ZipHandle Open(const CKeldaFilePath &archive, int flags)
{
    std::string path;
    if (archive.IsEmptyPath() || !FilePlatform::ToSystemPath(archive.GetFilePathString(), path)) return nullptr;
    int error = 0;
    ZipHandle handle(zip_open(path.c_str(), flags, &error));
    if (handle && zip_get_num_entries(handle.get(), 0) > static_cast<zip_int64_t>(Limits::kMaxZipEntries))
        return nullptr;
    // Two entries under one name would give two answers (which one extraction keeps, which one a read
    // finds): such an archive is refused like a damaged one.
    if (handle && !(flags & ZIP_TRUNCATE) && HasDuplicateNames(handle.get())) return nullptr;
    return handle;
}

// Commits the changes; on failure everything is discarded and the archive file stays as it was.
bool Close(ZipHandle &handle)
{
    zip_t *archive = handle.release();
    if (zip_close(archive) == 0) return true;
    zip_discard(archive);
    return false;
}

CAtlString EntryName(zip_t *archive, zip_uint64_t index)
{
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive, index, ZIP_FL_ENC_RAW, &st) != 0 || !(st.valid & ZIP_STAT_NAME) || !st.name)
        return CAtlString();
    // Raw names are NUL-terminated by libzip; a NUL inside the stored name makes it look shorter, which
    // can only turn it into another name that the checks below still see.
    return ZipPlatform::DecodeEntryName(st.name);
}

// Names compare as extraction writes them: backslashes count as separators. Folder entries are left out,
// a folder listed twice is still one folder.
bool HasDuplicateNames(zip_t *archive)
{
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    std::unordered_set<std::wstring> seen;
    for (zip_int64_t i = 0; i < count; ++i) {
        std::wstring name(EntryName(archive, static_cast<zip_uint64_t>(i)));
        for (wchar_t &c : name)
            if (c == L'\\') c = L'/';
        if (name.empty() || name.back() == L'/') continue;
        if (!seen.insert(std::move(name)).second) return true;
    }
    return false;
}

bool IsSymbolicLinkEntry(zip_t *archive, zip_uint64_t index)
{
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0) return false;
    return system == ZIP_OPSYS_UNIX && ((attributes >> 16) & S_IFMT) == S_IFLNK;
}

bool AddFile(zip_t *archive, const CKeldaFilePath &file, std::wstring_view name)
{
    std::string path;
    if (!FilePlatform::ToSystemPath(file.GetFilePathString(), path)) return false;
    zip_source_t *source = zip_source_file(archive, path.c_str(), 0, 0 /* to the end */);
    if (!source) return false;
    const std::string entry = ZipPlatform::EncodeEntryName(name);
    const zip_int64_t index = zip_file_add(archive, entry.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (index < 0) {
        zip_source_free(source);
        return false;
    }
    return zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, kLevel) == 0;
}

// How much one extraction may write: the total and the ratio of the total to the archive's size,
// counted on the bytes actually inflated. Over either, the archive is a bomb.
class InflateBudget
{
  public:
    explicit InflateBudget(uint64_t archiveBytes) : m_archiveBytes(archiveBytes) {}

    // Whether an archive whose entries declare these sizes in all may be unpacked at all.
    bool Allows(uint64_t bytes) const
    {
        if (bytes > Limits::kMaxZipTotalBytes) return false;
        return bytes <= Limits::kZipRatioFloorBytes || bytes / Limits::kMaxZipRatio <= m_archiveBytes;
    }
    // Counts n more inflated bytes; false once the total is over a limit.
    bool Take(uint64_t n)
    {
        m_total += n;
        return Allows(m_total);
    }

  private:
    uint64_t m_archiveBytes;
    uint64_t m_total = 0;
};

enum class Extracted { Written, Damaged, OverBudget };

// Writes one entry to path; anything but Written removes what was written. An entry that inflates to
// more than its declared size counts as over the budget.
Extracted ExtractEntry(zip_t *archive, zip_uint64_t index, const std::string &path, InflateBudget &budget)
{
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) return Extracted::Damaged;
    zip_file_t *entry = zip_fopen_index(archive, index, 0);
    if (!entry) return Extracted::Damaged;
    // O_NOFOLLOW: a link that already sits at the name is not written through.
    const int out = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (out < 0) {
        zip_fclose(entry);
        return Extracted::Damaged;
    }
    std::vector<char> buffer(Limits::kZipExtractBuffer);
    Extracted result = Extracted::Written;
    uint64_t written = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(entry, buffer.data(), buffer.size());
        if (n < 0) { // damaged data, or a checksum mismatch at the end
            result = Extracted::Damaged;
            break;
        }
        if (n == 0) break;
        written += static_cast<uint64_t>(n);
        // More than the entry declared is how a bomb slips past the check of the declared sizes.
        if (written > st.size || !budget.Take(static_cast<uint64_t>(n))) {
            result = Extracted::OverBudget;
            break;
        }
        if (!FilePlatform::WriteAll(out, buffer.data(), static_cast<size_t>(n))) {
            result = Extracted::Damaged;
            break;
        }
    }
    zip_fclose(entry);
    if (::close(out) != 0 && result == Extracted::Written) result = Extracted::Damaged;
    if (result != Extracted::Written) ::unlink(path.c_str());
    return result;
}

// The folders between folder (which exists) and dir that do not exist yet, outermost first.
std::vector<std::string> MissingFolders(const std::string &folder, std::string dir)
{
    std::vector<std::string> missing;
    while (dir.size() > folder.size() && !FilePlatform::PathExistsNoFollow(Text::FromUtf8(dir))) {
        missing.insert(missing.begin(), dir);
        dir = FilePlatform::DirectoryOf(dir);
    }
    return missing;
}

bool ReadEntry(zip_t *archive, zip_uint64_t index, std::vector<char> &data)
{
    data.clear();
    zip_file_t *entry = zip_fopen_index(archive, index, 0);
    if (!entry) return false;
    char chunk[1024];
    bool ok = true;
    for (;;) {
        const zip_int64_t n = zip_fread(entry, chunk, sizeof chunk);
        if (n < 0 || data.size() + static_cast<size_t>(n) > Limits::kMaxZipMemoryEntry) {
            ok = false;
            break;
        }
        if (n == 0) break;
        data.insert(data.end(), chunk, chunk + n);
    }
    zip_fclose(entry);
    if (!ok) data.clear();
    return ok;
}

} // namespace

CAtlString CZipHelper::SafeRelativePath(std::wstring_view entryName)
{
    if (entryName.empty() || entryName.size() > Limits::kMaxZipNameLength) return CAtlString();
    CAtlString name(entryName);
    for (wchar_t &c : name)
        if (c == L'\\') c = L'/';
    if (name.front() == L'/') return CAtlString();
    if (name.find(L'\0') != CAtlString::npos) return CAtlString();
    // Drive-letter names ("C:/...") are absolute elsewhere; a colon in the first component is refused.
    const size_t firstSlash = name.find(L'/');
    if (name.substr(0, firstSlash).find(L':') != CAtlString::npos) return CAtlString();
    for (const CAtlString &component : Text::Split(name, L'/'))
        if (component.empty() || component == L"." || component == L"..") return CAtlString();
    return name;
}

bool CZipHelper::AddFolderToZip(zip *archive, const CKeldaDirectoryPath &root, const CKeldaDirectoryPath &folder)
{
    if (!archive) return false;
    const CAtlString &rootText = root.GetDirectoryPathString();
    std::vector<CKeldaFilePath> files;
    folder.FindFilesInDirectory(L"*", files);
    for (const CKeldaFilePath &file : files) {
        const CAtlString &text = file.GetFilePathString();
        if (text.size() <= rootText.size() + 1) return false;
        if (!AddFile(archive, file, std::wstring_view(text).substr(rootText.size() + 1))) return false;
    }
    std::vector<CKeldaDirectoryPath> folders;
    folder.ListSubDirectories(L"*", folders, false);
    for (const CKeldaDirectoryPath &sub : folders) {
        if (FilePlatform::PathIsSymbolicLink(sub.GetDirectoryPathString())) continue; // a link loop never ends
        if (!AddFolderToZip(archive, root, sub)) return false;
    }
    return true;
}

bool CZipHelper::ZipFolderToFile(const CKeldaDirectoryPath &folder, const CKeldaFilePath &archive)
{
    try {
        if (!folder.DirectoryExists()) return false;
        ZipHandle handle = Open(archive, ZIP_CREATE | ZIP_TRUNCATE);
        if (!handle || !AddFolderToZip(handle.get(), folder, folder)) return false;
        // An archive inside the folder would otherwise swallow its own previous version.
        const CAtlString &archiveText = archive.GetFilePathString();
        const CAtlString prefix = folder.GetDirectoryPathString() + L"/";
        if (Text::StartsWith(archiveText, prefix)) {
            const std::string self = ZipPlatform::EncodeEntryName(std::wstring_view(archiveText).substr(prefix.size()));
            const zip_int64_t index = zip_name_locate(handle.get(), self.c_str(), ZIP_FL_ENC_RAW);
            if (index >= 0) zip_delete(handle.get(), static_cast<zip_uint64_t>(index));
        }
        if (!Close(handle)) return false;
        // Without entries the library writes nothing (and removes an archive that was there): a folder
        // without files still makes a valid, empty archive, which is one end-of-central-directory record.
        static constexpr char EmptyArchive[22] = {'P', 'K', 5, 6};
        return archive.FileExists() || CSaveFile::WriteWholeFile(archive, std::string_view(EmptyArchive, 22));
    } catch (...) {
        return false;
    }
}

bool CZipHelper::UnzipToFolder(const CKeldaFilePath &archive, const CKeldaDirectoryPath &folder)
{
    try {
        ZipHandle handle = Open(archive, ZIP_RDONLY);
        std::string archivePath, folderPath;
        struct stat archiveStat {
        };
        if (!handle || !FilePlatform::ToSystemPath(archive.GetFilePathString(), archivePath) ||
            !FilePlatform::ToSystemPath(folder.GetDirectoryPathString(), folderPath) ||
            ::stat(archivePath.c_str(), &archiveStat) != 0)
            return false;
        InflateBudget budget(static_cast<uint64_t>(archiveStat.st_size));
        const zip_int64_t count = zip_get_num_entries(handle.get(), 0);
        // The declared sizes first: an archive that says it is a bomb is refused before anything is written.
        uint64_t declared = 0;
        for (zip_int64_t i = 0; i < count; ++i) {
            zip_stat_t st;
            zip_stat_init(&st);
            if (zip_stat_index(handle.get(), static_cast<zip_uint64_t>(i), 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE))
                declared += std::min<uint64_t>(st.size, Limits::kMaxZipTotalBytes + 1);
        }
        if (!budget.Allows(declared)) return false;

        const std::vector<std::string> missingRoot = MissingFolders(FilePlatform::DirectoryOf(folderPath), folderPath);
        if (!CDirectoryManipulator::CreateDirectory(folder)) return false;
        // What this call made, so that a bomb found half-way leaves nothing behind.
        std::vector<std::string> written, madeFolders(missingRoot);
        bool overBudget = false;
        for (zip_int64_t i = 0; i < count && !overBudget; ++i) {
            const auto index = static_cast<zip_uint64_t>(i);
            CAtlString name = EntryName(handle.get(), index);
            if (!name.empty() && (name.back() == L'/' || name.back() == L'\\')) continue; // folder entry
            const CAtlString relative = SafeRelativePath(name);
            if (relative.empty() || IsSymbolicLinkEntry(handle.get(), index)) continue;
            const CKeldaFilePath target = folder.CreateFilePath(relative);
            std::string path;
            if (!FilePlatform::ToSystemPath(target.GetFilePathString(), path)) continue;
            const std::vector<std::string> missing = MissingFolders(folderPath, FilePlatform::DirectoryOf(path));
            if (!CDirectoryManipulator::CreateDirectory(target.GetDirectoryPath())) continue;
            madeFolders.insert(madeFolders.end(), missing.begin(), missing.end());
            const bool existed = FilePlatform::PathExistsNoFollow(target.GetFilePathString());
            switch (ExtractEntry(handle.get(), index, path, budget)) {
            case Extracted::Written:
                if (!existed) written.push_back(path);
                break;
            case Extracted::Damaged:
                break;
            case Extracted::OverBudget:
                overBudget = true;
                break;
            }
        }
        if (!overBudget) return true;
        // Refused like a damaged archive: what it wrote goes, innermost folders last.
        for (const std::string &path : written)
            ::unlink(path.c_str());
        for (auto it = madeFolders.rbegin(); it != madeFolders.rend(); ++it)
            ::rmdir(it->c_str());
        return false;
    } catch (...) {
        return false;
    }
}

bool CZipHelper::ReplaceFileInArchive(const CKeldaFilePath &archive, std::wstring_view entryName,
                                      const CKeldaFilePath &file)
{
    try {
        if (entryName.empty() || !file.FileExists() || file.IsDirectory()) return false;
        ZipHandle handle = Open(archive, 0);
        if (!handle) return false;
        const std::string name = ZipPlatform::EncodeEntryName(entryName);
        const zip_int64_t existing = zip_name_locate(handle.get(), name.c_str(), ZIP_FL_ENC_RAW);
        if (existing >= 0 && zip_delete(handle.get(), static_cast<zip_uint64_t>(existing)) != 0) return false;
        if (!AddFile(handle.get(), file, entryName)) return false;
        return Close(handle);
    } catch (...) {
        return false;
    }
}

bool CZipHelper::UnzipToMemory(const CKeldaFilePath &archive, std::wstring_view entryName, std::vector<char> &data)
{
    data.clear();
    try {
        ZipHandle handle = Open(archive, ZIP_RDONLY);
        if (!handle) return false;
        const zip_int64_t count = zip_get_num_entries(handle.get(), 0);
        for (zip_int64_t i = 0; i < count; ++i) {
            if (!Text::EqualsNoCase(EntryName(handle.get(), static_cast<zip_uint64_t>(i)), entryName)) continue;
            return ReadEntry(handle.get(), static_cast<zip_uint64_t>(i), data);
        }
        return false;
    } catch (...) {
        data.clear();
        return false;
    }
}

bool CZipHelper::UnzipToMemory(const CKeldaFilePath &archive, std::wstring_view entryName, char *&data, size_t &size)
{
    data = nullptr;
    size = 0;
    std::vector<char> bytes;
    if (!UnzipToMemory(archive, entryName, bytes)) return false;
    try {
        data = new char[bytes.empty() ? 1 : bytes.size()];
    } catch (...) {
        return false;
    }
    std::copy(bytes.begin(), bytes.end(), data);
    size = bytes.size();
    return true;
}
