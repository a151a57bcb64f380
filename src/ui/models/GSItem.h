// GSItem: the base of the window's rows; it holds the shared ApplicationState.
#pragma once

#include "ui/models/ApplicationState.h"
#include "ui/models/TreeItem.h"

class GSItem : public TreeItem
{
  public:
    GSItem(ApplicationStatePtr state, int columnCount) : TreeItem(columnCount), m_state(std::move(state)) {}

  protected:
    const ApplicationState &State() const { return *m_state; }
    CInstallationController *Controller() const { return m_state->controller.get(); }

  private:
    ApplicationStatePtr m_state;
};
