// ApplicationState: what every item and model of the window shares: the display choices, whether the
// source can be reached, the language list, the controller, and the four row brushes.
#pragma once

#include "install/LanguageXml.h"

#include <QBrush>
#include <QColor>

#include <memory>

class CInstallationController;

class ApplicationState
{
  public:
    // The brushes are built on base, the views' base colour.
    ApplicationState(std::shared_ptr<CInstallationController> controller, const QColor &base);

    // Language names in their own language instead of English.
    bool showNativeNames = true;
    // The gallery source can be reached, so new content may be added.
    bool sourceAvailable = false;
    std::shared_ptr<const LanguageXml::LanguageList> languageList;
    std::shared_ptr<CInstallationController> controller;
    QBrush normal;
    QBrush add;
    QBrush remove;
    QBrush update;

    // A horizontal gradient over 200 pixels from color (translucent) to base.
    static QBrush MakeBrush(const QColor &color, const QColor &base);
};

using ApplicationStatePtr = std::shared_ptr<ApplicationState>;
