// Helpers shared by the test programs: private temporary folders, the sample folder beside the project,
// and small file helpers. Every test process runs with HOME, XDG_CONFIG_HOME and TROVE_SYSROOT pointing
// at fresh folders of its own (set up in TestMain.cpp before anything reads them).
#pragma once

#include <string>

namespace TestEnv
{

// A fresh private folder, removed with everything in it when the object goes.
class TempDir
{
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const { return m_path; }
    std::string file(const std::string &name) const { return m_path + "/" + name; }

  private:
    std::string m_path;
};

// The folders that this test process uses instead of the real ones.
std::string Home();
std::string ConfigHome();
std::string SysRoot();

// ../shared/samples/<sub>, or "" when the folder is absent (tests then skip).
std::string SamplesDir(const std::string &sub = std::string());
// tests/data/<name>
std::string DataPath(const std::string &name);
// The trove executable built beside the tests.
std::string TroveExecutable();

bool WriteFile(const std::string &path, const std::string &bytes);
std::string ReadFile(const std::string &path);
bool Exists(const std::string &path);
void RemoveAll(const std::string &path);

} // namespace TestEnv

#define TROVE_SKIP_WITHOUT_SAMPLES(sub)                                                                                \
    do {                                                                                                               \
        if (TestEnv::SamplesDir(sub).empty()) GTEST_SKIP() << "sample folder " << (sub) << " is absent";               \
    } while (0)
