// The application factory: option registration, elevation decisions, the GUI look and the command.
#include "app/ApplicationFactory.h"

#include "app/ConfigurationLoading.h"
#include "app/Output.h"
#include "settings/KDLocale.h"
#include "net/Elevation.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

#include <unistd.h>

using NTrove::CActionParameter;
using NTrove::CCmdLineContext;
using NTrove::CErrorParameter;
using NTrove::CFlagParameter;
using NTrove::CMultiValueParameter;
using NTrove::CPathParameter;
using NTrove::CStringParameter;
using NTrove::CValueActionParameter;

const char *const GUISTYLE = "plastique";

namespace
{
// A command that shows a window. It carries that mark in its type (see NeedsDisplay) and refuses to
// run without a GUI application.
struct WindowCommand {
    NTrove::Command command;
    int operator()(const CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration) const
    {
        if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
            return CApplicationFactory::RefuseWithoutDisplay(context);
        return command(context, std::move(configuration));
    }
};

// The default command, preselected and restored by justupdated.
NTrove::Command NormalCommand()
{
    return WindowCommand{[](const CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration) {
        CWorkFlow workflow;
        return workflow.Normal(context, std::move(configuration));
    }};
}
} // namespace

const char *const CApplicationFactory::DEFAULT_STYLE_SHEET =
    "#labelGalleryName {font: bold 12pt}#labelCategories {font: bold 10pt}#labelUpdates {font: bold 10pt}"
    "#labelActions {font: bold 10pt}QTreeWidget {font-size: 10pt}QListWidget {font-size: 10pt}";

CApplicationFactory::CApplicationFactory() : m_styleSheet(QString::fromUtf8(DEFAULT_STYLE_SHEET))
{
    m_configuration = std::make_shared<ConfigurationWrapper>();
    m_configuration->SetLoadedCallback([this](const ConfigurationWrapper *loaded) { OnConfigurationLoaded(*loaded); });
    RegisterOptions();
    m_command = NormalCommand();
}

CApplicationFactory::~CApplicationFactory()
{
    if (QCoreApplication::instance()) QCoreApplication::removeTranslator(&m_translator);
}

template <class T, class... Args> T *CApplicationFactory::Make(Args &&...args)
{
    auto parameter = std::make_unique<T>(std::forward<Args>(args)...);
    T *raw = parameter.get();
    m_parameters.push_back(std::move(parameter));
    return raw;
}

CActionParameter *CApplicationFactory::Action(NTrove::Command command, bool showGui)
{
    auto *action = Make<CActionParameter>(m_command, m_commandSelected, m_context.showGui);
    action->Initialize(std::move(command), showGui);
    return action;
}

NTrove::Command CApplicationFactory::Bind(int (CWorkFlow::*method)(const CCmdLineContext &,
                                                                   std::shared_ptr<ConfigurationWrapper>))
{
    return [this, method](const CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration) {
        return (m_workflow.*method)(context, std::move(configuration));
    };
}

