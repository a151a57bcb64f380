// Installing galleries into a destination and removing them again, reinstalling, repairing a
// destination from its uninstall records, and the helpers around them (matching activities, naming
// copied files, deleting files nobody references).
#include "CacheTestSupport.h"

#include "gallery/facade/Gallery.h"
#include "gallery/records/GalleryExtensionInfo.h"
#include "gallery/maintenance/GalleryInstalledManifest.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <set>

using namespace CacheTest;
namespace fs = std::filesystem;

namespace
{

// Writes a gallery (its item files and imsmanifest.xml) into folder.
void MakeGallery(const std::string &folder, const std::function<void(CGalleryManifest *)> &build,
                 const std::vector<std::string> &items)
{
    fs::create_directories(folder);
    for (const std::string &item : items)
        ASSERT_TRUE(TestEnv::WriteFile(folder + "/" + item, "content of " + item));
    ManifestPtr m = NewManifest();
    build(m.get());
    ASSERT_EQ(m->SaveAs(W(folder + "/imsmanifest.xml").c_str()), S_OK);
}

ManifestPtr OpenGallery(const std::string &folder)
{
    ManifestPtr m = NewManifest();
    EXPECT_EQ(m->Open(W(folder + "/imsmanifest.xml").c_str()), S_OK);
    return m;
}

// A destination manifest (empty when nothing is there yet).
ManifestPtr Destination(const std::string &folder)
{
    fs::create_directories(folder);
    ManifestPtr m = NewManifest();
    const HRESULT hr = m->Open(W(folder + "/imsmanifest.xml").c_str());
    EXPECT_TRUE(hr == S_OK || hr == S_FALSE);
    return m;
}

HRESULT Install(CGalleryManifest *destination, const std::string &gallery)
{
    CGalleryManifest *source = nullptr;
    CGalleryManifest::CreateInstance(&source);
    EXPECT_EQ(source->Open(W(gallery + "/imsmanifest.xml").c_str()), S_OK);
    const HRESULT hr = destination->Install(&source);
    if (SUCCEEDED(hr)) {
        EXPECT_EQ(source, nullptr) << "Install consumes the source";
    }
    CGalleryManifest::DeleteInstance(&source);
    return hr;
}

HRESULT Uninstall(CGalleryManifest *destination, const wchar_t *identifier)
{
    CGalleryManifest *record = nullptr;
    CGalleryManifest::CreateInstance(&record);
    const CKeldaFilePath path = destination->GetUninstallFilePath(identifier);
    EXPECT_EQ(record->Open(path.GetFilePathString().c_str()), S_OK);
    return destination->Uninstall(&record);
}

// Every file below folder (relative path -> content).
std::map<std::string, std::string> Files(const std::string &folder)
{
    std::map<std::string, std::string> files;
    for (const auto &entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), folder).string()] = TestEnv::ReadFile(entry.path().string());
    return files;
}

std::wstring DumpWithout(const CGalleryManifest *m, const std::string &folder)
{
    std::wstring text = Dump(m);
    const std::wstring path = W(folder);
    for (size_t at; (at = text.find(path)) != std::wstring::npos;)
        text.replace(at, path.size(), L"<dest>");
    return text;
}

void BuildA(CGalleryManifest *m)
{
    Describe(m->GetMetadata(), L"urn:gallery:A", L"Gallery A");
    CGalleryOrganization *shared = AddOrganization(m, L"urn:shared", L"Shared by A");
    CGalleryActivity *own = AddActivity(shared, nullptr, L"urn:actA", L"A only");
    AddFile(own, L"urn:a1", L"A one", L"a1.galleryitem");
    CGalleryActivity *deep = AddActivity(shared, own, L"urn:actA-deep", L"A deep");
    AddFile(deep, L"urn:a2", L"A two", L"a2.galleryitem");
    CGalleryActivity *common = AddActivity(shared, nullptr, L"urn:common", L"Common by A");
    AddFile(common, L"urn:fa", L"From A", L"fa.galleryitem");
    CGalleryOrganization *onlyA = AddOrganization(m, L"urn:onlyA", L"Only A");
    AddFile(AddActivity(onlyA, nullptr, L"urn:actOnlyA", L"Only A activity"), L"urn:a3", L"A three", L"a3.galleryitem");
}
const std::vector<std::string> kItemsA = {"a1.galleryitem", "a2.galleryitem", "fa.galleryitem", "a3.galleryitem"};

