// The parameter kinds of the command-line parser.
#include "app/CmdLineParams.h"

namespace NTrove
{

const wchar_t *const MissingValuePrefix = L"Missing value: ";
const wchar_t *const UnknownPrefix = L"Unknown: ";
const wchar_t *const IgnoredPrefix = L"Ignored: ";
const wchar_t *const IllegalPrefix = L"Illegal: ";

CAtlString ParameterMessage(const wchar_t *prefix, const CAtlString &name)
{
    return CAtlString(prefix) + L"\"" + name + L"\"";
}

bool CStringParameter::Parse(CAtlString, CAtlString value)
{
    m_target = std::move(value);
    return true;
}

bool CMultiValueParameter::Parse(CAtlString, CAtlString value)
{
    m_values.push_back(std::move(value));
    return true;
}

bool CFlagParameter::Parse(CAtlString, CAtlString)
{
    m_target = true;
    return true;
}

void CActionParameter::Select()
{
    m_commandSlot = m_command;
    m_selected = true;
    m_contextShowGui = m_showGui;
}

bool CActionParameter::Parse(CAtlString name, CAtlString)
{
    if (m_exclusive && m_selected) {
        m_error = ParameterMessage(IllegalPrefix, name);
        return true;
    }
    Select();
    return true;
}

bool CErrorParameter::Parse(CAtlString kind, CAtlString text)
{
    CAtlString message;
    if (kind == L"__PARAM_NO_VALUE") {
        Select();
        message = ParameterMessage(MissingValuePrefix, text);
    } else if (kind == L"__GENERIC_ERROR") {
        Select();
        message = text;
    } else if (kind == L"__UNKNOWN_PARAM") {
        message = ParameterMessage(UnknownPrefix, text);
    } else if (kind == L"__DEFAULT_PARAM") {
        message = ParameterMessage(IgnoredPrefix, text);
    } else {
        message = text;
    }
    return CMultiValueParameter::Parse(kind, message);
}

bool CValueActionParameter::Parse(CAtlString name, CAtlString value)
{
    if (!m_callable) return false;
    if (m_selected) {
        m_error = ParameterMessage(IllegalPrefix, name);
        return true;
    }
    m_selected = true;
    return m_callable(value);
}

} // namespace NTrove
