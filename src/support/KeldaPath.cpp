// Path values: normalisation, the name parts, existence tests and directory listings.
#include "support/KeldaPath.h"

#include "support/FileChecksum.h"
#include "support/FilePlatform.h"
#include "support/Limits.h"

#include <algorithm>
#include <cstdint>
#include <random>

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

CAtlString Normalise(std::wstring_view text)
{
    CAtlString path(text);
    std::replace(path.begin(), path.end(), L'\\', L'/');
    if (!path.empty() && path.back() == L'/') path.pop_back();
    return path;
}

bool StatPath(const CAtlString &path, struct stat &st)
{
    std::string p;
    return !path.empty() && FilePlatform::ToSystemPath(path, p) && ::stat(p.c_str(), &st) == 0;
}

enum class ListKind { Files, Directories };

// Calls visit(name, isDirectory) for every entry of directory that is listed at all: names beginning
// with "." are skipped, and so are names that are not UTF-8 (no wide path could name them again).
template <typename Visit> void ForEachEntry(const CAtlString &directory, Visit visit)
{
    std::string dir;
    if (directory.empty() || !FilePlatform::ToSystemPath(directory, dir)) return;
    DIR *handle = ::opendir(dir.c_str());
    if (!handle) return;
    while (const dirent *entry = ::readdir(handle)) {
        const std::string_view name(entry->d_name);
        if (name.empty() || name.front() == '.' || !Text::IsValidUtf8(name)) continue;
        bool isDirectory = false;
        if (entry->d_type == DT_DIR) {
            isDirectory = true;
        } else if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat st {
            };
            const std::string full = dir + "/" + std::string(name);
            isDirectory = ::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        visit(name, isDirectory);
    }
    ::closedir(handle);
}

bool Matches(const std::string &pattern, std::string_view name)
{
    return ::fnmatch(pattern.c_str(), std::string(name).c_str(), 0) == 0;
}

} // namespace

// ---- CKeldaFilePath ---------------------------------------------------------------------------------

CKeldaFilePath::CKeldaFilePath(std::wstring_view path) : m_path(Normalise(path)) {}

CKeldaFilePath CKeldaFilePath::FromUtf8(std::string_view utf8)
{
    return CKeldaFilePath(Text::FromUtf8(utf8));
}

CAtlStringA CKeldaFilePath::GetFilePathStringA() const
{
    return Text::ToUtf8(m_path);
}

CAtlStringA CKeldaFilePath::GetFilePathStringA_UTF8() const
{
    return Text::ToUtf8(m_path);
}

CAtlString CKeldaFilePath::GetFileName() const
{
    return CAtlString(FilePlatform::PathFindFileName(m_path));
}

CAtlString CKeldaFilePath::GetFileExtension() const
{
    const size_t dot = m_path.rfind(L'.');
    if (dot == CAtlString::npos) return CAtlString();
    const size_t slash = m_path.rfind(L'/');
    if (slash != CAtlString::npos && slash > dot) return CAtlString();
    return m_path.substr(dot);
}

CAtlString CKeldaFilePath::GetBaseFileName() const
{
    const CAtlString name = GetFileName();
    const size_t dot = name.rfind(L'.');
    return dot == CAtlString::npos ? name : name.substr(0, dot);
}

CKeldaDirectoryPath CKeldaFilePath::GetDirectoryPath() const
{
    const size_t slash = m_path.rfind(L'/');
    return slash == CAtlString::npos ? CKeldaDirectoryPath() : CKeldaDirectoryPath(m_path.substr(0, slash));
}

bool CKeldaFilePath::IsEqualPath(const CKeldaFilePath &other) const
{
    return Text::EqualsNoCase(m_path, other.m_path);
}

bool CKeldaFilePath::FileExists() const
{
    struct stat st {
    };
    return StatPath(m_path, st);
}

bool CKeldaFilePath::IsDirectory() const
{
    struct stat st {
    };
    return StatPath(m_path, st) && S_ISDIR(st.st_mode);
}

int32_t CKeldaFilePath::GetFileSize() const
{
    struct stat st {
    };
    if (!StatPath(m_path, st) || S_ISDIR(st.st_mode) || st.st_size > INT32_MAX) return -1;
    return static_cast<int32_t>(st.st_size);
}

