#include "ui/dialogs/ReadProgressDlg.h"

#include "configuration/ConfigurationWrapper.h"
#include "ui/dialogs/DialogPlacement.h"
#include "ui/dialogs/ProgressTexts.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QVBoxLayout>

ReadProgressDlg::ReadProgressDlg(std::shared_ptr<ConfigurationWrapper> configuration, QWidget *parent)
    : QDialog(parent), m_configuration(std::move(configuration))
{
    setObjectName(QStringLiteral("ReadProgressDialog"));

    // The splash: the logo with the gallery's name (and description) over it at the configured offset.
    m_splash = new QLabel(this);
    m_splash->setObjectName(QStringLiteral("labelSplash"));
    const QPixmap fallback(QStringLiteral(":/images/LeftImageDummy.png"));
    const QPixmap logo = m_configuration ? m_configuration->GetLogo(fallback) : fallback;
    if (!logo.isNull()) m_splash->setPixmap(logo);
    auto *splashText = new QLabel(m_splash);
    splashText->setObjectName(QStringLiteral("labelSplashText"));
    splashText->setWordWrap(true);
    if (m_configuration) {
        QString text = QStringLiteral("<b>%1</b>").arg(Text::ToQt(m_configuration->GetGalleryName()).toHtmlEscaped());
        if (m_configuration->GetShowDescriptionText() && !m_configuration->GetDescription().isEmpty())
            text += QStringLiteral("<br>") + m_configuration->GetDescription();
        splashText->setText(text);
        const QPoint offset = m_configuration->GetSplashScreenTextOffset();
        splashText->move(offset);
        if (!logo.isNull()) splashText->setFixedWidth(qMax(50, logo.width() - offset.x() - 10));
    }

    m_action = new QLabel(this);
    m_action->setObjectName(QStringLiteral("labelAction"));
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("labelText"));
    auto *bar = new QProgressBar(this);
    bar->setTextVisible(false);
    bar->setRange(0, 0);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_splash);
    layout->addWidget(m_action);
    layout->addWidget(m_text);
    layout->addWidget(bar);

    Translate();
    connect(&m_observer, &QtInstallationObserver::ProgressSignal, this, &ReadProgressDlg::ProgressSlot,
            Qt::QueuedConnection);
}

void ReadProgressDlg::Translate()
{
    setWindowTitle(tr("Trove"));
    m_action->setText(tr("Gathering required information..."));
}

void ReadProgressDlg::show()
{
    DialogPlacement::CentreOnDesktop(this);
    QDialog::show();
}

QString ReadProgressDlg::StatusText(eGalleryInstallationProgress kind)
{
    return ProgressTexts::ReadText(kind);
}

void ReadProgressDlg::ProgressSlot(eGalleryInstallationProgress kind, CAtlString text, CAtlString, int, int)
{
    m_action->setText(StatusText(kind));
    m_text->setText(Text::ToQt(text));
}

void ReadProgressDlg::closeEvent(QCloseEvent *event)
{
    event->ignore();
}
