// File operations on top of the path values and the primitive file layer.
#include "support/FileManipulator.h"

#include "support/FilePlatform.h"
#include "support/SaveFile.h"

bool CFileManipulator::DeleteFile(const CKeldaFilePath &path)
{
    const CAtlString &text = path.GetFilePathString();
    if (!FilePlatform::PathExistsNoFollow(text)) return true;
    // Making a read-only file writable first only helps; the deletion below tells.
    if (!FilePlatform::PathIsSymbolicLink(text))
        (void)FilePlatform::SetFileAttributes(text, FilePlatform::FILE_ATTRIBUTE_NORMAL);
    return FilePlatform::DeleteFile(text);
}

bool CFileManipulator::DeleteFile(const CKeldaFilePath &path, bool flag1, bool flag2)
{
    if (!FilePlatform::PathExistsNoFollow(path.GetFilePathString())) return true;
    if (flag1 || flag2) return false;
    return DeleteFile(path);
}

bool CFileManipulator::CopyFileTo(const CKeldaFilePath &source, const CKeldaFilePath &target, bool failIfExists)
{
    return FilePlatform::CopyFile(source.GetFilePathString(), target.GetFilePathString(), failIfExists);
}

bool CFileManipulator::CopyFileTo(const CKeldaFilePath &source, const CKeldaDirectoryPath &target, bool failIfExists)
{
    return CopyFileTo(source, target.CreateFilePath(source.GetFileName()), failIfExists);
}

bool CFileManipulator::MoveFileTo(const CKeldaFilePath &source, const CKeldaFilePath &target)
{
    return FilePlatform::MoveFile(source.GetFilePathString(), target.GetFilePathString());
}

FILE *CFileManipulator::OpenFile(const CKeldaFilePath &path, const char *mode)
{
    std::string name;
    if (!mode || path.IsEmptyPath() || !FilePlatform::ToSystemPath(path.GetFilePathString(), name)) return nullptr;
    return std::fopen(name.c_str(), mode);
}

size_t CFileManipulator::ReadFileIntoBuffer(const CKeldaFilePath &path, std::vector<char> &buffer)
{
    buffer.clear();
    const int32_t size = path.GetFileSize();
    if (size <= 0) return 0;
    FILE *file = OpenFile(path, "rb");
    if (!file) return 0;
    buffer.resize(static_cast<size_t>(size));
    const size_t read = std::fread(buffer.data(), 1, buffer.size(), file);
    std::fclose(file);
    buffer.resize(read);
    return read;
}

bool CFileManipulator::ReadAsciiFileIntoAsciiString(const CKeldaFilePath &path, CAtlStringA &text)
{
    text.clear();
    FILE *file = OpenFile(path, "rb");
    if (!file) return false;
    char chunk[65536];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, n);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    if (!ok) text.clear();
    return ok;
}

bool CFileManipulator::WriteAsciiStringToFile(const CKeldaFilePath &path, const CAtlStringA &text)
{
    return CSaveFile::WriteWholeFile(path, text);
}
