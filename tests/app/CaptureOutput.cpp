// Redirection of the standard streams into temporary files around one call.
#include "app/CaptureOutput.h"

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace
{

std::string Drain(int fd)
{
    std::string text;
    lseek(fd, 0, SEEK_SET);
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(n));
    return text;
}

int TempFile()
{
    std::string path = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/trove-capture-XXXXXX";
    const int fd = mkstemp(path.data());
    if (fd != -1) unlink(path.c_str());
    return fd;
}

} // namespace

CapturedOutput Capture(const std::function<int()> &call)
{
    std::fflush(stdout);
    std::fflush(stderr);
    const int outFile = TempFile();
    const int errFile = TempFile();
    const int savedOut = dup(1);
    const int savedErr = dup(2);
    dup2(outFile, 1);
    dup2(errFile, 2);

    CapturedOutput captured;
    captured.result = call();

    std::fflush(stdout);
    std::fflush(stderr);
    dup2(savedOut, 1);
    dup2(savedErr, 2);
    close(savedOut);
    close(savedErr);
    captured.out = Drain(outFile);
    captured.err = Drain(errFile);
    close(outFile);
    close(errFile);
    return captured;
}