void CApplicationFactory::RegisterOptions()
{
    NTrove::CCommandLineParser &p = m_parser;
    CCmdLineContext &c = m_context;

    p.PutEmptyCommand(L"noui", Make<CFlagParameter>(m_noUi));
    p.PutValueCommand(L"locale", Make<CStringParameter>(c.locale));
    p.PutValueCommand(L"AppleLanguages", Make<CStringParameter>(c.locale));
    p.PutValueCommand(L"proxy", Make<CStringParameter>(c.proxy));
    p.PutValueCommand(L"username", Make<CStringParameter>(c.userName));
    p.PutValueCommand(L"password", Make<CStringParameter>(c.password));
    p.PutValueCommand(L"u", Make<CStringParameter>(c.uValue));
    p.PutValueCommand(L"g", Make<CStringParameter>(c.gValue));
    p.PutValueCommand(L"source", Make<CPathParameter>(c.source));
    p.PutValueCommand(L"destination", Make<CPathParameter>(c.destination));
    p.PutEmptyCommand(L"waitforcd", Action(WindowCommand{Bind(&CWorkFlow::WaitForCD)}, true));

    auto *guid = Make<CValueActionParameter>(m_configurationSelected);
    guid->Initialize([this](const CAtlString &value) { return LoadConfigurationGuid(value); });
    p.PutValueCommand(L"guid", guid);
    auto *configuration = Make<CValueActionParameter>(m_configurationSelected);
    configuration->Initialize([this](const CAtlString &value) { return LoadConfigurationPath(value); });
    p.PutValueCommand(L"configuration", configuration);

    p.PutValueCommand(L"c", Make<CMultiValueParameter>(c.collectionAliases));
    p.PutValueCommand(L"l", Make<CMultiValueParameter>(c.languages));
    p.PutEmptyCommand(L"remote", Make<CFlagParameter>(c.remote));
    p.PutEmptyCommand(L"allowdownload", Make<CFlagParameter>(c.allowDownload));
    p.PutEmptyCommand(L"verbose", Make<CFlagParameter>(c.verbose));
    p.PutEmptyCommand(L"authorized", Make<CFlagParameter>(c.authorized));
    p.PutEmptyCommand(L"overrideproxy", Make<CFlagParameter>(c.overrideProxy));
    p.PutEmptyCommand(L"forcedest", Make<CFlagParameter>(c.forceDestination));
    p.PutEmptyCommand(L"defaultlang", Make<CFlagParameter>(c.defaultLanguage));
    p.PutEmptyCommand(L"allowcleanup", Make<CFlagParameter>(c.allowCleanup));
    p.PutEmptyCommand(L"forceuser", Make<CFlagParameter>(c.forceUser));
    p.PutEmptyCommand(L"keepconfigs", Make<CFlagParameter>(c.keepConfigs));
    p.PutEmptyCommand(L"ui", Make<CFlagParameter>(c.ui));

    p.PutEmptyCommand(L"teamcontent", Action(Bind(&CWorkFlow::TeamContent), false));
    p.PutEmptyCommand(L"mycontent", Action(Bind(&CWorkFlow::MyContent), false));
    p.PutEmptyCommand(L"uninstall", Action(Bind(&CWorkFlow::Uninstall), false));
    p.PutEmptyCommand(L"uninstallall", Action(Bind(&CWorkFlow::UninstallAll), true));
    p.PutEmptyCommand(L"installall", Action(Bind(&CWorkFlow::InstallAll), false));
    p.PutEmptyCommand(L"installsome", Action(Bind(&CWorkFlow::InstallSome), false));
    p.PutEmptyCommand(L"register", Action(Bind(&CWorkFlow::Register), false));
    p.PutEmptyCommand(L"downloadall", Action(Bind(&CWorkFlow::DownloadAll), false));
    p.PutEmptyCommand(L"downloadsome", Action(Bind(&CWorkFlow::DownloadSome), false));
    p.PutEmptyCommand(
        L"justupdated",
        Action([this](const CCmdLineContext &, std::shared_ptr<ConfigurationWrapper>) { return JustUpdated(); }, true));
    p.PutEmptyCommand(L"repair", Action(Bind(&CWorkFlow::Repair), true));
    CActionParameter *help = Action(Bind(&CWorkFlow::Usage), false);
    p.PutEmptyCommand(L"help", help);
    p.PutEmptyCommand(L"?", help);
    p.PutEmptyCommand(L"h", help);
    p.PutEmptyCommand(L"version", Action(Bind(&CWorkFlow::Version), false));

    auto *error = Make<CErrorParameter>(m_command, m_errorSelected, c.showGui, c.parameterErrors);
    error->Initialize(Bind(&CWorkFlow::Usage), false);
    error->SetExclusive(false);
    p.SetErrorCommand(error);
    p.SetDefaultCommand(Make<CMultiValueParameter>(c.freeArguments));
}