void BuildB(CGalleryManifest *m, const wchar_t *version)
{
    Describe(m->GetMetadata(), L"urn:gallery:B", L"Gallery B");
    m->GetMetadata()->SetVersion(version);
    CGalleryOrganization *shared = AddOrganization(m, L"urn:shared", L"Shared by B");
    CGalleryActivity *common = AddActivity(shared, nullptr, L"urn:common", L"Common by B");
    AddFile(common, L"urn:fb", L"From B", L"fb.galleryitem");
    AddFile(AddActivity(shared, nullptr, L"urn:actB", L"B only"), L"urn:b1", L"B one", L"b1.galleryitem");
}
const std::vector<std::string> kItemsB = {"fb.galleryitem", "b1.galleryitem"};

class GalleryMerge : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        a = dir.file("sources/A");
        b = dir.file("sources/B");
        MakeGallery(a, BuildA, kItemsA);
        MakeGallery(
            b, [](CGalleryManifest *m) { BuildB(m, L"1.0"); }, kItemsB);
    }
    TestEnv::TempDir dir;
    std::string a, b;
};

} // namespace

TEST_F(GalleryMerge, UninstallingOneOfTwoLeavesWhatTheOtherAloneGives)
{
    const std::string both = dir.file("both"), onlyB = dir.file("onlyB");
    ManifestPtr destination = Destination(both);
    ASSERT_EQ(Install(destination.get(), a), S_OK);
    ASSERT_EQ(Install(destination.get(), b), S_OK);
    // One shared organization with B's texts, A's activities first; A's other organization beside it.
    ASSERT_EQ(destination->GetOrganizations()->GetCount(), 2u);
    CGalleryOrganization *shared = destination->GetOrganizations()->GetAt(0);
    EXPECT_EQ(CAtlString(shared->GetTitle()), L"Shared by B");
    ASSERT_EQ(shared->GetActivities()->GetCount(), 3u);
    CGalleryActivity *common = shared->GetActivities()->GetAt(1);
    EXPECT_EQ(CAtlString(common->GetTitle()), L"Common by B");
    EXPECT_EQ(common->GetFiles()->GetCount(), 2u);
    EXPECT_EQ(common->GetFiles()->GetAt(1)->GetParent(), common);
    EXPECT_EQ(shared->GetActivities()->GetAt(2)->GetOrganization(), shared);
    ASSERT_EQ(destination->SaveChanges(), S_OK);
    EXPECT_TRUE(TestEnv::Exists(both + "/a1.galleryitem"));
    CGalleryInstalledManifestMap installed;
    destination->GetInstalledManifests(installed);
    EXPECT_EQ(installed.GetCount(), 2u);

    ASSERT_EQ(Uninstall(destination.get(), L"urn:gallery:A"), S_OK);
    ASSERT_EQ(destination->SaveChanges(), S_OK);

    ManifestPtr reference = Destination(onlyB);
    ASSERT_EQ(Install(reference.get(), b), S_OK);
    ASSERT_EQ(reference->SaveChanges(), S_OK);

    EXPECT_EQ(DumpWithout(destination.get(), both), DumpWithout(reference.get(), onlyB));
    EXPECT_EQ(Files(both), Files(onlyB)) << "files and uninstall records must match too";
    destination->GetInstalledManifests(installed);
    EXPECT_EQ(installed.GetCount(), 1u);
    EXPECT_NE(installed[L"urn:gallery:B"], nullptr);
}

