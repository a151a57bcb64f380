// Temporary locations and temporary file names of CKeldaDirectoryPath and CKeldaFilePath.
#include "support/KeldaPath.h"

#include "support/DirectoryManipulator.h"
#include "support/FilePlatform.h"
#include "support/Limits.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <random>

#include <fcntl.h>
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

// Creates path empty, exclusively and privately; false when the name is taken or cannot be made.
bool CreateExclusively(const CKeldaFilePath &path, bool &nameTaken)
{
    nameTaken = false;
    std::string p;
    if (!FilePlatform::ToSystemPath(path.GetFilePathString(), p)) return false;
    const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        nameTaken = errno == EEXIST;
        return false;
    }
    ::close(fd);
    return true;
}

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

CKeldaFilePath CKeldaFilePath::CreateTempFileName(std::wstring_view extension, std::wstring_view prefix)
{
    const CKeldaDirectoryPath directory = CKeldaDirectoryPath::GetTempFileDirectoryPath();
    if (directory.IsEmptyPath() || !CDirectoryManipulator::CreateDirectory(directory)) return CKeldaFilePath();
    const CAtlString pre =
        prefix.empty() ? Text::Format(L"VLM-%d-%x", static_cast<int>(::getpid()), TickCount()) : CAtlString(prefix);
    const CAtlString ext(extension);
    const CAtlString &dir = directory.GetDirectoryPathString();

    bool taken = false;
    CKeldaFilePath candidate(Text::Format(L"%ls%lc%ls%ls", dir.c_str(), L'/', pre.c_str(), ext.c_str()));
    if (CreateExclusively(candidate, taken)) return candidate;
    static thread_local std::minstd_rand random(static_cast<unsigned>(::getpid()) ^ TickCount());
    for (int attempt = 0; taken && attempt < Limits::kMaxUniqueNameAttempts; ++attempt) {
        const int number = static_cast<int>(random() % 0x7FFF);
        candidate =
            CKeldaFilePath(Text::Format(L"%ls%lc%ls(%d)%ls", dir.c_str(), L'/', pre.c_str(), number, ext.c_str()));
        if (CreateExclusively(candidate, taken)) return candidate;
    }
    return CKeldaFilePath();
}
