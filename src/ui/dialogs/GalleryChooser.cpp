#include "ui/dialogs/GalleryChooser.h"

#include "configuration/ConfigurationWrapper.h"
#include "configuration/Defaults.h"
#include "gallery/records/GalleryExtensionInfo.h"
#include "support/KeldaPath.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
QString AskForFile(QWidget *parent, const QString &title, const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

GalleryChooser::AskFileFunction g_askFile = &AskForFile;
} // namespace

void GalleryChooser::SetAskFileFunctionForTesting(AskFileFunction ask)
{
    g_askFile = ask ? ask : &AskForFile;
}

QString GalleryChooser::CollectionFilter()
{
    return QObject::tr("Gallery Collections") + QStringLiteral(" (*") +
           Text::ToQt(std::wstring_view(Defaults::GALLERY_COLLECTION_EXTENTION)) + QStringLiteral(")");
}

QString GalleryChooser::AskForCollection(QWidget *parent)
{
    return g_askFile(parent, QObject::tr("Select a Gallery Collection to install"), CollectionFilter());
}

GalleryChooser::GalleryChooser(std::shared_ptr<ConfigurationWrapper> configuration, QWidget *parent)
    : QDialog(parent), m_configuration(std::move(configuration))
{
    setObjectName(QStringLiteral("GalleryChooser"));
    setWindowTitle(tr("Select a Gallery"));
    auto *caption = new QLabel(tr("Select a Gallery to manage"), this);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("listGalleries"));
    m_uninstallButton = new QPushButton(tr("Uninstall"), this);
    m_uninstallButton->setObjectName(QStringLiteral("buttonUninstall"));
    auto *browse = new QPushButton(tr("Other Gallery..."), this);
    browse->setObjectName(QStringLiteral("buttonBrowse"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);

    auto *row = new QHBoxLayout;
    row->addWidget(m_uninstallButton);
    row->addWidget(browse);
    row->addStretch();
    row->addWidget(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(m_list);
    layout->addLayout(row);

    connect(buttons, &QDialogButtonBox::accepted, this, &GalleryChooser::OnOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &GalleryChooser::OnCancel);
    connect(browse, &QPushButton::clicked, this, &GalleryChooser::OnBrowse);
    connect(m_uninstallButton, &QPushButton::clicked, this, &GalleryChooser::OnUninstall);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &GalleryChooser::OnItemSelectionChanged);
    connect(m_list, &QListWidget::itemActivated, this, &GalleryChooser::OnItemActivated);
    RefreshList();
}

void GalleryChooser::RefreshList()
{
    m_list->clear();
    std::vector<CGalleryExtensionInfo> registered;
    (void)CGalleryExtensionInfo::GetExtensions(CGalleryExtensionInfo::TeamContentExtensionType, registered);
    for (const CGalleryExtensionInfo &info : registered) {
        // Only registrations whose configuration still loads can be managed.
        ConfigurationWrapper candidate;
        if (!candidate.ReadFromPreferences(info.id)) continue;
        QString name = Text::ToQt(candidate.GetGalleryName());
        if (name.isEmpty()) name = Text::ToQt(info.id);
        auto *item = new QListWidgetItem(name, m_list);
        item->setData(Qt::UserRole, Text::ToQt(info.id));
    }
    OnItemSelectionChanged();
}

QString GalleryChooser::SelectedGuid() const
{
    const QList<QListWidgetItem *> selected = m_list->selectedItems();
    return selected.isEmpty() ? QString() : selected.front()->data(Qt::UserRole).toString();
}

void GalleryChooser::OnItemSelectionChanged()
{
    const bool any = !m_list->selectedItems().isEmpty();
    m_ok->setEnabled(any);
    m_uninstallButton->setEnabled(any);
}

void GalleryChooser::OnItemActivated(QListWidgetItem *item)
{
    if (!item) return;
    m_list->setCurrentItem(item);
    OnOk();
}

void GalleryChooser::OnOk()
{
    const QString guid = SelectedGuid();
    if (guid.isEmpty() || !m_configuration) return;
    if (m_configuration->ReadFromPreferences(Text::FromQt(guid))) accept();
}

void GalleryChooser::OnCancel()
{
    reject();
}

void GalleryChooser::OnBrowse()
{
    const QString file = AskForCollection(this);
    if (file.isEmpty() || !m_configuration) return;
    if (m_configuration->ReadFromFile(CKeldaFilePath(Text::FromQt(file)))) accept();
}

void GalleryChooser::OnUninstall()
{
    const QString guid = SelectedGuid();
    if (guid.isEmpty()) return;
    if (QMessageBox::question(this, tr("Trove"),
                              tr("The selected Gallery will be completely removed from the system. Do you want to "
                                 "continue?"),
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    auto configuration = std::make_shared<ConfigurationWrapper>();
    if (configuration->ReadFromPreferences(Text::FromQt(guid)) && m_uninstall) m_uninstall(configuration, this);
    RefreshList();
}
