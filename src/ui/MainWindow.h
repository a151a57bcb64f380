// MainWindow: the interactive installer's one window. The user ticks categories and language packs,
// sees a live summary of the changes with their sizes, may change the installation folder and the
// connection settings, and starts the run with "Next >>". The window holds no installation logic: each
// tick becomes an action on the CInstallationController, and the views are rebuilt from its state.
//
// The window observes the controller: a read clears every model when it starts (no view keeps an item
// that the read deletes) and rebuilds them when it ends; the questions are message boxes.
#pragma once

#include "install/IInstallationObserver.h"
#include "install/LanguageXml.h"
#include "support/Text.h"

#include <QDialog>
#include <QStringList>

#include <memory>
#include <mutex>
#include <vector>

class About;
class ApplicationState;
class CInstallationController;
class ConfigurationWrapper;
class GSTreeView;
class GalleryActionModel;
class GalleryItemModel;
class LanguageItemModel;
class ModelController;
class ProxyHandler;
class QCheckBox;
class QLineEdit;
class QPushButton;
class ReadProgressDlg;
class TotalItemModel;
class TreeItemModel;

class MainWindow : public QDialog, public IInstallationObserver
{
    Q_OBJECT

  public:
    MainWindow(std::shared_ptr<CInstallationController> controller, std::shared_ptr<ConfigurationWrapper> configuration,
               ProxyHandler *proxyHandler, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Whether the gallery source can be reached, so that new content may be added.
    void SetSourceAvailable(bool available);
    // The reading dialog: OnReadStarted shows it; whoever started the read hides it.
    ReadProgressDlg *GetReadProgressDialog() const { return m_readDialog; }
    // Reads the gallery state at the controller's destination with the reading dialog shown, then
    // hides it. The result of the controller's read.
    bool ReadGalleryState();

    // IInstallationObserver
    void OnReadStarted(CGalleryInstallation *installation) override;
    void OnReadFinished(CGalleryInstallation *installation) override;
    void OnReadFailed(CGalleryInstallation *installation) override;
    void OnRunStarted(CGalleryInstallation *installation) override;
    void OnRunFinished(CGalleryInstallation *installation) override;
    void OnRunCanceled(CGalleryInstallation *installation) override;
    void OnRunFailed(CGalleryInstallation *installation) override;
    bool CategoriesWillBeUpdated() override;
    bool LanguagesWillBeRemoved() override;
    bool TooManyLanguages() override;

    // The models and views, for the tests.
    GalleryItemModel *GetCategoryModel() const { return m_categories; }
    LanguageItemModel *GetLanguageModel() const { return m_languages; }
    GalleryActionModel *GetActionModel() const { return m_actions; }
    TotalItemModel *GetTotalModel() const { return m_totals; }

  public slots:
    void OnOk();
    void OnCancel();
    void OnProxyOptions();
    void OnAbout();
    void OnBrowse();
    void OnStatusChanged();
    void OnLanguagesCheckboxChanged(int state);
    // Closing during a run or a read asks first (a run) or waits (a read).
    void reject() override;

  protected:
    void closeEvent(QCloseEvent *event) override;

  private:
    // Kind-7 reports of a run, in order; reports arrive on the worker thread.
    class FailureCollector : public IGalleryInstallationObserverChain
    {
      public:
        void InstallationProgress(eGalleryInstallationProgress kind, CGalleryInstallationItem *item,
                                  const wchar_t *text, int percent, int overall) override;
        QStringList Take();

      private:
        std::mutex m_mutex;
        QStringList m_failures;
    };

    void BuildLayout();
    GSTreeView *MakeView(const char *name, TreeItemModel *model);
    void RebuildModels();
    void ClearModels();
    // The categories marked install and the added languages, kept over a re-read.
    void SaveSelection();
    void RestorePreviousSelection();
    bool Ask(const QString &text);
    // Whether closing now is allowed; during a run the user may ask for it to stop.
    bool MayClose();

    std::shared_ptr<CInstallationController> m_controller;
    std::shared_ptr<ConfigurationWrapper> m_configuration;
    ProxyHandler *m_proxyHandler = nullptr;
    FailureCollector m_progressChain;
    std::shared_ptr<ApplicationState> m_state;
    ModelController *m_modelController = nullptr;
    GalleryItemModel *m_categories = nullptr;
    LanguageItemModel *m_languages = nullptr;
    GalleryActionModel *m_actions = nullptr;
    TotalItemModel *m_totals = nullptr;
    ReadProgressDlg *m_readDialog = nullptr;
    About *m_about = nullptr;
    GSTreeView *m_categoryView = nullptr;
    GSTreeView *m_languageView = nullptr;
    QCheckBox *m_nativeNames = nullptr;
    QLineEdit *m_folder = nullptr;
    QPushButton *m_connectionButton = nullptr;
    QPushButton *m_aboutButton = nullptr;
    QPushButton *m_nextButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    std::vector<CAtlString> m_savedCategories;
    LanguageXml::Languages m_savedLanguages;
    bool m_running = false;
    bool m_reading = false;
};
