// The user's home folder, the one base of every per-user location (personal gallery, cache, settings).
// A run from cron or a service unit may have no HOME at all; the library then takes the home folder from
// the password database instead of writing relative to "/".
#pragma once

#include <string>

namespace HomeDirectory
{

// HOME when it is an absolute path, otherwise the password database's home folder of the effective
// user; "" only when neither names one. No trailing slash (except for "/" itself).
std::string Path();

} // namespace HomeDirectory
