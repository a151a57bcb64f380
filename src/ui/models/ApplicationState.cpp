// ApplicationState: see ApplicationState.h.
#include "ui/models/ApplicationState.h"

#include "install/InstallationController.h"

#include <QLinearGradient>

ApplicationState::ApplicationState(std::shared_ptr<CInstallationController> controllerIn, const QColor &base)
    : controller(std::move(controllerIn)), normal(base), add(MakeBrush(QColor(0, 255, 0, 50), base)),
      remove(MakeBrush(QColor(255, 0, 0, 50), base)), update(MakeBrush(QColor(0, 0, 255, 50), base))
{
    if (controller) languageList = std::make_shared<LanguageXml::LanguageList>(controller->GetLanguageList());
}

QBrush ApplicationState::MakeBrush(const QColor &color, const QColor &base)
{
    QLinearGradient gradient(0, 0, 200, 0);
    gradient.setColorAt(0, color);
    gradient.setColorAt(1, base);
    return QBrush(gradient);
}
