// ProgressDlg: the dialog of a run. It shows the status of the current step, the category and file,
// and the overall progress; "Cancel" asks the controller's installation to stop between files, and at
// the end "Finish" closes it. Closing it from the window manager is refused.
#pragma once

#include "ui/dialogs/QtInstallationObserver.h"

#include <QDialog>

#include <memory>

class CInstallationController;
class QLabel;
class QProgressBar;
class QPushButton;

class ProgressDlg : public QDialog
{
    Q_OBJECT

  public:
    ProgressDlg(std::shared_ptr<CInstallationController> controller, QWidget *parent = nullptr);
    ~ProgressDlg() override;

    // The observer to attach to a progress chain; its reports reach ProgressSlot on this thread.
    QtInstallationObserver *GetObserver() { return &m_observer; }

    // Centred on the available desktop area, then shown.
    void show();
    // Shown where it is.
    void ShowNormal();
    void SetIndeterminate();
    // Shows "Finish" and waits modally until it is pressed.
    void Finish();
    bool IsCancelling() const { return m_cancelling; }
    bool IsFinished() const { return m_finished; }

    // The status text of a kind, empty for kinds without one.
    static QString StatusText(eGalleryInstallationProgress kind);

  public slots:
    void OnCancel();
    void ProgressSlot(eGalleryInstallationProgress kind, CAtlString text, CAtlString title, int percent,
                      int totalPercent);

  protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

  private:
    std::shared_ptr<CInstallationController> m_controller;
    QtInstallationObserver m_observer;
    QLabel *m_status = nullptr;
    QLabel *m_category = nullptr;
    QLabel *m_file = nullptr;
    QProgressBar *m_bar = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_finish = nullptr;
    bool m_cancelling = false;
    bool m_finished = false;
};

// A run dialog without a parent for the console commands' "ui" option: 50 pixels right of and below
// the top-left corner of the default screen, shown at once. Null in a run without a GUI application.
std::shared_ptr<ProgressDlg> CreateFloatingProgress(std::shared_ptr<CInstallationController> controller);
