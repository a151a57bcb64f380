// GalleryChooser: picks the gallery to manage among those registered, or a collection file to install,
// and offers to remove a registered one.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>

class ConfigurationWrapper;
class QListWidget;
class QListWidgetItem;
class QPushButton;

class GalleryChooser : public QDialog
{
    Q_OBJECT

  public:
    // Removes the gallery of a configuration; true when it was removed.
    using UninstallCallback = std::function<bool(std::shared_ptr<ConfigurationWrapper> configuration, QWidget *parent)>;

    GalleryChooser(std::shared_ptr<ConfigurationWrapper> configuration, QWidget *parent = nullptr);

    void SetUninstallCallback(UninstallCallback callback) { m_uninstall = std::move(callback); }
    void RefreshList();
    QListWidget *GetList() const { return m_list; }

    // The "Gallery Collections (*<extension>)" filter of the collection file question.
    static QString CollectionFilter();
    // Replaces the collection file question (tests): returns the chosen file, empty for cancel.
    using AskFileFunction = QString (*)(QWidget *parent, const QString &title, const QString &filter);
    static void SetAskFileFunctionForTesting(AskFileFunction ask);
    static QString AskForCollection(QWidget *parent);

  public slots:
    void OnOk();
    void OnCancel();
    void OnBrowse();
    void OnUninstall();
    void OnItemSelectionChanged();
    void OnItemActivated(QListWidgetItem *item);

  private:
    QString SelectedGuid() const;

    std::shared_ptr<ConfigurationWrapper> m_configuration;
    UninstallCallback m_uninstall;
    QListWidget *m_list = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_uninstallButton = nullptr;
};
