// Entry point of every test program. Before anything reads them, HOME, XDG_CONFIG_HOME and TROVE_SYSROOT
// are pointed at fresh private folders, so no test touches the machine's real home, settings, /opt or /tmp.
// A Qt application object exists for the whole run (a widget one for GUI test programs, offscreen).
#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#ifdef TROVE_TEST_GUI
#include <QApplication>
#endif

#include <cstdlib>
#include <filesystem>
#include <memory>

int main(int argc, char **argv)
{
    static TestEnv::TempDir root;
    const std::string home = root.path() + "/home";
    const std::string config = home + "/.config";
    const std::string sysroot = root.path() + "/sysroot";
    std::filesystem::create_directories(config);
    std::filesystem::create_directories(sysroot + "/tmp");
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("TROVE_SYSROOT", sysroot.c_str(), 1);
    setenv("TMPDIR", (sysroot + "/tmp").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);

    ::testing::InitGoogleTest(&argc, argv);
#ifdef TROVE_TEST_GUI
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
