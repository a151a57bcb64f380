// LanguageItem: see LanguageItem.h.
#include "ui/models/LanguageItem.h"

#include "install/InstallationController.h"
#include "support/Text.h"

#include <QCoreApplication>

LanguageItem::LanguageItem(ApplicationStatePtr state, const LanguageXml::Language &language, Kind kind)
    : GSItem(std::move(state), 1), m_language(language), m_kind(kind)
{
    SetData(0, Qt::UserRole, static_cast<int>(kind));
}

QString LanguageItem::Name() const
{
    const CAtlString &native = m_language.GetNativeName();
    const CAtlString &english = m_language.GetEnglishName();
    const CAtlString &name = State().showNativeNames && !native.empty() ? native : english;
    return Text::ToQt(name.empty() ? m_language.GetCode() : name);
}

bool LanguageItem::IsSelected() const
{
    return Controller() && Controller()->IsLanguageSelected(m_language);
}

bool LanguageItem::HasCheckBox() const
{
    if (!Controller()) return false;
    if (m_kind == KindAvailable) return true;
    // Updating all languages means something only while the source offers newer translations.
    return m_kind == KindUpdateAll && !Controller()->GetUpdatedLanguages().empty();
}

bool LanguageItem::IsChecked() const
{
    if (m_kind == KindUpdateAll) return Controller() && Controller()->IsLanguageBeingUpdated();
    return IsSelected();
}

QVariant LanguageItem::GetData(int column, int role) const
{
    if (column != 0) return TreeItem::GetData(column, role);
    switch (role) {
    case Qt::DisplayRole:
        switch (m_kind) {
        case KindInstalledUpdating:
            return QStringLiteral("* ") + Name();
        case KindUpdateAll:
            return QCoreApplication::translate("MainWindow", "Update all language packs");
        case KindSummary:
            return (IsSelected() ? QCoreApplication::translate("MainWindow", "Add")
                                 : QCoreApplication::translate("MainWindow", "Update")) +
                   QLatin1Char(' ') + Name();
        default:
            return Name();
        }
    case Qt::CheckStateRole:
        if (!HasCheckBox()) return QVariant();
        return static_cast<int>(IsChecked() ? Qt::Checked : Qt::Unchecked);
    case Qt::BackgroundRole:
        if (m_kind == KindUpdateAll) return HasCheckBox() && IsChecked() ? State().update : State().normal;
        if (IsSelected()) return State().add;
        return m_kind == KindSummary ? State().update : State().normal;
    default:
        break;
    }
    return TreeItem::GetData(column, role);
}

Qt::ItemFlags LanguageItem::GetFlags() const
{
    Qt::ItemFlags flags = TreeItem::GetFlags();
    if (HasCheckBox()) flags |= Qt::ItemIsUserCheckable;
    return flags;
}

bool LanguageItem::ToggleState()
{
    CInstallationController *controller = Controller();
    if (!controller || !State().sourceAvailable || !HasCheckBox()) return false;
    if (m_kind == KindAvailable) {
        return IsSelected() ? controller->RemoveLanguageFromUserList(m_language)
                            : controller->AddLanguageToUserList(m_language);
    }
    const bool before = controller->IsLanguageBeingUpdated();
    if (before)
        controller->SetDontUpdateLanguages();
    else
        controller->SetUpdateLanguages();
    return controller->IsLanguageBeingUpdated() != before;
}
