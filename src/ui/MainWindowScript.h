// MainWindowScript: a test and documentation aid that drives a real window from the environment.
// When TROVE_WINDOW_SCRIPT is set, the window runs its steps once it is shown and has read the gallery
// state; a step waits until it can run. Steps, separated by ';':
//   tick:<text>   toggles the category or language row showing text, as a click does
//   next          presses "Next >>"            about   opens the about dialog
//   grab:<file>   saves a PNG picture of the active window (the modal dialog on top, else the window)
//   finish        presses "Finish" once the run's dialog shows it
//   close         closes the modal dialog on top
//   wait:<ms>     pauses
// A step that cannot be understood ends the script with a line on the error stream. Nothing of this
// runs unless the variable is set.
#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

class QWidget;

class MainWindowScript : public QObject
{
    Q_OBJECT

  public:
    // What the script needs of the window: whether it is shown and idle, the actions it offers by name
    // ("next", "about"), and toggling a row by its text (false when no row shows it).
    struct Window {
        QWidget *widget = nullptr;
        std::function<bool()> ready;
        std::function<void(const QString &)> press;
        std::function<bool(const QString &)> tick;
    };

    // Null when TROVE_WINDOW_SCRIPT is unset or empty.
    static MainWindowScript *FromEnvironment(const Window &window, QObject *parent);

  private:
    MainWindowScript(const Window &window, const QStringList &steps, QObject *parent);
    void Poll();
    // True when the step ran (or failed for good); false to try again later.
    bool RunStep(const QString &step);

    Window m_window;
    QStringList m_steps;
    QTimer m_timer;
    qint64 m_waitUntil = 0;
};
