// Writing a gallery source: packages, language packs and the categories file (see GallerySource.h).
#include "publisher/GallerySource.h"

#include "gallery/manifest/GalleryI18N.h"
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryActivity.h"
#include "gallery/records/GalleryFile.h"
#include "gallery/records/GalleryKeyedStringCollection.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryOrganization.h"
#include "support/DirectoryManipulator.h"
#include "support/FileManipulator.h"
#include "support/SaveFile.h"
#include "support/XmlWriter.h"
#include "support/ZipHelper.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>

namespace NTrove::Publisher
{

const wchar_t *const CategoriesFileName = L"gallery_categories.xml";

namespace
{

bool Fail(std::string *error, const std::string &message)
{
    if (error) *error = message;
    return false;
}

std::string U8(const CAtlString &text)
{
    return Text::ToUtf8(text);
}

// A name that stays inside the folder it is written to: one component, nothing refused by the ZIP rule.
bool IsPlainName(const CAtlString &name)
{
    return !name.empty() && name.find_first_of(L"/\\") == CAtlString::npos &&
           CZipHelper::SafeRelativePath(name) == name;
}

struct ManifestDeleter {
    void operator()(CGalleryManifest *m) const { CGalleryManifest::DeleteInstance(&m); }
};
using ManifestPtr = std::unique_ptr<CGalleryManifest, ManifestDeleter>;

// Titles and keywords of the languages that pass the filter (all when it is empty).
void Describe(CGalleryMetadata *metadata, const CAtlString &identifier, const Texts &titles,
              const std::set<CAtlString> &languages)
{
    (void)metadata->SetIdentifier(identifier.c_str());
    for (const auto &[language, title] : titles)
        if (languages.empty() || languages.count(language))
            (void)metadata->GetTitle()->Add(language.c_str(), title.c_str());
}

CAtlString ItemIdentifier(const Gallery &gallery, const Item &item)
{
    return item.identifier.empty() ? gallery.identifier + L"/" + item.fileName : item.identifier;
}

// The gallery's manifest: metadata, string versions, one organization with one activity of the items.
ManifestPtr BuildManifest(const Gallery &gallery, const std::set<CAtlString> &languages, const Texts &stringVersions)
{
    CGalleryManifest *raw = nullptr;
    if (FAILED(CGalleryManifest::CreateInstance(&raw))) return nullptr;
    ManifestPtr manifest(raw);
    Describe(manifest->GetMetadata(), gallery.identifier, gallery.titles, languages);
    (void)manifest->GetMetadata()->SetVersion(gallery.version.c_str());
    for (const auto &[language, version] : stringVersions)
        (void)manifest->GetStringVersions()->Add(language.c_str(), version.c_str());

    CGalleryOrganization *organization = nullptr;
    if (FAILED(CGalleryOrganization::CreateInstance(&organization))) return nullptr;
    organization->SetManifest(manifest.get());
    Describe(organization->GetMetadata(), gallery.identifier + L"/organization", gallery.titles, languages);
    (void)organization->GetMetadata()->SetVersion(gallery.version.c_str());
    (void)manifest->GetOrganizations()->Add(organization);

    CGalleryActivity *activity = nullptr;
    if (FAILED(CGalleryActivity::CreateInstance(&activity))) return nullptr;
    activity->SetOrganization(organization);
    Describe(activity->GetMetadata(), gallery.identifier + L"/activity", gallery.titles, languages);
    (void)activity->GetMetadata()->SetVersion(gallery.version.c_str());
    (void)organization->GetActivities()->Add(activity);

    for (const Item &item : gallery.items) {
        CGalleryFile *file = nullptr;
        if (FAILED(CGalleryFile::CreateInstance(&file))) return nullptr;
        file->SetParent(activity);
        (void)file->SetHref(item.fileName.c_str());
        CGalleryMetadata *metadata = file->GetMetadata();
        Describe(metadata, ItemIdentifier(gallery, item), item.titles, languages);
        for (const auto &[language, words] : item.keywords)
            if (languages.empty() || languages.count(language))
                for (const CAtlString &word : words)
                    (void)metadata->GetKeywords()->Add(language.c_str(), word.c_str());
        (void)metadata->SetVersion(gallery.version.c_str());
        (void)metadata->SetFormat(L"application/x-keldalabs-galleryitem");
        (void)activity->GetFiles()->Add(file);
    }
    return manifest;
}

// xorshift64*: the same bytes for the same seed, and nothing a deflater can shrink.
void FillRandom(std::string &buffer, uint64_t &state)
{
    for (size_t i = 0; i + 8 <= buffer.size(); i += 8) {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        const uint64_t value = state * 2685821657736338717ull;
        std::copy_n(reinterpret_cast<const char *>(&value), 8, buffer.data() + i);
    }
}

bool WriteItem(const Item &item, const CKeldaFilePath &target, int64_t &bytes, std::string *error)
{
    if (!item.sourcePath.IsEmptyPath()) {
        if (!CFileManipulator::CopyFileTo(item.sourcePath, target, false))
            return Fail(error, "cannot copy " + item.sourcePath.GetFilePathStringA_UTF8());
        const int32_t size = item.sourcePath.GetFileSize();
        bytes += size > 0 ? size : 0;
        return true;
    }
    FILE *out = CFileManipulator::OpenFile(target, "wb");
    if (!out) return Fail(error, "cannot write " + target.GetFilePathStringA_UTF8());
    bool ok = true;
    if (item.randomBytes > 0) {
        uint64_t state = item.seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull;
        std::string block(1 << 16, '\0');
        for (int64_t left = item.randomBytes; ok && left > 0;) {
            FillRandom(block, state);
            const size_t n = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(block.size())));
            ok = std::fwrite(block.data(), 1, n, out) == n;
            left -= static_cast<int64_t>(n);
        }
        bytes += item.randomBytes;
    } else {
        ok = item.content.empty() ||
             std::fwrite(item.content.data(), 1, item.content.size(), out) == item.content.size();
        bytes += static_cast<int64_t>(item.content.size());
    }
    ok = std::fclose(out) == 0 && ok;
    return ok || Fail(error, "cannot write " + target.GetFilePathStringA_UTF8());
}

