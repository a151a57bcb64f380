// Temporary folders and file helpers for the tests.
#include "common/TestEnv.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace TestEnv
{

TempDir::TempDir()
{
    std::string base = fs::temp_directory_path().string() + "/trove-test-XXXXXX";
    if (!mkdtemp(base.data())) throw std::runtime_error("mkdtemp failed");
    m_path = base;
}

TempDir::~TempDir()
{
    RemoveAll(m_path);
}

static std::string Env(const char *name)
{
    const char *v = std::getenv(name);
    return v ? v : "";
}

std::string Home()
{
    return Env("HOME");
}
std::string ConfigHome()
{
    return Env("XDG_CONFIG_HOME");
}
std::string SysRoot()
{
    return Env("TROVE_SYSROOT");
}

std::string SamplesDir(const std::string &sub)
{
    std::string dir = TROVE_SAMPLES_DIR;
    if (!sub.empty()) dir += "/" + sub;
    std::error_code ec;
    return fs::is_directory(dir, ec) ? fs::canonical(dir, ec).string() : std::string();
}

std::string DataPath(const std::string &name)
{
    return std::string(TROVE_TEST_DATA_DIR) + "/" + name;
}

std::string TroveExecutable()
{
    return TROVE_EXECUTABLE;
}

bool WriteFile(const std::string &path, const std::string &bytes)
{
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
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

bool Exists(const std::string &path)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

void RemoveAll(const std::string &path)
{
    std::error_code ec;
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path, ec);
}

} // namespace TestEnv
