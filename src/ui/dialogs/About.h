// About: the licence and about dialog of a gallery configuration. AboutWidget paints the configuration's
// picture with a title and a text placed at offsets.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <QWidget>

#include <memory>

class ConfigurationWrapper;
class QDialogButtonBox;
class QLabel;
class QTabWidget;
class QTextBrowser;
class QVBoxLayout;

class AboutWidget : public QWidget
{
    Q_OBJECT

  public:
    explicit AboutWidget(QWidget *parent = nullptr);

    void SetBackground(const QPixmap &pixmap);
    void SetTopOffset(int offset);
    void SetLeftOffset(int offset);
    void SetMiddleSpace(int space);
    void SetTitle(const QString &title);
    // False when the text cannot be shown.
    bool SetText(const QString &text);
    void AddWidget(QWidget *widget);

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    void Relayout();

    QPixmap m_background;
    QLabel *m_title = nullptr;
    QLabel *m_text = nullptr;
    QVBoxLayout *m_layout = nullptr;
    int m_top = 0;
    int m_left = 0;
    int m_middle = 0;
};

class About : public QDialog
{
    Q_OBJECT

  public:
    explicit About(std::shared_ptr<ConfigurationWrapper> configuration, QWidget *parent = nullptr);

    // A licence or an about text exists.
    bool HaveAnythingToShow() const;
    // Modal, fixed at the size of its contents.
    void ShowAbout();
    // Without a licence true at once; otherwise the licence alone with "Accept" and "Decline", modal;
    // true when accepted.
    bool ShowLicense();
    void SetupAbout();
    void SetupLicense();

  public slots:
    void OnOk();
    void OnCancel();

  private:
    std::shared_ptr<ConfigurationWrapper> m_configuration;
    QTabWidget *m_tabs = nullptr;
    QTextBrowser *m_license = nullptr;
    AboutWidget *m_about = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
};
