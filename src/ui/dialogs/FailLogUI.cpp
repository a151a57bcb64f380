#include "ui/dialogs/FailLogUI.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

FailLogUI::FailLogUI(QWidget *parent, const QString &title) : QDialog(parent)
{
    setObjectName(QStringLiteral("FailLogUI"));
    setWindowTitle(title.isEmpty() ? QObject::tr("Trove") : title);
    m_info = new QLabel(this);
    m_info->setWordWrap(true);
    m_log = new QPlainTextEdit(this);
    m_log->setReadOnly(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_info);
    layout->addWidget(m_log);
    layout->addWidget(buttons);
    resize(480, 320);
}

void FailLogUI::SetInfoText(const QString &text)
{
    m_info->setText(text);
}

void FailLogUI::SetLogText(const QString &text)
{
    m_log->setPlainText(text);
}
