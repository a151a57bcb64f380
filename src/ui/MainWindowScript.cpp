// MainWindowScript: see MainWindowScript.h.
#include "ui/MainWindowScript.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QPixmap>

#include <cstdio>

namespace
{

// The modal dialog on top, else the window.
QWidget *ActiveWindow(QWidget *window)
{
    QWidget *modal = QApplication::activeModalWidget();
    return modal ? modal : window;
}

} // namespace

MainWindowScript *MainWindowScript::FromEnvironment(const Window &window, QObject *parent)
{
    const QString script = qEnvironmentVariable("TROVE_WINDOW_SCRIPT");
    if (script.trimmed().isEmpty()) return nullptr;
    return new MainWindowScript(window, script.split(QLatin1Char(';'), Qt::SkipEmptyParts), parent);
}

MainWindowScript::MainWindowScript(const Window &window, const QStringList &steps, QObject *parent)
    : QObject(parent), m_window(window), m_steps(steps)
{
    connect(&m_timer, &QTimer::timeout, this, &MainWindowScript::Poll);
    m_timer.start(100);
}

void MainWindowScript::Poll()
{
    if (m_steps.isEmpty()) {
        m_timer.stop();
        return;
    }
    if (QDateTime::currentMSecsSinceEpoch() < m_waitUntil) return;
    if (RunStep(m_steps.front().trimmed())) m_steps.removeFirst();
}

bool MainWindowScript::RunStep(const QString &step)
{
    const QString name = step.section(QLatin1Char(':'), 0, 0);
    const QString argument = step.section(QLatin1Char(':'), 1);
    const bool onTop = !QApplication::activeModalWidget() || QApplication::activeModalWidget() == m_window.widget;
    if (name == QLatin1String("wait")) {
        m_waitUntil = QDateTime::currentMSecsSinceEpoch() + argument.toLongLong();
        return true;
    }
    if (name == QLatin1String("grab")) {
        QWidget *window = ActiveWindow(m_window.widget);
        if (!window->isVisible()) return false;
        if (!window->grab().save(argument, "PNG"))
            std::fprintf(stderr, "window script: cannot save %s\n", qPrintable(argument));
        return true;
    }
    if (name == QLatin1String("finish") || name == QLatin1String("close")) {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog) return false;
        if (name == QLatin1String("close")) {
            dialog->reject();
            return true;
        }
        for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>())
            if (button->isVisible() && button->isEnabled() && button->objectName() == QLatin1String("buttonFinish")) {
                button->click();
                return true;
            }
        return false;
    }
    // The rest act on the window itself, once it is shown and idle.
    if (!onTop || !m_window.ready()) return false;
    if (name == QLatin1String("tick")) {
        if (!m_window.tick(argument)) std::fprintf(stderr, "window script: no row \"%s\"\n", qPrintable(argument));
        return true;
    }
    if (name == QLatin1String("next") || name == QLatin1String("about")) {
        // Queued, so that the dialog it opens runs its loop outside this timer's call.
        QMetaObject::invokeMethod(
            this, [this, name] { m_window.press(name); }, Qt::QueuedConnection);
        return true;
    }
    std::fprintf(stderr, "window script: unknown step \"%s\"\n", qPrintable(step));
    m_steps.clear();
    return true;
}
