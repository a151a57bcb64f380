#include "ui/dialogs/ProgressDlg.h"

#include "install/InstallationController.h"
#include "ui/dialogs/DialogPlacement.h"
#include "ui/dialogs/ProgressTexts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

ProgressDlg::ProgressDlg(std::shared_ptr<CInstallationController> controller, QWidget *parent)
    : QDialog(parent), m_controller(std::move(controller))
{
    setObjectName(QStringLiteral("ProgressDialog"));
    setWindowTitle(tr("Kelda Trove: Please Wait..."));

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("labelStatus"));
    m_category = new QLabel(this);
    m_category->setObjectName(QStringLiteral("labelCategory"));
    m_file = new QLabel(this);
    m_file->setObjectName(QStringLiteral("labelFile"));
    m_file->setMinimumWidth(320);
    m_bar = new QProgressBar(this);
    m_bar->setTextVisible(false);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("buttonCancel"));
    m_finish = new QPushButton(tr("Finish"), this);
    m_finish->setObjectName(QStringLiteral("buttonFinish"));
    m_finish->hide();

    auto *details = new QGridLayout;
    details->addWidget(new QLabel(tr("Category:"), this), 0, 0);
    details->addWidget(m_category, 0, 1);
    details->addWidget(new QLabel(tr("Current File:"), this), 1, 0);
    details->addWidget(m_file, 1, 1);
    details->setColumnStretch(1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_finish);
    buttons->addWidget(m_cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addLayout(details);
    layout->addWidget(m_bar);
    layout->addLayout(buttons);

    connect(m_cancel, &QPushButton::clicked, this, &ProgressDlg::OnCancel);
    connect(m_finish, &QPushButton::clicked, this, &ProgressDlg::accept);
    connect(&m_observer, &QtInstallationObserver::ProgressSignal, this, &ProgressDlg::ProgressSlot,
            Qt::QueuedConnection);
}

ProgressDlg::~ProgressDlg() = default;

void ProgressDlg::show()
{
    DialogPlacement::CentreOnDesktop(this);
    QDialog::show();
}

void ProgressDlg::ShowNormal()
{
    QDialog::show();
}

void ProgressDlg::SetIndeterminate()
{
    m_bar->setRange(0, 0);
}

QString ProgressDlg::StatusText(eGalleryInstallationProgress kind)
{
    return ProgressTexts::RunText(kind);
}

void ProgressDlg::ProgressSlot(eGalleryInstallationProgress kind, CAtlString text, CAtlString title, int,
                               int totalPercent)
{
    if (m_finished) return;
    if (!m_cancelling) m_status->setText(StatusText(kind));
    m_category->setText(Text::ToQt(title));
    m_file->setText(ProgressTexts::DisplayedText(kind, Text::ToQt(text)));
    if (m_cancelling || kind == eGalleryInstallationProgressReading || kind == eGalleryInstallationProgressProcessing) {
        SetIndeterminate();
    } else {
        m_bar->setRange(0, 100);
        m_bar->setValue(qBound(0, totalPercent, 100));
    }
}

void ProgressDlg::OnCancel()
{
    if (m_finished) {
        accept();
        return;
    }
    if (m_cancelling) return;
    m_cancelling = true;
    SetIndeterminate();
    m_cancel->setEnabled(false);
    if (m_controller) m_controller->Cancel();
}

void ProgressDlg::Finish()
{
    m_cancel->hide();
    m_finish->setText(tr("Finish"));
    m_finish->show();
    m_finish->setDefault(true);
    m_status->setText(tr("The Gallery changes are complete."));
    m_category->clear();
    m_file->clear();
    m_bar->setRange(0, 100);
    m_bar->setValue(100);
    m_finished = true;
    // A window already shown does not become modal; shown again, it does.
    const QPoint where = pos();
    if (isVisible()) hide();
    move(where);
    exec();
}

void ProgressDlg::closeEvent(QCloseEvent *event)
{
    event->ignore();
}

void ProgressDlg::reject()
{
    // Escape neither closes nor cancels; the buttons do.
}

std::shared_ptr<ProgressDlg> CreateFloatingProgress(std::shared_ptr<CInstallationController> controller)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) return nullptr;
    auto dialog = std::make_shared<ProgressDlg>(std::move(controller), nullptr);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        dialog->move(screen->geometry().topLeft() + QPoint(50, 50));
    dialog->ShowNormal();
    return dialog;
}