std::set<CAtlString> PackageLanguages(const Gallery &gallery)
{
    std::set<CAtlString> languages;
    for (const auto &entry : gallery.stringVersions)
        languages.insert(entry.first);
    return languages;
}

// The package: items and "imsmanifest.xml" in a private staging folder, zipped into the target.
bool WritePackage(const Gallery &gallery, const CKeldaFilePath &target, int64_t &itemBytes, std::string *error)
{
    CKeldaDirectoryPath staging;
    if (!CDirectoryManipulator::CreateUniqueSubDirectory(CKeldaDirectoryPath::GetTempDirectoryPath(), L"publish",
                                                         staging))
        return Fail(error, "cannot create a staging folder");
    struct Cleanup {
        CKeldaDirectoryPath path;
        ~Cleanup() { (void)CDirectoryManipulator::RemoveDirectoryAndContents(path); }
    } cleanup{staging};

    std::set<CAtlString> names;
    for (const Item &item : gallery.items) {
        if (!IsPlainName(item.fileName) || Text::EqualsNoCase(item.fileName, L"imsmanifest.xml"))
            return Fail(error, "item file name refused: " + U8(item.fileName));
        if (!names.insert(item.fileName).second) return Fail(error, "item file listed twice: " + U8(item.fileName));
        if (!WriteItem(item, staging.CreateFilePath(item.fileName), itemBytes, error)) return false;
    }
    ManifestPtr manifest = BuildManifest(gallery, PackageLanguages(gallery), gallery.stringVersions);
    if (!manifest) return Fail(error, "out of memory");
    IKELDAXMLWriter *writer = nullptr;
    CAtlStringA xml;
    if (FAILED(IKELDAXMLWriter::CreateKELDAXMLWriterOnString(&writer))) return Fail(error, "no XML writer");
    const HRESULT hr = manifest->WriteXml(writer);
    const HRESULT got = writer->get_output(&xml);
    writer->Release();
    if (FAILED(hr) || FAILED(got)) return Fail(error, "cannot write the manifest of " + U8(gallery.identifier));
    if (!CSaveFile::WriteWholeFile(staging.CreateFilePath(L"imsmanifest.xml"), xml))
        return Fail(error, "cannot write the manifest of " + U8(gallery.identifier));
    if (!CZipHelper::ZipFolderToFile(staging, target))
        return Fail(error, "cannot zip " + target.GetFilePathStringA_UTF8());
    return true;
}

