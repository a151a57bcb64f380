// Temporary locations and temporary file names of CKeldaDirectoryPath and CKeldaFilePath.
#include "support/KeldaPath.h"

#include "support/DirectoryManipulator.h"
#include "support/FilePlatform.h"

#include <atomic>
#include <chrono>
#include <mutex>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace
{

std::mutex g_tempMutex;
CKeldaDirectoryPath g_tempFileDirectory; // set by SetTempFileDirectoryPath; guarded by g_tempMutex
std::atomic<bool> g_studentEdition{false};

unsigned TickCount()
{
    using namespace std::chrono;
    return static_cast<unsigned>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// The random part of temporary names, filled in by mkdtemp and mkstemps.
constexpr wchar_t RandomPart[] = L"-XXXXXX";

} // namespace

CKeldaDirectoryPath CKeldaDirectoryPath::GetTempDirectoryPath()
{
    return CKeldaDirectoryPath(FilePlatform::GetTempPath());
}

CKeldaDirectoryPath CKeldaDirectoryPath::GetTempFileDirectoryPath()
{
    {
        const std::lock_guard<std::mutex> lock(g_tempMutex);
        if (!g_tempFileDirectory.IsEmptyPath()) return g_tempFileDirectory;
    }
    return GetTempDirectoryPath();
}

void CKeldaDirectoryPath::SetTempFileDirectoryPath(const CKeldaDirectoryPath &path)
{
    const std::lock_guard<std::mutex> lock(g_tempMutex);
    g_tempFileDirectory = path;
}

CKeldaDirectoryPath CKeldaDirectoryPath::GetKELDADirectoryPath()
{
    CKeldaDirectoryPath path = GetTempFileDirectoryPath();
    if (!path.IsEmptyPath()) path.AddDirectoryToPath(L"Kelda Labs");
    return path;
}

CKeldaDirectoryPath CKeldaDirectoryPath::GetVellumTempDirectoryPath()
{
    CKeldaDirectoryPath path = GetKELDADirectoryPath();
    if (!path.IsEmptyPath()) path.AddDirectoryToPath(g_studentEdition ? L"Kelda Vellum SE" : L"Kelda Vellum");
    return path;
}

void CKeldaDirectoryPath::SetStudentEdition(bool studentEdition)
{
    g_studentEdition = studentEdition;
}

CKeldaDirectoryPath CKeldaDirectoryPath::CreateTempDirectory(const CKeldaDirectoryPath &parent,
                                                             std::wstring_view prefix)
{
    if (parent.IsEmptyPath() || prefix.empty() || !CDirectoryManipulator::CreateDirectory(parent))
        return CKeldaDirectoryPath();
    std::string pattern;
    if (!FilePlatform::ToSystemPath(parent.GetDirectoryPathString() + L"/" + CAtlString(prefix) + RandomPart,
                                    pattern) ||
        ::mkdtemp(pattern.data()) == nullptr)
        return CKeldaDirectoryPath();
    return CKeldaDirectoryPath::FromUtf8(pattern);
}

CKeldaFilePath CKeldaFilePath::CreateTempFileName(std::wstring_view extension, std::wstring_view prefix)
{
    const CKeldaDirectoryPath directory = CKeldaDirectoryPath::GetTempFileDirectoryPath();
    if (directory.IsEmptyPath() || !CDirectoryManipulator::CreateDirectory(directory)) return CKeldaFilePath();
    const CAtlString pre =
        prefix.empty() ? Text::Format(L"VLM-%d-%x", static_cast<int>(::getpid()), TickCount()) : CAtlString(prefix);
    const CAtlString ext(extension);
    std::string pattern, suffix;
    if (!FilePlatform::ToSystemPath(directory.GetDirectoryPathString() + L"/" + pre + RandomPart + ext, pattern) ||
        !FilePlatform::ToSystemPath(ext, suffix))
        return CKeldaFilePath();
    const int fd = ::mkostemps(pattern.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
    if (fd < 0) return CKeldaFilePath();
    ::close(fd);
    return CKeldaFilePath::FromUtf8(pattern);
}
