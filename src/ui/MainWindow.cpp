// MainWindow: see MainWindow.h.
#include "ui/MainWindow.h"

#include "configuration/ConfigurationWrapper.h"
#include "gallery/facade/Gallery.h"
#include "install/GalleryInstallation.h"
#include "install/GalleryInstallationItem.h"
#include "install/InstallationController.h"
#include "install/InstallationState.h"
#include "net/ProxyHandler.h"
#include "ui/GSTreeView.h"
#include "ui/MainWindowScript.h"
#include "ui/dialogs/About.h"
#include "ui/dialogs/FailLogUI.h"
#include "ui/dialogs/PathSelector.h"
#include "ui/dialogs/ProgressDlg.h"
#include "ui/dialogs/ReadProgressDlg.h"
#include "ui/models/ApplicationState.h"
#include "ui/models/GalleryActionModel.h"
#include "ui/models/GalleryItemModel.h"
#include "ui/models/LanguageItemModel.h"
#include "ui/models/ModelController.h"
#include "ui/models/TotalItemModel.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

namespace
{

// The user messages the window shows. Their English texts are the keys of the program's message
// table (translation context "QObject"), so one translation serves both.
QString Message(const char *english)
{
    return QCoreApplication::translate("QObject", english);
}
const char *const kTitle = "Trove";
const char *const kMustUpdateAllCategories =
    "The Gallery must update all categories in order to install or update language packs.";
const char *const kMustUpdateAllCategoriesQuestion =
    "The Gallery must update all categories in order to install or update your selected language "
    "pack(s).\n\nDo you want to continue?";
const char *const kTooManyLanguagePacks =
    "Installing too many language packs can slow down Gallery performance. Do you want to continue?";
const char *const kErrorSeeFailedItems =
    "An error occurred. The Gallery couldn't complete your requested changes.\n\nDo you want to see the "
    "list of failed items?";
const char *const kChangesCancelled = "The Gallery cancelled your requested changes.";
const char *const kFailedToReadState = "Failed to read current state of the Gallery.";
const char *const kSelectAnotherDirectory = "Please select another directory.";

// A folder may take a gallery when it does not exist, is empty, or already holds one.
// The first row below parent (any depth) that shows text.
QModelIndex FindRow(const QAbstractItemModel *model, const QString &text, const QModelIndex &parent = QModelIndex())
{
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        if (index.data(Qt::DisplayRole).toString() == text) return index;
        const QModelIndex inner = FindRow(model, text, index);
        if (inner.isValid()) return inner;
    }
    return QModelIndex();
}

} // namespace

void MainWindow::FailureCollector::InstallationProgress(eGalleryInstallationProgress kind,
                                                        CGalleryInstallationItem *item, const wchar_t *text,
                                                        int percent, int overall)
{
    if (kind == eGalleryInstallationProgressFailed) {
        QString line = Text::ToQt(std::wstring_view(text ? text : L""));
        if (line.isEmpty() && item) line = Text::ToQt(item->GetTitle(nullptr));
        std::lock_guard<std::mutex> lock(m_mutex);
        m_failures.append(line);
    }
    IGalleryInstallationObserverChain::InstallationProgress(kind, item, text, percent, overall);
}

QStringList MainWindow::FailureCollector::Take()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QStringList failures;
    failures.swap(m_failures);
    return failures;
}

MainWindow::MainWindow(std::shared_ptr<CInstallationController> controller,
                       std::shared_ptr<ConfigurationWrapper> configuration, ProxyHandler *proxyHandler, QWidget *parent)
    : QDialog(parent), m_controller(std::move(controller)), m_configuration(std::move(configuration)),
      m_proxyHandler(proxyHandler)
{
    setObjectName(QStringLiteral("MainWindow"));
    BuildLayout();
    if (m_controller) m_controller->AddInstallationObserver(this);

    MainWindowScript::Window script;
    script.widget = this;
    script.ready = [this] { return isVisible() && !m_reading && !m_running; };
    script.press = [this](const QString &name) {
        if (name == QLatin1String("next")) m_nextButton->click();
        if (name == QLatin1String("about")) OnAbout();
    };
    script.tick = [this](const QString &text) {
        if (const QModelIndex row = FindRow(m_categories, text); row.isValid()) {
            m_categories->OnCategoryActivated(row);
            return true;
        }
        if (const QModelIndex row = FindRow(m_languages, text); row.isValid()) {
            m_languages->OnLanguageActivated(row);
            return true;
        }
        return false;
    };
    MainWindowScript::FromEnvironment(script, this);
}

