// Directory operations on top of the path values and the primitive file layer.
#include "support/DirectoryManipulator.h"

#include "support/FileManipulator.h"
#include "support/FilePlatform.h"
#include "support/Limits.h"

#include <cerrno>

bool CDirectoryManipulator::CreateDirectory(const CKeldaDirectoryPath &path)
{
    if (path.IsEmptyPath()) return false;
    if (path.DirectoryExists()) return true;
    CKeldaDirectoryPath parent(path);
    // The parents' results do not matter: the last level's own creation tells.
    if (parent.RemoveLastSubdirectoryFromPath() && !parent.IsEmptyPath()) (void)CreateDirectory(parent);
    if (FilePlatform::CreateDirectory(path.GetDirectoryPathString())) return true;
    // Someone else may have made it meanwhile.
    return errno == EEXIST && FilePlatform::PathIsDirectory(path.GetDirectoryPathString());
}

bool CDirectoryManipulator::CreateUniqueSubDirectory(const CKeldaDirectoryPath &parent, std::wstring_view name,
                                                     CKeldaDirectoryPath &created)
{
    created.Empty();
    if (parent.IsEmptyPath() || name.empty() || !CreateDirectory(parent)) return false;
    const CAtlString base(name);
    for (int n = 0; n < Limits::kMaxUniqueNameAttempts; ++n) {
        CKeldaDirectoryPath candidate(parent);
        candidate.AddDirectoryToPath(n == 0 ? base : Text::Format(L"%ls%d", base.c_str(), n));
        if (FilePlatform::CreatePrivateDirectory(candidate.GetDirectoryPathString())) {
            created = candidate;
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

bool CDirectoryManipulator::RemoveDirectory(const CKeldaDirectoryPath &path)
{
    if (!FilePlatform::PathExistsNoFollow(path.GetDirectoryPathString())) return true;
    return FilePlatform::RemoveDirectory(path.GetDirectoryPathString());
}

bool CDirectoryManipulator::RemoveFilesFromDirectory(const CKeldaDirectoryPath &path, std::wstring_view pattern)
{
    std::vector<CKeldaFilePath> files;
    path.FindFilesInDirectory(pattern, files);
    bool ok = true;
    for (const CKeldaFilePath &file : files)
        ok = CFileManipulator::DeleteFile(file) && ok;
    return ok;
}

bool CDirectoryManipulator::RemoveAllFilesAndSubDirectories(const CKeldaDirectoryPath &path)
{
    std::vector<CKeldaDirectoryPath> directories;
    path.ListSubDirectories(L"*", directories, true);
    bool ok = true;
    for (const CKeldaDirectoryPath &directory : directories) {
        const CAtlString &text = directory.GetDirectoryPathString();
        if (FilePlatform::PathIsSymbolicLink(text)) {
            ok = FilePlatform::DeleteFile(text) && ok;
            continue;
        }
        ok = RemoveAllFilesAndSubDirectories(directory) && ok;
        ok = RemoveDirectory(directory) && ok;
    }
    return RemoveFilesFromDirectory(path, L"*") && ok;
}

bool CDirectoryManipulator::RemoveDirectoryAndContents(const CKeldaDirectoryPath &path)
{
    // What could not be removed inside keeps the directory, which its removal then reports.
    (void)RemoveAllFilesAndSubDirectories(path);
    return RemoveDirectory(path);
}

HRESULT CDirectoryManipulator::RecursivelyCopyDirectory(const CKeldaDirectoryPath &source,
                                                        const CKeldaDirectoryPath &target, bool move)
{
    if (!source.DirectoryExists()) return E_FAIL;
    // Without a target nothing can be copied; that is no success.
    if (!CreateDirectory(target)) return E_FAIL;
    std::vector<CKeldaFilePath> files;
    source.FindFilesInDirectory(L"*", files);
    for (const CKeldaFilePath &file : files) {
        const CKeldaFilePath to = target.CreateFilePath(file.GetFileName());
        // Single files that fail are skipped; the copy goes on.
        if (move)
            (void)CFileManipulator::MoveFileTo(file, to);
        else
            (void)CFileManipulator::CopyFileTo(file, to, false);
    }
    std::vector<CKeldaDirectoryPath> directories;
    source.ListSubDirectories(L"*", directories, false);
    for (const CKeldaDirectoryPath &directory : directories) {
        CKeldaDirectoryPath sub(target);
        sub.AddDirectoryToPath(directory.GetLastDirectoryName());
        // A target inside the source shows up in the listing; copying it into itself would never end.
        if (directory == target) continue;
        // A sub-folder that cannot be made fails its own copy below.
        (void)CreateDirectory(sub);
        const HRESULT hr = RecursivelyCopyDirectory(directory, sub, move);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}
