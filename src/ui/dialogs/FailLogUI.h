// FailLogUI: shows an information text and the list of what failed.
#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;

class FailLogUI : public QDialog
{
    Q_OBJECT

  public:
    explicit FailLogUI(QWidget *parent = nullptr, const QString &title = QString());

    void SetInfoText(const QString &text);
    void SetLogText(const QString &text);

  private:
    QLabel *m_info = nullptr;
    QPlainTextEdit *m_log = nullptr;
};
