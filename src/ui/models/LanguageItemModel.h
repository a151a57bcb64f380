// LanguageItemModel: the language packs. After the controller synchronises its languages: a group
// "Installed" (the update-all row, a fixed "English" row, the installed languages, marked when the
// source offers newer translations) and a group "Available" (the languages that can be added), or the
// one row "No language packs available".
#pragma once

#include "ui/models/ApplicationState.h"
#include "ui/models/TreeItemModel.h"

class LanguageItemModel : public TreeItemModel
{
    Q_OBJECT

  public:
    explicit LanguageItemModel(ApplicationStatePtr state, QObject *parent = nullptr);

  public slots:
    void OnLanguageActivated(const QModelIndex &index) { ToggleAt(index); }

  protected:
    void Populate() override;

  private:
    ApplicationStatePtr m_state;
};