TEST_F(GalleryMerge, ReinstallReturns4AndReplacesTheRecord)
{
    ManifestPtr destination = Destination(dir.file("dest"));
    ASSERT_EQ(Install(destination.get(), b), S_OK);
    MakeGallery(
        b, [](CGalleryManifest *m) { BuildB(m, L"2.0"); }, kItemsB);
    ASSERT_EQ(Install(destination.get(), b), S_REINSTALLED);
    const std::string record = Text::ToUtf8(destination->GetUninstallFilePath(L"urn:gallery:B").GetFilePathString());
    EXPECT_EQ(TestEnv::ReadFile(record), TestEnv::ReadFile(b + "/imsmanifest.xml"));
    CGalleryInstalledManifestMap installed;
    destination->GetInstalledManifests(installed);
    ASSERT_NE(installed[L"urn:gallery:B"], nullptr);
    EXPECT_EQ(installed[L"urn:gallery:B"]->GetVersion(), L"2.0");
    // The second install updated the records in place instead of adding new ones.
    EXPECT_EQ(destination->GetOrganizations()->GetAt(0)->GetTotalFilesCount(), 2u);

    CGalleryManifest *none = nullptr;
    EXPECT_EQ(destination->Install(&none), E_INVALIDARG);
    EXPECT_EQ(destination->Install(nullptr), E_INVALIDARG);
    EXPECT_EQ(destination->Uninstall(&none), E_INVALIDARG);
}

// A package whose file cannot be copied fails to install, and the gallery's uninstall record is what it
// was before: none for a first install, the earlier one for a reinstall.
TEST_F(GalleryMerge, AFailedInstallLeavesTheRecordAsItWas)
{
    ManifestPtr destination = Destination(dir.file("dest"));
    const std::string record = Text::ToUtf8(destination->GetUninstallFilePath(L"urn:gallery:B").GetFilePathString());
    const std::string missing = dir.file("sources/B-missing");
    MakeGallery(missing, [](CGalleryManifest *m) { BuildB(m, L"2.0"); }, {"fb.galleryitem"}); // no b1.galleryitem

    EXPECT_EQ(Install(destination.get(), missing), E_FAIL);
    EXPECT_FALSE(TestEnv::Exists(record));
    CGalleryInstalledManifestMap installed;
    destination->GetInstalledManifests(installed);
    EXPECT_EQ(installed.GetCount(), 0u);

    ASSERT_EQ(Install(destination.get(), b), S_OK);
    const std::string first = TestEnv::ReadFile(record);
    EXPECT_EQ(Install(destination.get(), missing), E_FAIL);
    EXPECT_EQ(TestEnv::ReadFile(record), first);
}

TEST_F(GalleryMerge, RepairRebuildsFromTheRecordsAndKeepsFilesNoManifestNamed)
{
    const std::string dest = dir.file("dest");
    {
        ManifestPtr destination = Destination(dest);
        ASSERT_EQ(Install(destination.get(), a), S_OK);
        ASSERT_EQ(Install(destination.get(), b), S_OK);
        ASSERT_EQ(destination->SaveChanges(), S_OK);
    }
    // A person's own files beside the gallery.
    ASSERT_TRUE(TestEnv::WriteFile(dest + "/notes.txt", "not referenced"));
    ASSERT_TRUE(TestEnv::WriteFile(dest + "/mine.galleryitem", "not referenced"));
    fs::create_directories(dest + "/keep-dir");
    ASSERT_TRUE(TestEnv::WriteFile(dest + "/keep-dir/inner.txt", "below the content directory"));
    fs::remove(dest + "/imsmanifest.xml");
    fs::remove(dest + "/a2.galleryitem"); // its record must go

    ManifestPtr broken = Destination(dest);
    EXPECT_EQ(broken->GetOrganizations()->GetCount(), 0u);
    ASSERT_EQ(broken->Repair(), S_OK);

    ManifestPtr reopened = OpenGallery(dest);
    std::set<std::wstring> identifiers;
    std::function<void(const CGalleryActivity *)> walk = [&](const CGalleryActivity *act) {
        for (uint32_t i = 0; i < act->GetActivities()->GetCount(); ++i)
            walk(act->GetActivities()->GetAt(i));
        for (uint32_t i = 0; i < act->GetFiles()->GetCount(); ++i)
            identifiers.insert(act->GetFiles()->GetAt(i)->GetIdentifier());
    };
    for (uint32_t o = 0; o < reopened->GetOrganizations()->GetCount(); ++o)
        for (uint32_t i = 0; i < reopened->GetOrganizations()->GetAt(o)->GetActivities()->GetCount(); ++i)
            walk(reopened->GetOrganizations()->GetAt(o)->GetActivities()->GetAt(i));
    EXPECT_EQ(identifiers, (std::set<std::wstring>{L"urn:a1", L"urn:fa", L"urn:a3", L"urn:fb", L"urn:b1"}));
    EXPECT_EQ(reopened->GetOrganizations()->GetCount(), 2u);
    // The records in memory are the ones saved (the first line, the destination's own empty metadata,
    // differs only by the empty-text markers of the XML round trip).
    const std::wstring inMemory = Dump(broken.get()), saved = Dump(reopened.get());
    EXPECT_EQ(inMemory.substr(inMemory.find(L'\n')), saved.substr(saved.find(L'\n')));

    std::set<std::string> left;
    for (const auto &entry : fs::directory_iterator(dest))
        if (entry.is_regular_file()) left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"imsmanifest.xml", "a1.galleryitem", "fa.galleryitem", "a3.galleryitem",
                                           "fb.galleryitem", "b1.galleryitem", "notes.txt", "mine.galleryitem"}));
    EXPECT_TRUE(TestEnv::Exists(dest + "/keep-dir/inner.txt"));
    EXPECT_EQ(Files(dest + "/Uninstall").size(), 2u);
}

