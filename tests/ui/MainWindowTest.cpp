// The main window: construction and the state of its buttons.
#include "ui/MainWindow.h"

#include "configuration/ConfigurationWrapper.h"
#include "install/InstallationController.h"

#include <gtest/gtest.h>

TEST(MainWindowTest, ConstructsWithoutAConfiguration)
{
    auto controller = std::make_shared<CInstallationController>();
    MainWindow window(controller, nullptr, nullptr);
    EXPECT_FALSE(window.isVisible());
}
