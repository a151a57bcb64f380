#include "ui/dialogs/PasswordDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CPasswordDialog::CPasswordDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PasswordDialog"));
    setWindowTitle(tr("Authentication"));
    m_caption = new QLabel(tr("Type your user name and password."), this);
    m_caption->setWordWrap(true);
    m_userPrompt = new QLabel(tr("User Name:"), this);
    m_passwordPrompt = new QLabel(tr("Password:"), this);
    m_user = new QLineEdit(this);
    m_user->setObjectName(QStringLiteral("editUser"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("editPassword"));
    m_password->setEchoMode(QLineEdit::Password);

    auto *grid = new QGridLayout;
    grid->addWidget(m_userPrompt, 0, 0);
    grid->addWidget(m_user, 0, 1);
    grid->addWidget(m_passwordPrompt, 1, 0);
    grid->addWidget(m_password, 1, 1);

    auto *ok = new QPushButton(tr("OK"), this);
    ok->setDefault(true);
    auto *cancel = new QPushButton(tr("Cancel"), this);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_caption);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

void CPasswordDialog::setUser(const QString &user)
{
    m_user->setText(user);
}

void CPasswordDialog::setPassword(const QString &password)
{
    m_password->setText(password);
}

QString CPasswordDialog::user() const
{
    return m_user->text();
}

QString CPasswordDialog::password() const
{
    return m_password->text();
}

void CPasswordDialog::setReadOnlyUser(bool readOnly)
{
    m_user->setReadOnly(readOnly);
    if (readOnly) m_password->setFocus();
}

bool CPasswordDialog::readOnlyUser() const
{
    return m_user->isReadOnly();
}

void CPasswordDialog::setCaption(const QString &caption)
{
    m_caption->setText(caption);
}

void CPasswordDialog::setUserPrompt(const QString &prompt)
{
    m_userPrompt->setText(prompt);
}

void CPasswordDialog::setPasswordPrompt(const QString &prompt)
{
    m_passwordPrompt->setText(prompt);
}

bool CPasswordDialog::getAuthentication(QWidget *parent, QString &user, QString &password, bool readOnlyUser,
                                        const QString &title, const QString &caption, const QString &userPrompt,
                                        const QString &passwordPrompt)
{
    CPasswordDialog dialog(parent);
    if (!title.isEmpty()) dialog.setWindowTitle(title);
    if (!caption.isEmpty()) dialog.setCaption(caption);
    if (!userPrompt.isEmpty()) dialog.setUserPrompt(userPrompt);
    if (!passwordPrompt.isEmpty()) dialog.setPasswordPrompt(passwordPrompt);
    dialog.setUser(user);
    dialog.setReadOnlyUser(readOnlyUser);
    if (dialog.exec() != QDialog::Accepted) return false;
    user = dialog.user();
    password = dialog.password();
    return true;
}
