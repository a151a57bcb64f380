// Option matching and the collection of parameter errors.
#include "app/CommandLineParser.h"

#include <set>

namespace NTrove
{

bool CCommandLineParser::DeleteMinus(CAtlString &text)
{
    if (Text::StartsWith(text, L"--")) {
        text.erase(0, 2);
        return true;
    }
    if (Text::StartsWith(text, L"-") || Text::StartsWith(text, L"\\")) {
        text.erase(0, 1);
        return true;
    }
    return false;
}

bool CCommandLineParser::ReportError(const wchar_t *kind, const CAtlString &text)
{
    return m_error ? m_error->Parse(kind, text) : false;
}

bool CCommandLineParser::Parse(const std::vector<CAtlString> &arguments)
{
    bool result = true;
    for (size_t i = 1; i < arguments.size(); ++i) {
        CAtlString option = arguments[i];
        if (!DeleteMinus(option)) {
            if (!m_default) return false;
            result = m_default->Parse(L"__DEFAULT_PARAM", arguments[i]) && result;
            continue;
        }

        const auto value = m_values.find(option);
        if (value != m_values.end()) {
            if (i + 1 >= arguments.size()) {
                ReportError(L"__PARAM_NO_VALUE", option);
                result = false;
                continue;
            }
            CAtlString next = arguments[i + 1];
            if (DeleteMinus(next)) {
                // The next argument is an option of its own: it is examined in the next round.
                ReportError(L"__PARAM_NO_VALUE", option);
                result = false;
                continue;
            }
            result = value->second->Parse(option, arguments[i + 1]) && result;
            ++i;
            continue;
        }

        const auto flag = m_flags.find(option);
        if (flag != m_flags.end()) {
            result = flag->second->Parse(option, CAtlString()) && result;
            continue;
        }

        const size_t colon = option.find(L':');
        if (colon != CAtlString::npos) {
            const CAtlString name = option.substr(0, colon);
            const auto named = m_values.find(name);
            if (named != m_values.end())
                result = named->second->Parse(name, option.substr(colon + 1)) && result;
            else
                result = ReportError(L"__UNKNOWN_PARAM", name) && result;
        } else {
            result = ReportError(L"__UNKNOWN_PARAM", option) && result;
        }
    }

    // Errors that parameters noticed while parsing (a second action, a second configuration source).
    // One object registered under several names (help, ?, h) reports once.
    std::set<ICmdLineParam *> asked;
    auto collect = [&](ICmdLineParam *parameter) {
        if (!parameter || !asked.insert(parameter).second) return;
        const CAtlString error = parameter->GetError();
        if (error.empty()) return;
        ReportError(L"__GENERIC_ERROR", error);
        result = false;
    };
    collect(m_default);
    for (const auto &entry : m_values)
        collect(entry.second);
    for (const auto &entry : m_flags)
        collect(entry.second);
    return result;
}

bool CCommandLineParser::ParseArguments(int argc, char **argv)
{
    std::vector<CAtlString> arguments;
    for (int i = 0; i < argc; ++i)
        arguments.push_back(Text::FromUtf8(argv[i] ? argv[i] : ""));
    return Parse(arguments);
}

bool CCommandLineParser::ParseArguments(int argc, wchar_t **argv)
{
    std::vector<CAtlString> arguments;
    for (int i = 0; i < argc; ++i)
        arguments.push_back(argv[i] ? argv[i] : L"");
    return Parse(arguments);
}

} // namespace NTrove
