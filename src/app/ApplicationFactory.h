// CApplicationFactory: the one object of a run. It owns the command-line context, the parameter
// objects and the parser, knows which command was selected, and holds the GUI look (style sheet and
// the configuration's translator). It lives on main's stack for the whole run.
#pragma once

#include "app/CmdLineParams.h"
#include "app/CommandLineParser.h"
#include "support/Qtfier.h"
#include "app/WorkFlow.h"

#include <QString>
#include <QStringList>
#include <QTranslator>

#include <sys/types.h>

#include <memory>
#include <vector>

class QApplication;
class QCoreApplication;

// The Qt widget style of GUI runs.
extern const char *const GUISTYLE;

class CApplicationFactory
{
  public:
    static const char *const DEFAULT_STYLE_SHEET;

    CApplicationFactory();
    virtual ~CApplicationFactory();
    CApplicationFactory(const CApplicationFactory &) = delete;
    CApplicationFactory &operator=(const CApplicationFactory &) = delete;

    // Fills the context from the arguments (argv[0] is the program). The verdict is informational:
    // errors have already selected the usage command.
    bool ParseArguments(int argc, char **argv);

    // True when this run must be repeated with administrator rights: an interactive run (ui or the
    // command's show-GUI flag) by a non-root user without forceuser or authorized.
    bool NeedsElevation() const;
    static bool NeedsElevation(const NTrove::CCmdLineContext &context, uid_t effectiveUserId);
    // True when the selected command shows a window, which a run with a core application only (no
    // display, or "--noui") cannot do.
    bool NeedsDisplay() const;
    // Says on the error stream that the command needs a graphical display (after the parameter errors,
    // as any command would); returns the exit code, 1.
    [[nodiscard]] static int RefuseWithoutDisplay(const NTrove::CCmdLineContext &context);
    // Relaunches the program elevated with GetAuthorizedArguments(); the result is the exit code.
    [[nodiscard]] int RunElevated();
    // The raw arguments, then "--authorized", "--locale" and the locale.
    QStringList GetAuthorizedArguments() const;

    CAtlString GetFullExePath() const { return m_context.executablePath; }
    CAtlString GetLocale() const { return m_context.locale; }

    // No event filter is needed on this platform.
    void InstallEventFilter(QCoreApplication *application);
    // Applies the style sheet; nothing for a null pointer.
    void SetStylesheet(QApplication *application);
    // Installs the configuration's translator; nothing for a null pointer.
    void InstallAdditionalTranslator(QCoreApplication *application);
    // Called after every successful configuration load: loads the "Trove" translator of the
    // configuration and extends the style sheet (applied at once only in GUI runs).
    void OnConfigurationLoaded(const ConfigurationWrapper &configuration);

    // The targets of the configuration and guid options.
    [[nodiscard]] bool LoadConfigurationPath(const CAtlString &path);
    [[nodiscard]] bool LoadConfigurationGuid(const CAtlString &guid);

    // The command of the justupdated option: continues with the arguments stored before a
    // self-update, or runs the default command when none were stored.
    [[nodiscard]] int JustUpdated();
    // Runs the selected command (virtual so that a test can stand in for the command).
    [[nodiscard]] virtual int Run();

    const NTrove::CCmdLineContext &GetContext() const { return m_context; }
    bool IsNoUi() const { return m_noUi; }
    const QString &GetStyleSheet() const { return m_styleSheet; }

  private:
    void RegisterOptions();
    NTrove::Command Bind(int (CWorkFlow::*method)(const NTrove::CCmdLineContext &,
                                                  std::shared_ptr<ConfigurationWrapper>));
    template <class T, class... Args> T *Make(Args &&...args);
    NTrove::CActionParameter *Action(NTrove::Command command, bool showGui);

    QString m_styleSheet;
    QTranslator m_translator;
    QtEventProxy m_eventProxy;
    bool m_commandSelected = false;
    bool m_errorSelected = false;
    bool m_configurationSelected = false;
    NTrove::CCmdLineContext m_context;
    CWorkFlow m_workflow;
    std::vector<std::unique_ptr<NTrove::ICmdLineParam>> m_parameters;
    NTrove::CCommandLineParser m_parser;
    NTrove::Command m_command;
    std::shared_ptr<ConfigurationWrapper> m_configuration;
    bool m_noUi = false;
};
