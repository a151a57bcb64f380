// Relocatable file lists.
#include "support/FileList.h"

#include "support/DirectoryManipulator.h"
#include "support/FileManipulator.h"
#include "support/FilePlatform.h"

#include <sys/stat.h>

namespace
{

// True when both names reach the same file on disk (then deleting the old one would delete the new).
bool SameFile(const CAtlString &a, const CAtlString &b)
{
    std::string pa, pb;
    struct stat sa {
    }, sb{};
    return FilePlatform::ToSystemPath(a, pa) && FilePlatform::ToSystemPath(b, pb) && ::stat(pa.c_str(), &sa) == 0 &&
           ::stat(pb.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

FileList::AfterCopyHook afterCopyHook = nullptr;

} // namespace

void FileList::SetAfterCopyHookForTesting(AfterCopyHook hook)
{
    afterCopyHook = hook;
}

CKeldaFilePath FileList::Join(const CKeldaDirectoryPath &directory, const CKeldaFilePath &relative)
{
    if (directory.IsEmptyPath()) return relative;
    return directory.CreateFilePath(relative.GetFilePathString());
}

CKeldaDirectoryPath FileList::Join(const CKeldaDirectoryPath &directory, const CKeldaDirectoryPath &relative)
{
    CKeldaDirectoryPath joined(directory);
    if (joined.IsEmptyPath()) return relative;
    joined.AddDirectoryToPath(relative.GetDirectoryPathString());
    return joined;
}

bool FileList::AddRelativeFilePath(const CKeldaFilePath &relative)
{
    if (relative.IsEmptyPath()) return false;
    m_files[relative] = CKeldaFilePath();
    return true;
}

bool FileList::AddAbsoluteFilePath(const CKeldaFilePath &file, const CKeldaDirectoryPath &relativeDirectory)
{
    if (!file.FileExists()) return false;
    m_files[Join(relativeDirectory, CKeldaFilePath(file.GetFileName()))] = file;
    return true;
}

bool FileList::AddRelativeDirectoryPath(const CKeldaDirectoryPath &relative)
{
    if (relative.IsEmptyPath()) return false;
    m_directories[relative] = CKeldaDirectoryPath();
    return true;
}

bool FileList::AddAbsoluteDirectoryPath(const CKeldaDirectoryPath &directory, const CKeldaDirectoryPath &relativeParent)
{
    if (!directory.DirectoryExists()) return false;
    m_directories[Join(relativeParent, CKeldaDirectoryPath(directory.GetLastDirectoryName()))] = directory;
    return true;
}

bool FileList::RecursivelyAddDirectoryContent(const CKeldaDirectoryPath &source,
                                              const CKeldaDirectoryPath &relativeDirectory, std::wstring_view pattern)
{
    if (!m_root.DirectoryExists() || !source.DirectoryExists() || source.IsSubdirectoryOf(m_root)) return false;
    bool ok = true;
    std::vector<CKeldaFilePath> files;
    source.FindFilesInDirectory(pattern, files);
    for (const CKeldaFilePath &file : files)
        ok = AddAbsoluteFilePath(file, relativeDirectory) && ok;
    std::vector<CKeldaDirectoryPath> directories;
    source.ListSubDirectories(L"*", directories, false);
    for (const CKeldaDirectoryPath &directory : directories) {
        if (FilePlatform::PathIsSymbolicLink(directory.GetDirectoryPathString())) continue; // no loops
        const CKeldaDirectoryPath relative =
            Join(relativeDirectory, CKeldaDirectoryPath(directory.GetLastDirectoryName()));
        ok = RecursivelyAddDirectoryContent(directory, relative, pattern) && ok;
    }
    return ok;
}

CKeldaFilePath FileList::GetAbsoluteFilePath(const CKeldaFilePath &relative) const
{
    const auto it = m_files.find(relative);
    if (it != m_files.end() && !it->second.IsEmptyPath()) return it->second;
    return Join(m_root, relative);
}

CKeldaDirectoryPath FileList::GetAbsoluteDirectoryPath(const CKeldaDirectoryPath &relative) const
{
    const auto it = m_directories.find(relative);
    if (it != m_directories.end() && !it->second.IsEmptyPath()) return it->second;
    return Join(m_root, relative);
}

bool FileList::Verify() const
{
    for (const auto &entry : m_files)
        if (!GetAbsoluteFilePath(entry.first).FileExists()) return false;
    for (const auto &entry : m_directories)
        if (!GetAbsoluteDirectoryPath(entry.first).DirectoryExists()) return false;
    return true;
}

bool FileList::CopyToLocation(const CKeldaDirectoryPath &target) const
{
    if (!CDirectoryManipulator::CreateDirectory(target)) return false;
    bool ok = true;
    for (const auto &entry : m_files) {
        const CKeldaFilePath to = Join(target, entry.first);
        const CKeldaDirectoryPath folder = to.GetDirectoryPath();
        ok = CDirectoryManipulator::CreateDirectory(folder) && ok;
        ok = CFileManipulator::CopyFileTo(GetAbsoluteFilePath(entry.first), to, false) && ok;
    }
    for (const auto &entry : m_directories) {
        const CKeldaDirectoryPath to = Join(target, entry.first);
        ok = CDirectoryManipulator::CreateDirectory(to) && ok;
        ok = SUCCEEDED(
                 CDirectoryManipulator::RecursivelyCopyDirectory(GetAbsoluteDirectoryPath(entry.first), to, false)) &&
             ok;
    }
    return ok;
}

bool FileList::MoveToLocation(const CKeldaDirectoryPath &target, bool removeOld)
{
    FileList old(*this);
    if (!CopyToLocation(target)) return false;
    if (afterCopyHook) afterCopyHook(target);
    m_root = target;
    for (auto &entry : m_files)
        entry.second.Empty();
    for (auto &entry : m_directories)
        entry.second.Empty();
    if (!Verify()) {
        *this = std::move(old);
        return false;
    }
    if (removeOld) {
        // Resolve every old entry to its absolute path, and keep back any that is the new copy itself.
        FileList obsolete;
        for (const auto &entry : old.m_files) {
            const CKeldaFilePath from = old.GetAbsoluteFilePath(entry.first);
            if (!SameFile(from.GetFilePathString(), GetAbsoluteFilePath(entry.first).GetFilePathString()))
                obsolete.m_files[entry.first] = from;
        }
        for (const auto &entry : old.m_directories) {
            const CKeldaDirectoryPath from = old.GetAbsoluteDirectoryPath(entry.first);
            const CKeldaDirectoryPath to = GetAbsoluteDirectoryPath(entry.first);
            if (!SameFile(from.GetDirectoryPathString(), to.GetDirectoryPathString()) && !to.IsSubdirectoryOf(from))
                obsolete.m_directories[entry.first] = from;
        }
        // The files are in place; old copies that stay behind do not undo the move.
        (void)obsolete.Uninstall();
    }
    return true;
}

bool FileList::Uninstall() const
{
    bool ok = true;
    for (const auto &entry : m_files)
        ok = CFileManipulator::DeleteFile(GetAbsoluteFilePath(entry.first)) && ok;
    for (const auto &entry : m_directories)
        ok = CDirectoryManipulator::RemoveDirectoryAndContents(GetAbsoluteDirectoryPath(entry.first)) && ok;
    return ok;
}