MainWindow::~MainWindow()
{
    // The controller is shared and may outlive the window: no event may reach it afterwards.
    if (m_controller) m_controller->RemoveInstallationObserver(this);
}

GSTreeView *MainWindow::MakeView(const char *name, TreeItemModel *model)
{
    auto *view = new GSTreeView(this);
    view->setObjectName(QLatin1String(name));
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::NoSelection);
    view->setHeaderHidden(true);
    view->setIndentation(20);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setFrameShape(QFrame::NoFrame);
    QFont font = view->font();
    font.setPointSize(font.pointSize() + 1);
    view->setFont(font);
    view->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    if (model->columnCount() > 1) {
        view->header()->setStretchLastSection(false);
        view->header()->setSectionResizeMode(0, QHeaderView::Stretch);
        view->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    }
    // Trees always show fully expanded.
    connect(model, &QAbstractItemModel::modelReset, view, &QTreeView::expandAll);
    connect(model, &QAbstractItemModel::rowsInserted, view, &QTreeView::expandAll);
    return view;
}

void MainWindow::BuildLayout()
{
    setWindowIcon(QIcon(QStringLiteral(":/images/trove.png")));
    if (m_configuration)
        setWindowTitle(QCoreApplication::translate("QObject", Text::ToUtf8(m_configuration->GetTitle()).c_str()));

    m_state = std::make_shared<ApplicationState>(m_controller, palette().color(QPalette::Base));
    m_modelController = new ModelController(this);
    m_categories = new GalleryItemModel(m_state, this);
    m_languages = new LanguageItemModel(m_state, this);
    m_actions = new GalleryActionModel(m_state, this);
    m_totals = new TotalItemModel(m_state, this);
    for (TreeItemModel *model : std::initializer_list<TreeItemModel *>{m_categories, m_languages, m_actions, m_totals})
        m_modelController->AddModel(model);
    connect(m_modelController, &ModelController::DataSourceChanged, this, &MainWindow::OnStatusChanged);

    m_readDialog = new ReadProgressDlg(m_configuration, this);
    m_about = new About(m_configuration, this);

    // Left: the category and language tabs; right: the summary.
    auto *mainWidget = new QWidget(this);
    mainWidget->setObjectName(QStringLiteral("MainWidget"));
    mainWidget->setMinimumHeight(300);
    auto *splitter = new QSplitter(Qt::Horizontal, mainWidget);
    auto *tabs = new QTabWidget(splitter);
    m_categoryView = MakeView("treeViewCategories", m_categories);
    tabs->addTab(m_categoryView, tr("Content"));
    auto *languagePage = new QWidget(tabs);
    auto *languageLayout = new QVBoxLayout(languagePage);
    m_languageView = MakeView("treeViewLanguages", m_languages);
    m_nativeNames = new QCheckBox(tr("Show native names"), languagePage);
    m_nativeNames->setObjectName(QStringLiteral("checkBoxNativeNames"));
    m_nativeNames->setChecked(m_state->showNativeNames);
    languageLayout->addWidget(m_languageView);
    languageLayout->addWidget(m_nativeNames);
    tabs->addTab(languagePage, tr("Languages"));

    auto *summary = new QFrame(splitter);
    summary->setFrameStyle(QFrame::StyledPanel);
    auto *summaryLayout = new QVBoxLayout(summary);
    summaryLayout->addWidget(new QLabel(tr("Summary of Changes"), summary));
    GSTreeView *actionView = MakeView("treeViewActions", m_actions);
    GSTreeView *totalView = MakeView("treeViewTotal", m_totals);
    for (GSTreeView *view : {actionView, totalView})
        view->setFocusPolicy(Qt::NoFocus);
    totalView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    totalView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    totalView->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    totalView->setFixedHeight(totalView->fontMetrics().height() * 3 + 8);
    summaryLayout->addWidget(actionView);
    summaryLayout->addWidget(totalView);

    splitter->addWidget(tabs);
    splitter->addWidget(summary);
    splitter->setStretchFactor(0, 5);
    splitter->setStretchFactor(1, 3);
    splitter->setCollapsible(0, false);
    auto *mainLayout = new QVBoxLayout(mainWidget);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    mainLayout->addWidget(splitter);

    auto *folderLabel = new QLabel(tr("Installation folder for Gallery content:"), this);
    m_folder = new QLineEdit(this);
    m_folder->setObjectName(QStringLiteral("lineEditFolder"));
    m_folder->setReadOnly(true);
    auto *browse = new QPushButton(tr("Browse"), this);
    browse->setObjectName(QStringLiteral("buttonBrowse"));
    browse->setAutoDefault(false);
    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(m_folder);
    folderRow->addWidget(browse);

    auto *buttons = new QDialogButtonBox(this);
    m_connectionButton = buttons->addButton(tr("Connection Options"), QDialogButtonBox::ActionRole);
    m_aboutButton = buttons->addButton(tr("About"), QDialogButtonBox::HelpRole);
    m_nextButton = buttons->addButton(tr("Next >>"), QDialogButtonBox::AcceptRole);
    m_cancelButton = buttons->addButton(QDialogButtonBox::Cancel);
    m_connectionButton->setObjectName(QStringLiteral("buttonConnection"));
    m_aboutButton->setObjectName(QStringLiteral("buttonAbout"));
    m_nextButton->setObjectName(QStringLiteral("buttonNext"));
    m_cancelButton->setObjectName(QStringLiteral("buttonCancel"));
    m_aboutButton->hide();
    m_nextButton->setEnabled(false);
    m_connectionButton->setEnabled(m_controller && !m_controller->IsWorkingOffline());

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(mainWidget, 1);
    layout->addWidget(folderLabel);
    layout->addLayout(folderRow);
    layout->addWidget(buttons);
    resize(760, 480);

    connect(m_categoryView, &QAbstractItemView::clicked, m_categories, &GalleryItemModel::OnCategoryActivated);
    connect(m_languageView, &QAbstractItemView::clicked, m_languages, &LanguageItemModel::OnLanguageActivated);
    connect(m_nativeNames, &QCheckBox::stateChanged, this, &MainWindow::OnLanguagesCheckboxChanged);
    connect(browse, &QPushButton::clicked, this, &MainWindow::OnBrowse);
    connect(m_connectionButton, &QPushButton::clicked, this, &MainWindow::OnProxyOptions);
    connect(m_aboutButton, &QPushButton::clicked, this, &MainWindow::OnAbout);
    connect(m_nextButton, &QPushButton::clicked, this, &MainWindow::OnOk);
    connect(m_cancelButton, &QPushButton::clicked, this, &MainWindow::OnCancel);
}

