#include "ui/dialogs/WaitForCDDlg.h"

#include "configuration/ConfigurationWrapper.h"
#include "install/InstallationController.h"
#include "ui/dialogs/GalleryChooser.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

WaitForCDDlg::WaitForCDDlg(std::shared_ptr<ConfigurationWrapper> configuration, const QString &directory,
                           QWidget *parent)
    : QDialog(parent), m_configuration(std::move(configuration)), m_directory(directory)
{
    setObjectName(QStringLiteral("WaitForCDDlg"));
    setWindowTitle(tr("Trove"));
    const QString name = m_configuration ? Text::ToQt(m_configuration->GetGalleryName()) : QString();

    auto *logo = new QLabel(this);
    const QPixmap fallback(QStringLiteral(":/images/LeftImageDummy.png"));
    const QPixmap picture = m_configuration ? m_configuration->GetLogo(fallback) : fallback;
    if (!picture.isNull()) logo->setPixmap(picture);
    auto *title = new QLabel(name, this);
    title->setObjectName(QStringLiteral("labelGalleryName"));
    auto *about = new QTextBrowser(this);
    about->setObjectName(QStringLiteral("editAbout"));
    about->setStyleSheet(QStringLiteral("#editAbout { font: 10pt }"));
    if (m_configuration) about->setHtml(m_configuration->GetDescription());
    auto *prompt = new QLabel(tr("Please insert Gallery CD: ") + name, this);
    prompt->setObjectName(QStringLiteral("labelPrompt"));
    m_path = new QLineEdit(directory, this);
    m_path->setObjectName(QStringLiteral("pathEdit"));
    m_path->setReadOnly(true);
    auto *browse = new QPushButton(tr("Browse"), this);
    browse->setObjectName(QStringLiteral("buttonBrowse"));
    auto *cancel = new QPushButton(tr("Cancel"), this);

    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(m_path, 1);
    pathRow->addWidget(browse);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(logo);
    layout->addWidget(title);
    layout->addWidget(about);
    layout->addWidget(prompt);
    layout->addLayout(pathRow);
    layout->addLayout(buttons);

    m_timer.setSingleShot(true);
    m_timer.setInterval(2000);
    connect(&m_timer, &QTimer::timeout, this, &WaitForCDDlg::OnTimer);
    connect(browse, &QPushButton::clicked, this, &WaitForCDDlg::OnBrowse);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int WaitForCDDlg::exec()
{
    m_timer.start();
    const int result = QDialog::exec();
    m_timer.stop();
    return result;
}

void WaitForCDDlg::OnTimer()
{
    const CAtlString name = m_configuration ? m_configuration->GetGalleryName() : CAtlString();
    const CKeldaDirectoryPath found =
        CInstallationController::FindSourcePath(CKeldaDirectoryPath(Text::FromQt(m_directory)), name);
    if (!found.IsEmptyPath()) {
        m_found = Text::ToQt(found.GetDirectoryPathString());
        accept();
        return;
    }
    if (isVisible()) m_timer.start();
}

void WaitForCDDlg::OnBrowse()
{
    m_timer.stop();
    const QString file = GalleryChooser::AskForCollection(this);
    if (!file.isEmpty() && m_configuration && m_configuration->ReadFromFile(CKeldaFilePath(Text::FromQt(file)))) {
        accept();
        return;
    }
    m_timer.start();
}