bool CKeldaFilePath::CanFileBeWrittenTo() const
{
    struct stat st {
    };
    if (!StatPath(m_path, st)) return true;
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

uint32_t CKeldaFilePath::GetFileChecksum() const
{
    return FileChecksum::OfFile(*this);
}

CAtlString CKeldaFilePath::MakeNameLegal(std::wstring_view name)
{
    static constexpr std::wstring_view kIllegal = L"<>:\"/\\|?*";
    CAtlString legal;
    legal.reserve(name.size());
    for (const wchar_t c : name)
        if (kIllegal.find(c) == std::wstring_view::npos) legal.push_back(c);
    return legal;
}

// ---- CKeldaDirectoryPath ----------------------------------------------------------------------------

CKeldaDirectoryPath::CKeldaDirectoryPath(std::wstring_view path) : m_path(Normalise(path)) {}

CKeldaDirectoryPath CKeldaDirectoryPath::FromUtf8(std::string_view utf8)
{
    return CKeldaDirectoryPath(Text::FromUtf8(utf8));
}

CAtlStringA CKeldaDirectoryPath::GetDirectoryPathStringA() const
{
    return Text::ToUtf8(m_path);
}

CKeldaFilePath CKeldaDirectoryPath::CreateFilePath(std::wstring_view name) const
{
    CAtlString text = m_path;
    text += L'/';
    text += name;
    return CKeldaFilePath(text);
}

void CKeldaDirectoryPath::AddDirectoryToPath(std::wstring_view name)
{
    if (!name.empty()) {
        m_path += L'/';
        m_path += name;
    }
    m_path = Normalise(m_path);
}

bool CKeldaDirectoryPath::RemoveLastSubdirectoryFromPath()
{
    const size_t slash = m_path.rfind(L'/');
    if (slash == CAtlString::npos) return false;
    m_path.erase(slash);
    return true;
}

CAtlString CKeldaDirectoryPath::GetLastDirectoryName() const
{
    size_t end = m_path.size();
    while (end > 0 && m_path[end - 1] == L'/')
        --end;
    const size_t slash = m_path.rfind(L'/', end == 0 ? 0 : end - 1);
    const size_t begin = (slash == CAtlString::npos || slash >= end) ? 0 : slash + 1;
    return m_path.substr(begin, end - begin);
}

bool CKeldaDirectoryPath::DirectoryExists() const
{
    struct stat st {
    };
    return StatPath(m_path, st);
}

bool CKeldaDirectoryPath::IsEqualPath(const CKeldaDirectoryPath &other) const
{
    return Text::EqualsNoCase(m_path, other.m_path);
}

bool CKeldaDirectoryPath::IsSubdirectoryOf(const CKeldaDirectoryPath &parent) const
{
    if (m_path.empty() || parent.m_path.empty() || parent.m_path.size() > m_path.size()) return false;
    return Text::StartsWith(m_path, parent.m_path, true);
}

bool CKeldaDirectoryPath::CanDirectoryBeWrittenTo() const
{
    std::string p;
    return !m_path.empty() && FilePlatform::ToSystemPath(m_path, p) && ::access(p.c_str(), W_OK) == 0;
}

void CKeldaDirectoryPath::FindFilesInDirectory(std::wstring_view pattern, std::vector<CKeldaFilePath> &files) const
{
    std::string pat;
    if (!FilePlatform::ToSystemPath(pattern, pat)) return;
    ForEachEntry(m_path, [&](std::string_view name, bool isDirectory) {
        if (!isDirectory && Matches(pat, name)) files.push_back(CreateFilePath(Text::FromUtf8(name)));
    });
}

void CKeldaDirectoryPath::ListSubDirectories(std::wstring_view pattern, std::vector<CKeldaDirectoryPath> &directories,
                                             bool recursive) const
{
    std::string pat;
    if (!FilePlatform::ToSystemPath(pattern, pat)) return;
    std::vector<CKeldaDirectoryPath> descend;
    ForEachEntry(m_path, [&](std::string_view name, bool isDirectory) {
        if (!isDirectory) return;
        CKeldaDirectoryPath sub(*this);
        sub.AddDirectoryToPath(Text::FromUtf8(name));
        if (Matches(pat, name)) directories.push_back(sub);
        // A linked directory is listed but not entered: a link loop would never end, and a link out of
        // the tree would make recursive removals reach foreign folders.
        if (recursive && !FilePlatform::PathIsSymbolicLink(sub.m_path)) descend.push_back(std::move(sub));
    });
    for (const CKeldaDirectoryPath &sub : descend)
        sub.ListSubDirectories(pattern, directories, true);
    SortPaths(directories);
}

void CKeldaDirectoryPath::SortPaths(std::vector<CKeldaDirectoryPath> &directories)
{
    std::stable_sort(directories.begin(), directories.end(),
                     [](const CKeldaDirectoryPath &a, const CKeldaDirectoryPath &b) {
                         return a.GetLastDirectoryName() < b.GetLastDirectoryName();
                     });
}

CKeldaFilePath CKeldaDirectoryPath::CreateTempFileNameInDirectory(std::wstring_view prefix,
                                                                  std::wstring_view extension) const
{
    const CAtlString pre(prefix), ext(extension);
    CKeldaFilePath candidate(Text::Format(L"%ls%lc%ls%ls", m_path.c_str(), L'/', pre.c_str(), ext.c_str()));
    if (!candidate.FileExists()) return candidate;
    static thread_local std::minstd_rand random(static_cast<unsigned>(::getpid()) ^
                                                static_cast<unsigned>(reinterpret_cast<uintptr_t>(&candidate)));
    for (int attempt = 0; attempt < Limits::kMaxUniqueNameAttempts; ++attempt) {
        const int number = static_cast<int>(random() % 0x7FFF);
        candidate =
            CKeldaFilePath(Text::Format(L"%ls%lc%ls(%d)%ls", m_path.c_str(), L'/', pre.c_str(), number, ext.c_str()));
        if (!candidate.FileExists()) return candidate;
    }
    return CKeldaFilePath();
}

CKeldaDirectoryPath CKeldaDirectoryPath::CreateUniqueSubDirectoryPath(const CKeldaDirectoryPath &parent,
                                                                      std::wstring_view name)
{
    CKeldaDirectoryPath candidate(parent);
    candidate.AddDirectoryToPath(name);
    const CAtlString base(name);
    for (int n = 1; candidate.DirectoryExists() && n < INT32_MAX; ++n) {
        candidate = parent;
        candidate.AddDirectoryToPath(Text::Format(L"%ls%d", base.c_str(), n));
    }
    return candidate;
}

CKeldaFilePath CKeldaDirectoryPath::CreateUniqueFilePath(const CKeldaDirectoryPath &directory, std::wstring_view name,
                                                         std::wstring_view extension)
{
    const CAtlString base(name), ext(extension);
    CKeldaFilePath candidate = directory.CreateFilePath(base + ext);
    for (int n = 1; candidate.FileExists() && n < INT32_MAX; ++n)
        candidate = directory.CreateFilePath(Text::Format(L"%ls%d%ls", base.c_str(), n, ext.c_str()));
    return candidate;
}