// What the damaged manifest named and no record gives back is deleted; what nobody named stays.
TEST_F(GalleryMerge, RepairDeletesOnlyFilesThatAManifestOfTheFolderNamed)
{
    const std::string dest = dir.file("dest");
    {
        ManifestPtr destination = Destination(dest);
        ASSERT_EQ(Install(destination.get(), a), S_OK);
        CGalleryActivity *activity = destination->GetOrganizations()->GetAt(0)->GetActivities()->GetAt(0);
        AddFile(activity, L"urn:orphan", L"Orphan", L"orphan.galleryitem");
        ASSERT_EQ(destination->SaveChanges(), S_OK);
    }
    ASSERT_TRUE(TestEnv::WriteFile(dest + "/orphan.galleryitem", "named by the manifest only"));
    ASSERT_TRUE(TestEnv::WriteFile(dest + "/notes.txt", "a person's"));
    ASSERT_TRUE(TestEnv::WriteFile(dest + "/photo.galleryitem", "a person's"));

    ManifestPtr destination = OpenGallery(dest);
    ASSERT_EQ(destination->Repair(), S_OK);

    std::set<std::string> left;
    for (const auto &entry : fs::directory_iterator(dest))
        if (entry.is_regular_file()) left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"imsmanifest.xml", "a1.galleryitem", "a2.galleryitem", "fa.galleryitem",
                                           "a3.galleryitem", "notes.txt", "photo.galleryitem"}));
}

TEST_F(GalleryMerge, MergeIntoATargetActivityAndFindMatchingActivities)
{
    ManifestPtr destination = Destination(dir.file("dest"));
    ASSERT_EQ(Install(destination.get(), a), S_OK);
    CGalleryOrganization *shared = destination->GetOrganizations()->GetAt(0);
    CGalleryActivity *target = shared->GetActivities()->GetAt(1); // urn:common

    ManifestPtr source = OpenGallery(b);
    CGalleryActivity *first = nullptr;
    ASSERT_EQ(destination->Merge(source.get(), &first, target), S_OK);
    EXPECT_EQ(first, shared->GetActivities()->GetAt(0));
    // B's activities went below the target; the organization's texts stay.
    EXPECT_EQ(CAtlString(shared->GetTitle()), L"Shared by A");
    ASSERT_EQ(target->GetActivities()->GetCount(), 2u);
    EXPECT_EQ(target->GetActivities()->GetAt(0)->GetParent(), target);
    EXPECT_EQ(target->GetActivities()->GetAt(1)->GetOrganization(), shared);
    EXPECT_FALSE(TestEnv::Exists(destination->GetUninstallFilePath(L"urn:gallery:B").GetFilePathStringA()));

    // An activity of another manifest is found by its chain of identifiers.
    ManifestPtr other = OpenGallery(a);
    const CGalleryActivity *deep =
        other->GetOrganizations()->GetAt(0)->GetActivities()->GetAt(0)->GetActivities()->GetAt(0);
    CGalleryActivity *match = destination->GetMatchingActivity(deep);
    ASSERT_NE(match, nullptr);
    EXPECT_EQ(CAtlString(match->GetIdentifier()), L"urn:actA-deep");
    EXPECT_NE(match, deep);
    EXPECT_EQ(destination->GetMatchingActivity(other->GetOrganizations()->GetAt(1)->GetActivities()->GetAt(0)),
              destination->GetOrganizations()->GetAt(1)->GetActivities()->GetAt(0));
    ManifestPtr unrelated = OpenGallery(b);
    EXPECT_EQ(destination->GetMatchingActivity(unrelated->GetOrganizations()->GetAt(0)->GetActivities()->GetAt(1)),
              nullptr);
}

