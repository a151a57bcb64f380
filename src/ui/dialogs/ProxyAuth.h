// ProxyAuth: the proxy settings dialog (host, port, user, password); in password-request mode the host
// and port are shown read-only and only the credentials are asked for.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

class ProxyAuth : public QDialog
{
    Q_OBJECT

  public:
    explicit ProxyAuth(QWidget *parent = nullptr);

    void SetHost(const QString &host);
    void SetPort(int port);
    void SetUserName(const QString &user);
    void SetPassword(const QString &password);
    QString GetHost() const;
    // The port field as a decimal number; 0 when it holds none.
    int GetPort() const;
    QString GetUserName() const;
    QString GetPassword() const;
    void SetPasswordRequestMode();
    void ShowAuthFields(bool show);

  public slots:
    void accept() override;
    void reject() override;

  private:
    QLineEdit *m_host = nullptr;
    QLineEdit *m_port = nullptr;
    QLineEdit *m_user = nullptr;
    QLineEdit *m_password = nullptr;
    QLabel *m_userLabel = nullptr;
    QLabel *m_passwordLabel = nullptr;
};
