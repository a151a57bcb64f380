// The parameter objects that the command-line parser dispatches to. Each kind is bound to a target
// (a context field, a list, a flag, or the factory's command slot) and reports problems through
// GetError, which the parser collects after the last argument.
#pragma once

#include "app/CmdLineContext.h"

#include <functional>

namespace NTrove
{

// Messages about parameters: a prefix and the quoted option name.
CAtlString ParameterMessage(const wchar_t *prefix, const CAtlString &name);
extern const wchar_t *const MissingValuePrefix; // "Missing value: "
extern const wchar_t *const UnknownPrefix;      // "Unknown: "
extern const wchar_t *const IgnoredPrefix;      // "Ignored: "
extern const wchar_t *const IllegalPrefix;      // "Illegal: "

class ICmdLineParam
{
  public:
    virtual ~ICmdLineParam() = default;
    // Accepts one option with its value ("" for flags); false when the option could not be used.
    virtual bool Parse(CAtlString name, CAtlString value) = 0;
    // A problem to report after parsing, or "".
    virtual CAtlString GetError() { return CAtlString(); }
};

class CStringParameter : public virtual ICmdLineParam
{
  public:
    explicit CStringParameter(CAtlString &target) : m_target(target) {}
    bool Parse(CAtlString name, CAtlString value) override;

  private:
    CAtlString &m_target;
};

// A path, stored as written.
class CPathParameter : public CStringParameter
{
  public:
    using CStringParameter::CStringParameter;
};

class CMultiValueParameter : public virtual ICmdLineParam
{
  public:
    explicit CMultiValueParameter(CAtlStringList &target) : m_values(target) {}
    bool Parse(CAtlString name, CAtlString value) override;

  protected:
    CAtlStringList &m_values;
};

class CFlagParameter : public virtual ICmdLineParam
{
  public:
    explicit CFlagParameter(bool &target) : m_target(target) {}
    bool Parse(CAtlString name, CAtlString value) override;

  private:
    bool &m_target;
};

// Selects a command. Exclusive actions share one selected flag, so the first one on the command line
// wins and a later one is reported as illegal.
class CActionParameter : public virtual ICmdLineParam
{
  public:
    CActionParameter(Command &commandSlot, bool &selected, bool &showGui)
        : m_commandSlot(commandSlot), m_selected(selected), m_contextShowGui(showGui)
    {
    }
    void Initialize(Command command, bool showGui)
    {
        m_command = std::move(command);
        m_showGui = showGui;
    }
    void SetExclusive(bool exclusive) { m_exclusive = exclusive; }
    bool Parse(CAtlString name, CAtlString value) override;
    CAtlString GetError() override { return m_error; }

  protected:
    void Select();

  private:
    Command &m_commandSlot;
    bool &m_selected;
    bool &m_contextShowGui;
    Command m_command;
    bool m_showGui = true;
    bool m_exclusive = true;
    CAtlString m_error;
};

// Receives the parser's own reports ("__PARAM_NO_VALUE", "__UNKNOWN_PARAM", "__DEFAULT_PARAM",
// "__GENERIC_ERROR"), records a message for each, and selects its command for the first and last kind.
class CErrorParameter : public CActionParameter, public CMultiValueParameter
{
  public:
    CErrorParameter(Command &commandSlot, bool &selected, bool &showGui, CAtlStringList &messages)
        : CActionParameter(commandSlot, selected, showGui), CMultiValueParameter(messages)
    {
    }
    bool Parse(CAtlString kind, CAtlString text) override;
    CAtlString GetError() override { return CAtlString(); }
};

// Calls a function with the option's value. Parameters sharing one selected flag exclude each other.
class CValueActionParameter : public virtual ICmdLineParam
{
  public:
    explicit CValueActionParameter(bool &selected) : m_selected(selected) {}
    void Initialize(std::function<bool(const CAtlString &)> callable) { m_callable = std::move(callable); }
    bool Parse(CAtlString name, CAtlString value) override;
    CAtlString GetError() override { return m_error; }

  private:
    std::function<bool(const CAtlString &)> m_callable;
    bool &m_selected;
    CAtlString m_error;
};

} // namespace NTrove
