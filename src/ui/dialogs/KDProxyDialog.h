// KDProxyDialog: user name and password for a network request that needs them.
#pragma once

#include <QDialog>

class QLineEdit;

class KDProxyDialog : public QDialog
{
    Q_OBJECT

  public:
    explicit KDProxyDialog(QWidget *parent = nullptr);

    QString username() const;
    QString password() const;

  private:
    QLineEdit *m_user = nullptr;
    QLineEdit *m_password = nullptr;
};