// The category's translations in one language, for every gallery of the category.
bool WriteLanguagePack(const Category &category, const LanguagePack &pack, const CKeldaFilePath &target,
                       std::string *error)
{
    const CAtlString extension = target.GetFileExtension();
    if (!Text::EqualsNoCase(extension, L".zip") && !Text::EqualsNoCase(extension, L".xml"))
        return Fail(error, "a language pack is a .zip or an .xml file: " + U8(pack.fileName));
    CGalleryI18N i18n;
    i18n.SetLanguage(pack.language);
    for (const Gallery &gallery : category.galleries) {
        Texts versions = gallery.stringVersions;
        versions[pack.language] = pack.version;
        ManifestPtr manifest = BuildManifest(gallery, {}, versions);
        if (!manifest || FAILED(i18n.Add(manifest.get()))) return Fail(error, "cannot extract " + U8(pack.language));
    }
    // A record without a title in this language keeps its text: drop it from the pack rather than
    // blanking the title on installation.
    for (const auto &entry : i18n.GetManifests()) {
        auto &items = entry->items;
        items.erase(std::remove_if(items.begin(), items.end(),
                                   [](const auto &item) { return item->title.empty() && item->keywords.empty(); }),
                    items.end());
    }
    if (target.FileExists() && !CFileManipulator::DeleteFile(target))
        return Fail(error, "cannot replace " + target.GetFilePathStringA_UTF8());
    if (FAILED(i18n.Write(target))) return Fail(error, "cannot write " + target.GetFilePathStringA_UTF8());
    return true;
}

CAtlString OfferedStrings(const Category &category, const Gallery &gallery)
{
    if (gallery.offeredStrings) return *gallery.offeredStrings;
    Texts offered = gallery.stringVersions;
    for (const LanguagePack &pack : category.languagePacks)
        offered[pack.language] = pack.version;
    CAtlString text;
    for (const auto &[language, version] : offered) {
        if (!text.empty()) text += L";";
        text += language + L":" + version;
    }
    return text;
}

CAtlString CategoryVersion(const Category &category)
{
    if (!category.version.empty()) return category.version;
    CAtlString greatest;
    for (const Gallery &gallery : category.galleries)
        greatest = std::max(greatest, gallery.version);
    return greatest;
}

struct Measures {
    int64_t size = 0, count = 0, diskSize = 0;
};

