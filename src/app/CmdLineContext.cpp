// Keeping an argument list in the preference store across a self-update.
#include "app/CmdLineContext.h"

#include "configuration/Defaults.h"
#include "settings/Preferences.h"

#include <cstdlib>

namespace NTrove
{

const wchar_t *const CCmdLineContext::TempDomain = L"com.keldalabs.Registry";

CAtlString CCmdLineContext::PasswordFromEnvironment()
{
    const char *password = std::getenv("TROVE_PASSWORD");
    return password ? Text::FromUtf8(password) : CAtlString();
}

bool CCmdLineContext::PushArguments(const QStringList &list)
{
    RecursivePreferenceDelete(PreferenceScopeUser, Defaults::TEMP_KEY, TempDomain);
    if (WritePreferenceInt(PreferenceScopeUser, Defaults::TEMP_KEY, L"count", static_cast<int>(list.size()),
                           TempDomain) != 0)
        return false;
    bool ok = true;
    for (int i = 0; i < list.size(); ++i) {
        if (WritePreferenceString(PreferenceScopeUser, Defaults::TEMP_KEY, std::to_wstring(i), Text::FromQt(list.at(i)),
                                  TempDomain) != 0)
            ok = false;
    }
    return ok;
}

bool CCmdLineContext::PopArguments(QStringList &list)
{
    bool ok = true;
    unsigned int error = 0;
    const int count = GetPreferenceInt(PreferenceScopeUser, Defaults::TEMP_KEY, L"count", 0, &error, TempDomain);
    if (error == 0 && count >= 1) {
        for (int i = 0; i < count; ++i) {
            unsigned int readError = 0;
            const CAtlString value = GetPreferenceString(PreferenceScopeUser, Defaults::TEMP_KEY, std::to_wstring(i),
                                                         CAtlString(), &readError, TempDomain);
            if (readError != 0) ok = false;
            list.append(Text::ToQt(value));
        }
    }
    RecursivePreferenceDelete(PreferenceScopeUser, Defaults::TEMP_KEY, TempDomain);
    return ok;
}

} // namespace NTrove