TEST_F(GalleryMerge, UnreferencedFilesOnly)
{
    const std::string dest = dir.file("dest");
    ManifestPtr destination = Destination(dest);
    ASSERT_EQ(Install(destination.get(), b), S_OK);
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("outside.txt"), "must stay"));
    CGalleryActivity *common = destination->GetOrganizations()->GetAt(0)->GetActivities()->GetAt(0);
    CGalleryFile *kept = common->GetFiles()->GetAt(0);

    std::vector<CGalleryFile *> files = {kept};
    CGalleryActivity *scratch = nullptr;
    CGalleryActivity::CreateInstance(&scratch);
    // A removed record whose href another record still uses, and one pointing outside.
    files.push_back(AddFile(scratch, L"urn:dup", L"Dup", L"fb.galleryitem"));
    files.push_back(AddFile(scratch, L"urn:evil", L"Evil", L"../outside.txt"));
    files.push_back(AddFile(scratch, L"urn:gone", L"Gone", L"b1.galleryitem"));
    scratch->GetFiles()->RemoveAll();
    CGalleryActivity::DeleteInstance(&scratch);
    CGalleryActivity *b1Activity = destination->GetOrganizations()->GetAt(0)->GetActivities()->GetAt(1);
    b1Activity->GetFiles()->GetAt(0)->SetHref(L"other.galleryitem");

    EXPECT_EQ(destination->DeleteUnreferencedFiles(files, true), S_OK);
    EXPECT_TRUE(files.empty());
    EXPECT_TRUE(TestEnv::Exists(dest + "/fb.galleryitem")) << "still referenced";
    EXPECT_TRUE(TestEnv::Exists(dir.file("outside.txt"))) << "outside the content directory";
    EXPECT_FALSE(TestEnv::Exists(dest + "/b1.galleryitem"));
    EXPECT_EQ(common->GetFiles()->GetAt(0), kept) << "a record still in the manifest is left alone";
}

TEST(GalleryMergeNames, GeneratedFileNamesAvoidCollisions)
{
    TestEnv::TempDir source, destination;
    ASSERT_TRUE(TestEnv::WriteFile(source.file("pic.png"), "abc"));
    const uint32_t c = CKeldaFilePath(W(source.file("pic.png"))).GetFileChecksum();
    ASSERT_EQ(c, 0x2C17398Cu);
    const CAtlString src = W(source.path()), dst = W(destination.path());
    EXPECT_EQ(CGalleryManifest::GenerateNewFileName(L"My  nice picture!", L"pic.png", src.c_str(), dst.c_str()),
              L"MY_NICE_PICTURE_2C17398C.png");
    EXPECT_EQ(CGalleryManifest::GenerateNewFileName(L"", L"pic.png", src.c_str(), dst.c_str()),
              L"UNTITLED_2C17398C.png");
    ASSERT_TRUE(TestEnv::WriteFile(destination.file("UNTITLED_2C17398C.png"), "taken"));
    EXPECT_EQ(CGalleryManifest::GenerateNewFileName(L"", L"pic.png", src.c_str(), dst.c_str()),
              L"UNTITLED_2C17398C_001.PNG");
    ASSERT_TRUE(TestEnv::WriteFile(destination.file("UNTITLED_2C17398C_001.PNG"), "taken"));
    EXPECT_EQ(CGalleryManifest::GenerateNewFileName(L"", L"pic.png", src.c_str(), dst.c_str()),
              L"UNTITLED_2C17398C_002.PNG");
}