bool WriteCategories(const Source &source, const std::vector<Measures> &measures, const CKeldaFilePath &path,
                     std::string *error)
{
    tinyxml2::XMLDocument document;
    document.InsertEndChild(document.NewDeclaration());
    tinyxml2::XMLElement *root = document.NewElement("gallery");
    document.InsertEndChild(root);
    tinyxml2::XMLElement *categories = root->InsertNewChildElement("categories");
    if (!source.categoriesId.empty()) categories->SetAttribute("id", U8(source.categoriesId).c_str());
    for (size_t c = 0; c < source.categories.size(); ++c) {
        const Category &category = source.categories[c];
        tinyxml2::XMLElement *element = categories->InsertNewChildElement("category");
        element->SetAttribute("id", U8(category.identifier).c_str());
        element->SetAttribute("version", U8(CategoryVersion(category)).c_str());
        element->SetAttribute("size", category.size.value_or(measures[c].size));
        element->SetAttribute("count", category.count.value_or(measures[c].count));
        element->SetAttribute("disksize", category.diskSize.value_or(measures[c].diskSize));
        tinyxml2::XMLElement *title = element->InsertNewChildElement("title");
        for (const auto &[language, text] : category.titles) {
            tinyxml2::XMLElement *string = title->InsertNewChildElement("string");
            string->SetAttribute("language", U8(language).c_str());
            string->SetText(U8(text).c_str());
        }
        tinyxml2::XMLElement *files = element->InsertNewChildElement("files");
        for (const Gallery &gallery : category.galleries) {
            tinyxml2::XMLElement *file = files->InsertNewChildElement("file");
            file->SetAttribute("id", U8(gallery.identifier).c_str());
            file->SetAttribute("version", U8(gallery.version).c_str());
            const CAtlString offered = OfferedStrings(category, gallery);
            if (!offered.empty()) file->SetAttribute("strings", U8(offered).c_str());
            file->SetText(U8(gallery.listedName.empty() ? gallery.fileName : gallery.listedName).c_str());
        }
        if (!category.languagePacks.empty()) {
            tinyxml2::XMLElement *strings = element->InsertNewChildElement("strings");
            for (const LanguagePack &pack : category.languagePacks) {
                tinyxml2::XMLElement *string = strings->InsertNewChildElement("string");
                string->SetAttribute("language", U8(pack.language).c_str());
                string->SetText(U8(pack.fileName).c_str());
            }
        }
    }
    if (!source.mandatoryRemovals.empty()) {
        tinyxml2::XMLElement *removals = root->InsertNewChildElement("mandatory")->InsertNewChildElement("removals");
        for (const CAtlString &identifier : source.mandatoryRemovals)
            removals->InsertNewChildElement("removal")->SetAttribute("id", U8(identifier).c_str());
    }
    tinyxml2::XMLPrinter printer;
    document.Print(&printer);
    const std::string_view text(printer.CStr(),
                                static_cast<size_t>(printer.CStrSize() > 0 ? printer.CStrSize() - 1 : 0));
    if (!CSaveFile::WriteWholeFile(path, text)) return Fail(error, "cannot write " + path.GetFilePathStringA_UTF8());
    return true;
}

} // namespace

bool WriteCategoriesFile(const Source &source, const CKeldaFilePath &path, std::string *error)
{
    return WriteCategories(source, std::vector<Measures>(source.categories.size()), path, error);
}

bool Publish(const Source &source, const CKeldaDirectoryPath &folder, std::string *error, Summary *summary)
{
    Summary done;
    if (!CDirectoryManipulator::CreateDirectory(folder))
        return Fail(error, "cannot create " + Text::ToUtf8(folder.GetDirectoryPathString()));
    std::vector<Measures> measures(source.categories.size());
    std::set<CAtlString> written;
    for (size_t c = 0; c < source.categories.size(); ++c) {
        const Category &category = source.categories[c];
        for (const Gallery &gallery : category.galleries) {
            if (gallery.skipPackage) continue;
            if (!IsPlainName(gallery.fileName)) return Fail(error, "package name refused: " + U8(gallery.fileName));
            if (!written.insert(gallery.fileName).second)
                return Fail(error, "package written twice: " + U8(gallery.fileName));
            const CKeldaFilePath target = folder.CreateFilePath(gallery.fileName);
            int64_t itemBytes = 0;
            if (!gallery.packageBytes.empty()) {
                if (!CSaveFile::WriteWholeFile(target, gallery.packageBytes))
                    return Fail(error, "cannot write " + target.GetFilePathStringA_UTF8());
            } else if (!WritePackage(gallery, target, itemBytes, error)) {
                return false;
            }
            const int32_t packageBytes = target.GetFileSize();
            measures[c].size += packageBytes > 0 ? packageBytes : 0;
            measures[c].count += static_cast<int64_t>(gallery.items.size());
            measures[c].diskSize += itemBytes;
            ++done.packages;
            done.items += static_cast<int64_t>(gallery.items.size());
            done.itemBytes += itemBytes;
            done.packageBytes += packageBytes > 0 ? packageBytes : 0;
        }
        for (const LanguagePack &pack : category.languagePacks) {
            if (!IsPlainName(pack.fileName)) return Fail(error, "language pack name refused: " + U8(pack.fileName));
            if (!written.insert(pack.fileName).second)
                return Fail(error, "language pack written twice: " + U8(pack.fileName));
            if (!WriteLanguagePack(category, pack, folder.CreateFilePath(pack.fileName), error)) return false;
            ++done.languagePacks;
        }
    }
    if (!WriteCategories(source, measures, folder.CreateFilePath(CategoriesFileName), error)) return false;
    if (summary) *summary = done;
    return true;
}

} // namespace NTrove::Publisher