void MainWindow::SetSourceAvailable(bool available)
{
    m_state->sourceAvailable = available;
}

void MainWindow::ClearModels()
{
    for (TreeItemModel *model : std::initializer_list<TreeItemModel *>{m_categories, m_languages, m_actions, m_totals})
        model->Clear();
}

void MainWindow::RebuildModels()
{
    // Languages first: it synchronises the controller's language lists that the summary shows.
    for (TreeItemModel *model : std::initializer_list<TreeItemModel *>{m_languages, m_categories, m_actions, m_totals})
        model->Rebuild();
}

bool MainWindow::ReadGalleryState()
{
    if (!m_controller) return false;
    const bool read = m_controller->ReadGalleryState(*m_readDialog);
    m_readDialog->hide();
    return read;
}

void MainWindow::OnReadStarted(CGalleryInstallation *)
{
    m_reading = true;
    ClearModels();
    m_nextButton->setEnabled(false);
    m_readDialog->show();
}

void MainWindow::OnReadFinished(CGalleryInstallation *)
{
    m_reading = false;
    if (m_controller->IsGalleryEmpty()) m_controller->SelectDefaults();
    RestorePreviousSelection();
    m_folder->setText(Text::ToQt(m_controller->GetDestination().GetDirectoryPathString()));
    m_connectionButton->setEnabled(!m_controller->IsWorkingOffline());
    RebuildModels();
    OnStatusChanged();
}

void MainWindow::OnReadFailed(CGalleryInstallation *)
{
    m_reading = false;
    m_folder->setText(Text::ToQt(m_controller->GetDestination().GetDirectoryPathString()));
    RebuildModels();
    OnStatusChanged();
    QMessageBox::critical(this, Message(kTitle), Message(kFailedToReadState));
}

void MainWindow::OnRunStarted(CGalleryInstallation *) {}

void MainWindow::OnRunFinished(CGalleryInstallation *) {}

void MainWindow::OnRunCanceled(CGalleryInstallation *)
{
    QMessageBox::warning(this, Message(kTitle), Message(kChangesCancelled));
}

