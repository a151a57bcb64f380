// Fixed absolute locations of the system ("/opt/...", "/tmp", the system-scope settings folder).
// Every such path goes through SysRootPath so that tests can move them all under one folder by setting
// TROVE_SYSROOT. Unset, the paths are exactly the documented ones.
#pragma once

#include <string>

namespace SysRoot
{

// The TROVE_SYSROOT prefix without a trailing slash, or "" when unset.
std::string Prefix();
// absolutePath must start with '/'; returns it under the prefix.
std::string Path(const std::string &absolutePath);
std::wstring Path(const std::wstring &absolutePath);

} // namespace SysRoot