TEST(GalleryMergeSetup, NewGalleryIsSavedAndRegisteredOnce)
{
    TestEnv::TempDir dir;
    const std::string folder = dir.file("My Gallery");
    for (int round = 0; round < 2; ++round) {
        ManifestPtr m = NewManifest();
        ASSERT_EQ(m->SetupNewManifest(W(folder).c_str(), false, nullptr, true), S_OK);
    }
    ManifestPtr opened = NewManifest();
    ASSERT_EQ(opened->Open(W(folder + "/imsmanifest.xml").c_str()), S_OK);
    EXPECT_EQ(CAtlString(opened->GetTitle()), L"My Gallery");
    ASSERT_EQ(opened->GetOrganizations()->GetCount(), 1u);
    const CGalleryOrganization *organization = opened->GetOrganizations()->GetAt(0);
    ASSERT_EQ(organization->GetActivities()->GetCount(), 1u);
    EXPECT_EQ(CAtlString(organization->GetActivities()->GetAt(0)->GetTitle()), L"My Gallery");
    EXPECT_NE(CAtlString(organization->GetIdentifier()).find(L"organization"), CAtlString::npos);
    EXPECT_NE(CAtlString(opened->GetIdentifier()), CAtlString(organization->GetIdentifier()));
    EXPECT_NE(opened->GetMetadata()->GetCreationDateTime(), 0);

    std::vector<CGalleryExtensionInfo> personal, shared;
    CGalleryExtensionInfo::GetExtensions(CGalleryExtensionInfo::PersonalTeamContentExtensionType, personal);
    CGalleryExtensionInfo::GetExtensions(CGalleryExtensionInfo::TeamContentExtensionType, shared);
    ASSERT_EQ(personal.size(), 1u) << "registered once";
    EXPECT_EQ(Text::ToUtf8(personal[0].imsManifestXml), folder + "/imsmanifest.xml");
    EXPECT_TRUE(shared.empty());
}

// A package's files come out of its unpacked copy, a folder's are copied and stay; either way a file of
// the same name in the destination (here read-only) is replaced, and a file that two records name
// arrives once without failing the second record.
TEST_F(GalleryMerge, InstallFromAPackageOrAFolderPutsEveryFileInPlace)
{
    const std::string twice = dir.file("sources/B-twice");
    MakeGallery(
        twice,
        [](CGalleryManifest *m) {
            BuildB(m, L"1.0");
            CGalleryActivity *again = AddActivity(m->GetOrganizations()->GetAt(0), nullptr, L"urn:again", L"Again");
            AddFile(again, L"urn:fb2", L"From B again", L"fb.galleryitem");
        },
        kItemsB);
    const std::string package = dir.file("sources/B-twice.gallery");
    ASSERT_EQ(OpenGallery(twice)->SaveAs(W(package).c_str()), S_OK);
    const std::string temp = Text::ToUtf8(CKeldaDirectoryPath::GetTempFileDirectoryPath().GetDirectoryPathString());
    const auto tempEntries = [&] { return std::distance(fs::directory_iterator(temp), fs::directory_iterator()); };
    const auto before = tempEntries();

    for (const auto &[name, path] : {std::pair<std::string, std::string>{"folder", twice + "/imsmanifest.xml"},
                                     std::pair<std::string, std::string>{"package", package}}) {
        SCOPED_TRACE(name);
        const std::string dest = dir.file("dest-" + name);
        fs::create_directories(dest);
        ASSERT_TRUE(TestEnv::WriteFile(dest + "/fb.galleryitem", "older"));
        fs::permissions(dest + "/fb.galleryitem", fs::perms::owner_read);
        ManifestPtr destination = Destination(dest);
        CGalleryManifest *source = nullptr;
        CGalleryManifest::CreateInstance(&source);
        ASSERT_EQ(source->Open(W(path).c_str()), S_OK);
        EXPECT_EQ(destination->Install(&source), S_OK);
        CGalleryManifest::DeleteInstance(&source);

        std::map<std::string, std::string> items = Files(dest);
        for (auto it = items.begin(); it != items.end();)
            it = fs::path(it->first).extension() == ".galleryitem" ? std::next(it) : items.erase(it);
        EXPECT_EQ(items, (std::map<std::string, std::string>{{"fb.galleryitem", "content of fb.galleryitem"},
                                                             {"b1.galleryitem", "content of b1.galleryitem"}}));
    }
    EXPECT_EQ(TestEnv::ReadFile(twice + "/fb.galleryitem"), "content of fb.galleryitem") << "a folder source stays";
    EXPECT_EQ(TestEnv::ReadFile(twice + "/b1.galleryitem"), "content of b1.galleryitem");
    EXPECT_EQ(tempEntries(), before) << "the unpacked copy goes with its manifest";
}
