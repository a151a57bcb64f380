// Closes every modal window that opens while it lives (message boxes by their escape button, dialogs by
// rejecting them) and records their titles and texts, so that an interactive command can run to its
// end in a test.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

class ModalDismisser
{
  public:
    ModalDismisser()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible()) return;
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                seen << box->text();
                if (QAbstractButton *escape = box->escapeButton())
                    escape->click();
                else
                    box->buttons().front()->click();
            } else if (auto *dialog = qobject_cast<QDialog *>(modal)) {
                seen << dialog->windowTitle();
                dialog->reject();
            }
        });
        m_timer.start(20);
    }
    ModalDismisser(const ModalDismisser &) = delete;
    ModalDismisser &operator=(const ModalDismisser &) = delete;

    // Box texts and dialog titles, in the order they were closed.
    QStringList seen;

  private:
    QTimer m_timer;
};
