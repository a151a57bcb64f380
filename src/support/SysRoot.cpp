// Prefixing of fixed absolute locations by TROVE_SYSROOT.
#include "support/SysRoot.h"

#include "support/Text.h"

#include <cstdlib>

namespace SysRoot
{

std::string Prefix()
{
    const char *root = std::getenv("TROVE_SYSROOT");
    if (!root || !*root) return std::string();
    std::string prefix(root);
    while (prefix.size() > 1 && prefix.back() == '/')
        prefix.pop_back();
    return prefix == "/" ? std::string() : prefix;
}

std::string Path(const std::string &absolutePath)
{
    return Prefix() + absolutePath;
}

std::wstring Path(const std::wstring &absolutePath)
{
    return Text::FromUtf8(Prefix()) + absolutePath;
}

} // namespace SysRoot
