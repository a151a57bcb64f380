#include "ui/dialogs/ProxyAuth.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

ProxyAuth::ProxyAuth(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ProxyAuth"));
    setWindowTitle(tr("Proxy Authentication"));
    m_host = new QLineEdit(this);
    m_host->setObjectName(QStringLiteral("editHost"));
    m_port = new QLineEdit(this);
    m_port->setObjectName(QStringLiteral("editPort"));
    m_port->setValidator(new QIntValidator(1, 65534, m_port));
    m_port->setMaximumWidth(70);
    m_user = new QLineEdit(this);
    m_user->setObjectName(QStringLiteral("editUserName"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("editPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_userLabel = new QLabel(tr("User Name:"), this);
    m_passwordLabel = new QLabel(tr("Password:"), this);

    auto *hostRow = new QHBoxLayout;
    hostRow->addWidget(m_host, 1);
    hostRow->addWidget(new QLabel(QStringLiteral(":"), this));
    hostRow->addWidget(m_port);

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Proxy Host:"), this), 0, 0);
    grid->addLayout(hostRow, 0, 1);
    grid->addWidget(m_userLabel, 1, 0);
    grid->addWidget(m_user, 1, 1);
    grid->addWidget(m_passwordLabel, 2, 0);
    grid->addWidget(m_password, 2, 1);

    auto *ok = new QPushButton(tr("OK"), this);
    ok->setDefault(true);
    auto *cancel = new QPushButton(tr("Cancel"), this);
    connect(ok, &QPushButton::clicked, this, &ProxyAuth::accept);
    connect(cancel, &QPushButton::clicked, this, &ProxyAuth::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

void ProxyAuth::SetHost(const QString &host)
{
    m_host->setText(host);
}

void ProxyAuth::SetPort(int port)
{
    m_port->setText(QString::number(port));
}

void ProxyAuth::SetUserName(const QString &user)
{
    m_user->setText(user);
}

void ProxyAuth::SetPassword(const QString &password)
{
    m_password->setText(password);
}

QString ProxyAuth::GetHost() const
{
    return m_host->text();
}

int ProxyAuth::GetPort() const
{
    return m_port->text().toInt();
}

QString ProxyAuth::GetUserName() const
{
    return m_user->text();
}

QString ProxyAuth::GetPassword() const
{
    return m_password->text();
}

void ProxyAuth::SetPasswordRequestMode()
{
    setWindowTitle(tr("Proxy Authentication Required"));
    for (QLineEdit *field : {m_host, m_port}) {
        field->setReadOnly(true);
        QPalette palette = field->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        field->setPalette(palette);
    }
    m_user->setFocus();
}

void ProxyAuth::ShowAuthFields(bool show)
{
    for (QWidget *widget : {static_cast<QWidget *>(m_user), static_cast<QWidget *>(m_password),
                            static_cast<QWidget *>(m_userLabel), static_cast<QWidget *>(m_passwordLabel)})
        widget->setVisible(show);
}

void ProxyAuth::accept()
{
    QDialog::accept();
}

void ProxyAuth::reject()
{
    QDialog::reject();
}