bool CApplicationFactory::ParseArguments(int argc, char **argv)
{
    m_context.executablePath = Text::FromQt(QCoreApplication::applicationFilePath());
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromUtf8(argv[i]));
    m_context.SetArguments(arguments);
    return m_parser.ParseArguments(argc, argv);
}

bool CApplicationFactory::NeedsElevation(const CCmdLineContext &context, uid_t effectiveUserId)
{
    return !context.forceUser && !context.authorized && (context.ui || context.showGui) && effectiveUserId != 0;
}

bool CApplicationFactory::NeedsElevation() const
{
    return NeedsElevation(m_context, geteuid());
}

QStringList CApplicationFactory::GetAuthorizedArguments() const
{
    QStringList arguments = m_context.GetArguments();
    const QString locale =
        m_context.locale.empty() ? KDLocale::GetCurrentLocaleDirName(true) : Text::ToQt(m_context.locale);
    arguments << QStringLiteral("--authorized") << QStringLiteral("--locale") << locale;
    return arguments;
}

bool CApplicationFactory::NeedsDisplay() const
{
    return m_command.target<WindowCommand>() != nullptr;
}

int CApplicationFactory::RefuseWithoutDisplay(const CCmdLineContext &context)
{
    CWorkFlow::PrintUnrecognized(context.parameterErrors);
    std::fputs("This command needs a graphical display; run it on the desktop or use --noui with a console "
               "command.\n",
               stderr);
    std::fflush(stderr);
    return 1;
}

int CApplicationFactory::RunElevated()
{
    // Without any front end the run cannot do what it was started for: it says so instead of ending
    // quietly as if it had worked.
    if (!CAuthentication::isAnyFrontEndInstalled()) {
        Output::Initialize();
        static const char text[] = "Trove needs administrator rights for this, and no way to obtain them was "
                                   "found (kdesu, gksudo, sudo or pkexec).";
        Output::Error(QObject::tr(text), text, true);
        return CAuthentication::NoFrontEndExitCode;
    }
    CAuthentication authentication;
    return authentication.runElevated(Text::ToQt(m_context.executablePath), GetAuthorizedArguments(), QString(), true);
}

void CApplicationFactory::InstallEventFilter(QCoreApplication *) {}

void CApplicationFactory::SetStylesheet(QApplication *application)
{
    if (application) application->setStyleSheet(m_styleSheet);
}

void CApplicationFactory::InstallAdditionalTranslator(QCoreApplication *application)
{
    if (application) application->installTranslator(&m_translator);
}

void CApplicationFactory::OnConfigurationLoaded(const ConfigurationWrapper &configuration)
{
    // A configuration without a catalogue for this language is fine: the texts stay as they are.
    ConfigurationLoading::OnConfigurationLoaded(
        configuration, KDLocale::GetCurrentLocaleDirName(true), m_translator, QString::fromUtf8(DEFAULT_STYLE_SHEET),
        m_styleSheet, (m_context.ui || m_context.showGui) && !m_noUi, QCoreApplication::instance());
}

bool CApplicationFactory::LoadConfigurationPath(const CAtlString &path)
{
    return ConfigurationLoading::LoadConfigurationPath(*m_configuration, path, &m_context.configurationPath);
}

bool CApplicationFactory::LoadConfigurationGuid(const CAtlString &guid)
{
    return ConfigurationLoading::LoadConfigurationGuid(*m_configuration, guid);
}

int CApplicationFactory::JustUpdated()
{
    m_command = NormalCommand();
    QStringList stored;
    if (CCmdLineContext::PopArguments(stored)) {
        m_context.SetArguments(stored);
        std::vector<CAtlString> arguments{m_context.executablePath};
        for (const QString &argument : stored)
            arguments.push_back(Text::FromQt(argument));
        m_parser.Parse(arguments);
    }
    return Run();
}

int CApplicationFactory::Run()
{
    // A copy: the command may replace the slot while it runs (justupdated does).
    const NTrove::Command command = m_command;
    return command ? command(m_context, m_configuration) : 1;
}
