#include "ui/dialogs/KDProxyDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

KDProxyDialog::KDProxyDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("KDProxyDialog"));
    setWindowTitle(tr("Password Required"));
    auto *message =
        new QLabel(tr("Your network settings require a username and password to access the Internet."), this);
    message->setWordWrap(true);
    m_user = new QLineEdit(this);
    m_user->setObjectName(QStringLiteral("editUserName"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("editPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *fields = new QFormLayout;
    fields->addRow(tr("Username:"), m_user);
    fields->addRow(tr("Password:"), m_password);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(message);
    layout->addLayout(fields);
    layout->addWidget(buttons);
}

QString KDProxyDialog::username() const
{
    return m_user->text();
}

QString KDProxyDialog::password() const
{
    return m_password->text();
}
