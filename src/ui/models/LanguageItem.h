// LanguageItem: one language row (an installed, available or updated language pack, a language in the
// summary) or the row "Update all language packs". The kind is kept as user data (role 256).
#pragma once

#include "install/LanguageXml.h"
#include "ui/models/GSItem.h"

class LanguageItem : public GSItem
{
  public:
    enum Kind {
        KindInstalled = 1,
        KindAvailable = 2,
        KindInstalledUpdating = 3,
        KindUpdateAll = 4,
        KindSummary = 5,
    };

    LanguageItem(ApplicationStatePtr state, const LanguageXml::Language &language, Kind kind);

    QVariant GetData(int column, int role) const override;
    Qt::ItemFlags GetFlags() const override;
    // Only while the source is available: an available language is added to or removed from the
    // user's list; the update-all row switches updating the installed languages on or off.
    bool ToggleState() override;

    Kind GetKind() const { return m_kind; }
    const LanguageXml::Language &GetLanguage() const { return m_language; }

  private:
    bool HasCheckBox() const;
    bool IsChecked() const;
    bool IsSelected() const;
    QString Name() const;

    LanguageXml::Language m_language;
    Kind m_kind;
};
