// What the whole-program tests of the commands share: a copy of the trove executable per test
// program, a private home, settings folder, system root and temporary folder per test, the sample
// configuration with a download source of the test's choice, a gallery source generated with the
// publisher library, the same source served by a private nginx on 127.0.0.1, and snapshots of folder
// trees.
#pragma once

#include "common/NginxServer.h"
#include "common/TestEnv.h"
#include "e2e/ProgramRun.h"

#include "publisher/GallerySource.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QStringList>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace E2E
{

namespace fs = std::filesystem;
using NTrove::Publisher::Source;

inline const char *const GalleryGuid = "7D3F0C6A-52B1-4E0B-9C1E-2A6F3B1D8E41";
inline const wchar_t *const AstronomyId = L"6B1E2F40-93C7-4A52-8D0E-5F7A1C2B3D01";
inline const wchar_t *const BiologyId = L"6B1E2F40-93C7-4A52-8D0E-5F7A1C2B3D02";

// Every file and folder below root with its content ("<dir>" for folders).
using Tree = std::map<std::string, std::string>;
inline Tree TreeOf(const std::string &root)
{
    Tree tree;
    std::error_code error;
    if (!fs::exists(root, error)) return tree;
    for (auto it = fs::recursive_directory_iterator(root, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
        const std::string name = fs::relative(it->path(), root).string();
        tree[name] = it->is_directory() ? std::string("<dir>") : TestEnv::ReadFile(it->path().string());
    }
    return tree;
}

inline std::vector<std::string> Names(const Tree &tree)
{
    std::vector<std::string> names;
    for (const auto &entry : tree)
        names.push_back(entry.first);
    return names;
}

// The names that were added, removed or changed between two snapshots.
inline std::vector<std::string> Changed(const Tree &before, const Tree &after)
{
    std::vector<std::string> changed;
    for (const auto &entry : before) {
        const auto it = after.find(entry.first);
        if (it == after.end() || it->second != entry.second) changed.push_back(entry.first);
    }
    for (const auto &entry : after)
        if (!before.count(entry.first)) changed.push_back(entry.first);
    return changed;
}

// One category per entry: astronomy with two items, biology with one; the source of the gallery guid.
inline Source SampleSource(const CAtlString &astronomyVersion = L"1.0", const char *guid = GalleryGuid)
{
    Source source;
    source.categoriesId = Text::FromUtf8(guid);
    auto add = [&](const wchar_t *id, const wchar_t *stem, const wchar_t *title, const CAtlString &version,
                   std::vector<CAtlString> items) {
        auto &category = source.categories.emplace_back();
        category.identifier = id;
        category.titles[L"en"] = title;
        auto &gallery = category.galleries.emplace_back();
        gallery.fileName = CAtlString(stem) + L".gallery";
        gallery.identifier = L"http://" + Text::FromUtf8(guid) + L"/gallery/" + stem;
        gallery.version = version;
        gallery.titles[L"en"] = title;
        for (const CAtlString &name : items) {
            NTrove::Publisher::Item item;
            item.fileName = name + L".galleryitem";
            item.titles[L"en"] = name;
            item.content = Text::ToUtf8(name) + " bytes";
            gallery.items.push_back(std::move(item));
        }
    };
    add(AstronomyId, L"astronomy", L"Astronomy", astronomyVersion, {L"moon", L"planets"});
    add(BiologyId, L"biology", L"Biology", L"1.0", {L"cell"});
    return source;
}

class CommandsE2E : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        s_copy = new ProgramCopy();
        s_program = s_copy->program();
    }
    static void TearDownTestSuite()
    {
        delete s_copy;
        s_copy = nullptr;
    }

    void SetUp() override
    {
        for (const char *sub : {"home", "home/.config", "sys/tmp", "tmp"})
            fs::create_directories(m_root.file(sub));
        m_source = m_root.file("source");
        m_destination = m_root.file("gallery");
        Publish(SampleSource());
        m_configuration = WriteConfiguration("config", "http://127.0.0.1:9/unused");
    }

    void Publish(const Source &source, const std::string &folder = std::string())
    {
        std::string error;
        const std::string target = folder.empty() ? m_source : folder;
        ASSERT_TRUE(NTrove::Publisher::Publish(source, CKeldaDirectoryPath::FromUtf8(target), &error)) << error;
    }

    // A copy of the sample configuration whose download source is defaultSource (and whose gallery
    // GUID is guid, when given).
    std::string WriteConfiguration(const std::string &name, const std::string &defaultSource,
                                   const std::string &guid = std::string())
    {
        const std::string folder = m_root.file(name);
        fs::create_directories(folder);
        for (const auto &entry : fs::directory_iterator(TROVE_SOURCE_DIR "/samples/configuration"))
            fs::copy_file(entry.path(), folder + "/" + entry.path().filename().string(),
                          fs::copy_options::overwrite_existing);
        std::string xml = TestEnv::ReadFile(folder + "/configuration.xml");
        const std::string from = "http://127.0.0.1:8080/sample-gallery";
        xml.replace(xml.find(from), from.size(), defaultSource);
        if (!guid.empty()) xml.replace(xml.find(GalleryGuid), std::string(GalleryGuid).size(), guid);
        EXPECT_TRUE(TestEnv::WriteFile(folder + "/configuration.xml", xml));
        return folder;
    }

    Result Run(QStringList arguments)
    {
        arguments.prepend(QStringLiteral("--noui"));
        QProcessEnvironment env = EnvironmentWithoutDisplay();
        env.insert(QStringLiteral("HOME"), QString::fromStdString(m_root.file("home")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(m_root.file("home/.config")));
        env.insert(QStringLiteral("TROVE_SYSROOT"), QString::fromStdString(m_root.file("sys")));
        env.insert(QStringLiteral("TMPDIR"), QString::fromStdString(m_root.file("tmp")));
        return RunProgram(s_program, arguments, env, 120000, m_root.path());
    }

    QStringList InstallArgs(const char *command, const std::string &source)
    {
        return {QString::fromLatin1(command),   "-configuration", QString::fromStdString(m_configuration), "-source",
                QString::fromStdString(source), "-destination",   QString::fromStdString(m_destination)};
    }

    // The installed items of the destination and the galleries of its "updateinfo.xml".
    std::vector<std::string> Items(const std::string &destination) const
    {
        std::vector<std::string> items;
        for (const std::string &name : Names(TreeOf(destination)))
            if (name.size() > 12 && name.compare(name.size() - 12, 12, ".galleryitem") == 0) items.push_back(name);
        return items;
    }
    // The test's folder without what every run of the program touches (the home with the personal
    // gallery, the settings and the temporary folder).
    Tree Snapshot() const
    {
        Tree tree = TreeOf(m_root.path());
        for (auto it = tree.begin(); it != tree.end();) {
            const std::string &name = it->first;
            const bool skip = name.rfind("home", 0) == 0 || name.rfind("tmp", 0) == 0 ||
                              name.rfind("sys/etc", 0) == 0 || name.rfind("sys/tmp", 0) == 0;
            it = skip ? tree.erase(it) : std::next(it);
        }
        return tree;
    }
    static bool Holds(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

    // The files (not folders) that runs left in the system root's temporary folder.
    std::vector<std::string> TemporaryFiles() const
    {
        std::vector<std::string> files;
        for (const auto &entry : TreeOf(m_root.file("sys/tmp")))
            if (entry.second != "<dir>") files.push_back(entry.first);
        return files;
    }

    static inline ProgramCopy *s_copy = nullptr;
    static inline std::string s_program;

    TestEnv::TempDir m_root;
    std::string m_source;
    std::string m_destination;
    std::string m_configuration;
};

// The commands against the test's source served over HTTP: a private nginx serves the test folder, and
// the configuration's download source is the source's address there. Skips without nginx.
class ServedCommandsE2E : public CommandsE2E
{
  protected:
    void SetUp() override
    {
        if (NginxServer::Binary().isEmpty()) GTEST_SKIP() << "nginx is not installed";
        CommandsE2E::SetUp();
        QString error;
        ASSERT_TRUE(
            m_nginx.Start(QString::fromStdString(m_root.path()), QString::fromStdString(m_nginxWork.path()), &error))
            << error.toStdString();
        m_url = m_nginx.url(QStringLiteral("/source")).toString().toStdString();
        m_configuration = WriteConfiguration("config", m_url);
    }

    TestEnv::TempDir m_nginxWork;
    NginxServer m_nginx;
    std::string m_url;
};

// A machine-wide preference value as the program stored it (the system scope below TROVE_SYSROOT).
inline QString MachinePreference(const std::string &sysroot, const QString &key)
{
    QSettings settings(QString::fromStdString(sysroot + "/etc/xdg/Kelda Labs/Kelda Vellum.conf"), QSettings::IniFormat);
    return settings.value(key).toString();
}

} // namespace E2E
