// The start-up sequence: parse, maybe relaunch elevated, locale and translations, messages, GUI look,
// the single-instance lock, the gallery library, the command.
#include "app/MainImpl.h"

#include "app/ApplicationFactory.h"
#include "app/Output.h"
#include "app/SingleInstance.h"
#include "app/StartupHooks.h"
#include "settings/KDLocale.h"
#include "gallery/facade/GalleryInit.h"

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>

int mainImpl(int argc, char **argv, CApplicationFactory &factory)
{
    // Errors have already selected the usage command; the verdict itself is not needed.
    (void)factory.ParseArguments(argc, argv);

    // A run with a core application only (no display, or "--noui") cannot show a window.
    if (factory.NeedsDisplay() && !qobject_cast<QApplication *>(QCoreApplication::instance()))
        return CApplicationFactory::RefuseWithoutDisplay(factory.GetContext());

    StartupHooks::RegisterDialogs();
    if (factory.NeedsElevation()) return factory.RunElevated();

    // Console set-up has nothing to do on this platform.
    QCoreApplication *application = QCoreApplication::instance();
    const CAtlString contextLocale = factory.GetLocale();
    KDLocale::OverrideLocale(contextLocale.empty() ? KDLocale::GetCurrentLocaleDirName(true)
                                                   : Text::ToQt(contextLocale));
    KDLocale::LoadDefaultTranslator(QStringLiteral("Trove"), *application, true);
    factory.InstallAdditionalTranslator(application);

    Output::Initialize();

    const NTrove::CCmdLineContext &context = factory.GetContext();
    // A console run has a core application only: it gets no style, style sheet or icon.
    if (auto *gui = qobject_cast<QApplication *>(application); gui && (context.ui || context.showGui)) {
        QApplication::setStyle(QString::fromLatin1(GUISTYLE));
        factory.SetStylesheet(gui);
        QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/trove.png")));
    }

    SingleInstance instance(QCoreApplication::applicationFilePath().toStdString(), 'q');
    if (!instance.IsOwner()) {
        Output::Error(Output::eStringsAnotherInstance, false);
        return 1;
    }

    // The lower layers get their services (the credential prompt proxy among them) before the
    // library starts.
    StartupHooks::Register();
    Initialize();
    const int result = factory.Run();
    Uninitialize();
    instance.Release();
    return result;
}
