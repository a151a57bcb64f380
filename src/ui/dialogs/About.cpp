#include "ui/dialogs/About.h"

#include "configuration/ConfigurationWrapper.h"

#include <QDialogButtonBox>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <iostream>

AboutWidget::AboutWidget(QWidget *parent) : QWidget(parent)
{
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("labelAboutTitle"));
    m_title->setWordWrap(true);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("labelAboutText"));
    m_text->setWordWrap(true);
    m_text->setTextFormat(Qt::RichText);
    m_text->setOpenExternalLinks(true);
    m_layout = new QVBoxLayout(this);
    m_layout->addWidget(m_title);
    m_layout->addWidget(m_text);
    m_layout->addStretch();
    Relayout();
}

void AboutWidget::SetBackground(const QPixmap &pixmap)
{
    m_background = pixmap;
    updateGeometry();
    update();
}

void AboutWidget::SetTopOffset(int offset)
{
    m_top = offset;
    Relayout();
}

void AboutWidget::SetLeftOffset(int offset)
{
    m_left = offset;
    Relayout();
}

void AboutWidget::SetMiddleSpace(int space)
{
    m_middle = space;
    Relayout();
}

void AboutWidget::SetTitle(const QString &title)
{
    m_title->setText(title);
}

bool AboutWidget::SetText(const QString &text)
{
    m_text->setText(text);
    return m_text->text() == text;
}

void AboutWidget::AddWidget(QWidget *widget)
{
    m_layout->insertWidget(m_layout->count() - 1, widget);
}

QSize AboutWidget::sizeHint() const
{
    const QSize contents = QWidget::sizeHint();
    return m_background.isNull() ? contents : contents.expandedTo(m_background.size());
}

void AboutWidget::paintEvent(QPaintEvent *)
{
    if (m_background.isNull()) return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_background);
}

void AboutWidget::Relayout()
{
    m_layout->setContentsMargins(m_left, m_top, 10, 10);
    m_layout->setSpacing(m_middle);
}

About::About(std::shared_ptr<ConfigurationWrapper> configuration, QWidget *parent)
    : QDialog(parent), m_configuration(std::move(configuration))
{
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowIcon(QIcon(QStringLiteral(":/images/trove.png")));
    if (m_configuration) setWindowTitle(QObject::tr(Text::ToUtf8(m_configuration->GetTitle()).c_str()));

    m_tabs = new QTabWidget(this);
    m_license = new QTextBrowser(this);
    m_license->setObjectName(QStringLiteral("textLicense"));
    m_about = new AboutWidget(this);
    m_about->setObjectName(QStringLiteral("aboutWidget"));
    m_tabs->addTab(m_license, tr("License"));
    m_tabs->addTab(m_about, tr("About"));

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &About::OnOk);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &About::OnCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(m_buttons);

    SetupLicense();
    SetupAbout();
}

bool About::HaveAnythingToShow() const
{
    return m_configuration && (!m_configuration->GetLicense().isEmpty() || !m_configuration->GetAboutText().isEmpty());
}

void About::SetupAbout()
{
    const QPixmap fallback(QStringLiteral(":/images/LeftImageDummy.png"));
    m_about->SetBackground(m_configuration ? m_configuration->GetLogo(fallback) : fallback);
    if (!m_configuration) return;
    const QString text = m_configuration->GetAboutText();
    if (text.isEmpty()) return;
    m_about->SetTitle(Text::ToQt(m_configuration->GetGalleryName()));
    if (!m_about->SetText(text)) std::cerr << "Failed to load about text." << std::endl;
    m_about->SetTopOffset(10);
    m_about->SetLeftOffset(m_configuration->GetAboutTextOffset());
    m_about->SetMiddleSpace(10);
}

void About::SetupLicense()
{
    if (!m_configuration) return;
    const QString license = m_configuration->GetLicense();
    if (!license.isEmpty()) m_license->setText(license);
}

void About::ShowAbout()
{
    adjustSize();
    setFixedSize(sizeHint());
    exec();
}

bool About::ShowLicense()
{
    if (!m_configuration || m_configuration->GetLicense().isEmpty()) return true;
    m_tabs->removeTab(m_tabs->indexOf(m_about));
    m_tabs->setCurrentWidget(m_license);
    m_buttons->button(QDialogButtonBox::Ok)->setText(tr("Accept"));
    m_buttons->button(QDialogButtonBox::Cancel)->setText(tr("Decline"));
    resize(400, 400);
    return exec() == QDialog::Accepted;
}

void About::OnOk()
{
    accept();
}

void About::OnCancel()
{
    reject();
}
