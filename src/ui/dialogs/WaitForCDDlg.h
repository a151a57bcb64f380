// WaitForCDDlg: waits for the installation medium. Every two seconds it looks below the given folder
// for the gallery's source; "Browse" takes a collection file instead.
#pragma once

#include "support/KeldaPath.h"

#include <QDialog>
#include <QTimer>

#include <memory>

class ConfigurationWrapper;
class QLineEdit;

class WaitForCDDlg : public QDialog
{
    Q_OBJECT

  public:
    WaitForCDDlg(std::shared_ptr<ConfigurationWrapper> configuration, const QString &directory,
                 QWidget *parent = nullptr);

    // The timer runs only while the dialog does.
    int exec() override;
    // The source folder found (empty until one is).
    QString GetFoundPath() const { return m_found; }

  public slots:
    void OnTimer();
    void OnBrowse();

  private:
    std::shared_ptr<ConfigurationWrapper> m_configuration;
    QString m_directory;
    QString m_found;
    QTimer m_timer;
    QLineEdit *m_path = nullptr;
};