void MainWindow::OnRunFailed(CGalleryInstallation *)
{
    const QStringList failures = m_progressChain.Take();
    if (QMessageBox::question(this, Message(kTitle), Message(kErrorSeeFailedItems),
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    FailLogUI log(this, Message(kTitle));
    log.SetInfoText(Message(kErrorSeeFailedItems).section(QLatin1Char('\n'), 0, 0));
    log.SetLogText(failures.join(QLatin1Char('\n')));
    log.exec();
}

bool MainWindow::Ask(const QString &text)
{
    QMessageBox box(QMessageBox::Question, Message(kTitle), text, QMessageBox::NoButton, this);
    QPushButton *proceed = box.addButton(tr("Continue"), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(proceed);
    box.exec();
    return box.clickedButton() == proceed;
}

bool MainWindow::CategoriesWillBeUpdated()
{
    return Ask(Message(kMustUpdateAllCategories));
}

bool MainWindow::LanguagesWillBeRemoved()
{
    return Ask(Message(kMustUpdateAllCategoriesQuestion));
}

bool MainWindow::TooManyLanguages()
{
    return Ask(Message(kTooManyLanguagePacks));
}

void MainWindow::OnStatusChanged()
{
    m_nextButton->setEnabled(m_controller && !m_reading && m_controller->GetInstallationState().hasActions);
}

void MainWindow::OnLanguagesCheckboxChanged(int state)
{
    m_state->showNativeNames = state == Qt::Checked;
    m_languages->RefreshData();
    m_actions->RefreshData();
}

void MainWindow::SaveSelection()
{
    m_savedCategories.clear();
    if (CGalleryInstallation *installation = m_controller->GetInstallation())
        for (const CGalleryInstallationItem *item : installation->GetItems())
            if (item->GetAction() == eGalleryInstallationActionInstall)
                m_savedCategories.push_back(item->GetIdentifier());
    m_savedLanguages = m_controller->GetAddedLanguages();
}

void MainWindow::RestorePreviousSelection()
{
    if (CGalleryInstallation *installation = m_controller->GetInstallation())
        for (const CAtlString &identifier : m_savedCategories)
            if (CGalleryInstallationItem *item = installation->GetByIdentifier(identifier.c_str()))
                item->SetAction(eGalleryInstallationActionInstall);
    if (!m_savedLanguages.empty()) m_controller->SetAddedLanguages(m_savedLanguages);
    m_savedCategories.clear();
    m_savedLanguages.clear();
}

void MainWindow::OnOk()
{
    if (m_running || m_reading) return;
    if (m_controller && m_controller->GetInstallationState().hasActions) {
        hide();
        ProgressDlg progress(m_controller, this);
        progress.setModal(true);
        progress.show();
        m_progressChain.Take();
        m_progressChain.Attach(progress.GetObserver());
        m_running = true;
        m_controller->RunEverything(&m_progressChain);
        m_running = false;
        m_progressChain.Attach(nullptr);
        progress.Finish();
        progress.hide();
    }
    accept();
}

void MainWindow::OnCancel()
{
    reject();
}

bool MainWindow::MayClose()
{
    if (m_reading) return false;
    if (!m_running) return true;
    // The run stops between files and saves what it merged; the window closes when it has ended.
    if (QMessageBox::question(this, Message(kTitle), tr("Changes are being made. Do you want to stop them?"),
                              QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
        m_controller->Cancel();
    return false;
}

void MainWindow::reject()
{
    if (MayClose()) QDialog::reject();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (MayClose())
        QDialog::closeEvent(event);
    else
        event->ignore();
}

void MainWindow::OnProxyOptions()
{
    if (!m_proxyHandler || m_running || m_reading) return;
    if (!m_proxyHandler->ShowDialog(this)) return;
    if (!m_controller->CheckRemoteGalleryProvider()) return;
    SetSourceAvailable(true);
    SaveSelection();
    ReadGalleryState();
}

void MainWindow::OnAbout()
{
    m_about->ShowAbout();
}

void MainWindow::OnBrowse()
{
    if (!m_controller || !m_configuration || m_running || m_reading) return;
    const QString current = Text::ToQt(m_controller->GetDestination().GetDirectoryPathString());
    PathSelector selector;
    selector.SetPath(current);
    const QString title = tr("Select a folder for new gallery location");
    while (true) {
        if (!selector.SelectNewPath(title, this)) return;
        if (CGallery::IsGalleryFolder(Text::FromQt(selector.GetPath()))) break;
        QMessageBox::critical(this, Message(kTitle),
                              tr("This folder holds other files and no gallery:\n%1").arg(selector.GetPath()) +
                                  QLatin1Char('\n') + Message(kSelectAnotherDirectory));
    }
    const QString chosen = QDir::cleanPath(QFileInfo(selector.GetPath()).absoluteFilePath());
    if (chosen == QDir::cleanPath(current)) return;
    m_configuration->SetDestination(CKeldaDirectoryPath(Text::FromQt(chosen)));
    SaveSelection();
    ReadGalleryState();
}
