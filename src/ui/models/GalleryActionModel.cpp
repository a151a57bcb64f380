// GalleryActionModel: see GalleryActionModel.h.
#include "ui/models/GalleryActionModel.h"

#include "install/GalleryInstallation.h"
#include "install/GalleryInstallationItem.h"
#include "install/InstallationController.h"
#include "support/Text.h"
#include "ui/models/GroupItem.h"
#include "ui/models/LanguageItem.h"

#include <algorithm>

namespace
{

TreeItem *TextRow(const QString &text, const QString &size, const QBrush &brush)
{
    auto *row = new TreeItem(2);
    row->SetData(0, Qt::DisplayRole, text);
    row->SetData(1, Qt::DisplayRole, size);
    row->SetData(1, Qt::TextAlignmentRole, static_cast<int>(Qt::AlignRight | Qt::AlignVCenter));
    row->SetData(0, Qt::BackgroundRole, brush);
    row->SetData(1, Qt::BackgroundRole, brush);
    return row;
}

void AddNoChangesWhenEmpty(TreeItem *group)
{
    if (group->GetChildCount() == 0)
        group->AddChild(TextRow(GalleryActionModel::tr("No changes"), QString(), QBrush()));
}

} // namespace

GalleryActionModel::GalleryActionModel(ApplicationStatePtr state, QObject *parent)
    : TreeItemModel(2, parent), m_state(std::move(state))
{
}

void GalleryActionModel::Populate()
{
    CInstallationController *controller = m_state->controller.get();
    CGalleryInstallation *installation = controller ? controller->GetInstallation() : nullptr;

    auto *content = new GroupItem(m_state, tr("Content"), 2, false);
    GetRoot()->AddChild(content);
    if (installation) {
        struct Pass {
            const char *label;
            const QBrush *brush;
            bool (*matches)(const CGalleryInstallationItem *);
        };
        const Pass passes[] = {
            {QT_TR_NOOP("Add"), &m_state->add,
             [](const CGalleryInstallationItem *item) {
                 return !item->GetIsInstalled() && item->GetAction() == eGalleryInstallationActionInstall;
             }},
            {QT_TR_NOOP("Update"), &m_state->update,
             [](const CGalleryInstallationItem *item) {
                 return item->GetIsInstalled() && item->GetIsUpdateAvailable() &&
                        item->GetAction() == eGalleryInstallationActionUpdate;
             }},
            {QT_TR_NOOP("Remove"), &m_state->remove,
             [](const CGalleryInstallationItem *item) {
                 return item->GetIsInstalled() && item->GetAction() == eGalleryInstallationActionRemove;
             }},
        };
        for (const Pass &pass : passes) {
            for (const CGalleryInstallationItem *item : installation->GetItems()) {
                if (!pass.matches(item)) continue;
                const unsigned long size = static_cast<unsigned long>(std::max(0, item->GetDownloadSize()));
                content->AddChild(TextRow(tr(pass.label) + QLatin1Char(' ') + Text::ToQt(item->GetTitle(nullptr)),
                                          Text::ToQt(CGalleryInstallation::GetSizeString(size)), *pass.brush));
            }
        }
    }
    AddNoChangesWhenEmpty(content);

    auto *languages = new GroupItem(m_state, tr("Languages"), 2, false);
    GetRoot()->AddChild(languages);
    if (installation) {
        for (const LanguageXml::Language &language : controller->GetAddedLanguages())
            languages->AddChild(new LanguageItem(m_state, language, LanguageItem::KindSummary));
        if (controller->IsLanguageBeingUpdated())
            for (const LanguageXml::Language &language : controller->GetUpdatedLanguages())
                languages->AddChild(new LanguageItem(m_state, language, LanguageItem::KindSummary));
    }
    AddNoChangesWhenEmpty(languages);
}
