// The user's home folder from HOME or the password database.
#include "support/HomeDirectory.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace HomeDirectory
{

namespace
{

std::string WithoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

std::string Path()
{
    if (const char *home = std::getenv("HOME"); home && home[0] == '/') return WithoutTrailingSlash(home);
    // The reentrant form: worker threads of the library ask too.
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd *found = nullptr;
    while (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE && buffer.size() < 1 << 20)
        buffer.resize(buffer.size() * 2);
    if (found && found->pw_dir && found->pw_dir[0] == '/') return WithoutTrailingSlash(found->pw_dir);
    return std::string();
}

} // namespace HomeDirectory
