// Private folders and the core application of a fuzz harness process.
#include "FuzzEnv.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace
{

std::string g_root;
std::string g_work;

void RemoveRoot()
{
    std::error_code ec;
    if (!g_root.empty()) fs::remove_all(g_root, ec);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    if (!g_root.empty()) return 0;
    std::string base = fs::temp_directory_path().string() + "/trove-fuzz-XXXXXX";
    if (!mkdtemp(base.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    g_root = base;
    std::atexit(RemoveRoot);
    const std::string home = g_root + "/home";
    const std::string config = home + "/.config";
    const std::string sysroot = g_root + "/sysroot";
    g_work = g_root + "/work";
    fs::create_directories(config);
    fs::create_directories(sysroot + "/tmp");
    fs::create_directories(g_work);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("TROVE_SYSROOT", sysroot.c_str(), 1);
    setenv("TMPDIR", (sysroot + "/tmp").c_str(), 1);
    // Lives until the process ends; the readers use Qt's file and settings classes.
    static QCoreApplication *app = new QCoreApplication(*argc, *argv);
    (void)app;
    return 0;
}

namespace FuzzEnv
{

std::string FreshWork()
{
    std::error_code ec;
    fs::remove_all(g_work, ec);
    fs::create_directories(g_work);
    return g_work;
}

std::string SysRoot()
{
    return g_root + "/sysroot";
}

bool WriteFile(const std::string &path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Fail(const char *what)
{
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::fflush(stderr);
    RemoveRoot(); // abort() skips the atexit handler
    std::abort();
}

} // namespace FuzzEnv
