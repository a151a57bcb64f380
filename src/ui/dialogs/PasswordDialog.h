// CPasswordDialog: user name and password for running a program with administrator rights.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

class CPasswordDialog : public QDialog
{
    Q_OBJECT

  public:
    explicit CPasswordDialog(QWidget *parent = nullptr);

    void setUser(const QString &user);
    void setPassword(const QString &password);
    QString user() const;
    QString password() const;
    void setReadOnlyUser(bool readOnly);
    bool readOnlyUser() const;
    void setCaption(const QString &caption);
    void setUserPrompt(const QString &prompt);
    void setPasswordPrompt(const QString &prompt);

    // Shows the dialog modally; true with user and password filled when accepted. Each text replaces
    // the default only when it is not empty.
    static bool getAuthentication(QWidget *parent, QString &user, QString &password, bool readOnlyUser,
                                  const QString &title = QString(), const QString &caption = QString(),
                                  const QString &userPrompt = QString(), const QString &passwordPrompt = QString());

  private:
    QLabel *m_caption = nullptr;
    QLabel *m_userPrompt = nullptr;
    QLabel *m_passwordPrompt = nullptr;
    QLineEdit *m_user = nullptr;
    QLineEdit *m_password = nullptr;
};
