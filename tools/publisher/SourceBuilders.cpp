// Sources described by a folder of resources, or generated for tests and benchmarks (see GallerySource.h).
#include "publisher/GallerySource.h"

#include "support/FileManipulator.h"

#include <algorithm>

namespace NTrove::Publisher
{

namespace
{

CAtlString Domain(const Options &options)
{
    if (!options.domain.empty()) return options.domain;
    return options.guid.empty() ? CAtlString(L"gallery.invalid") : options.guid;
}

CAtlString PackName(const CAtlString &stem, const CAtlString &language, const Options &options)
{
    return stem + L"_" + language + (options.zippedPacks ? L".zip" : L".xml");
}

// Fills what a description left out: English titles from names, pack titles from the English ones,
// and one pack per option language.
void Complete(Category &category, const CAtlString &stem, const Options &options)
{
    Gallery &gallery = category.galleries.front();
    if (!category.titles.count(L"en")) category.titles[L"en"] = stem;
    gallery.titles = category.titles;
    for (Item &item : gallery.items) {
        const size_t dot = item.fileName.rfind(L'.');
        if (!item.titles.count(L"en"))
            item.titles[L"en"] = dot == CAtlString::npos || dot == 0 ? item.fileName : item.fileName.substr(0, dot);
    }
    for (const CAtlString &language : options.languages) {
        if (language == L"en") continue;
        if (!category.titles.count(language))
            category.titles[language] = category.titles[L"en"] + L" (" + language + L")";
        gallery.titles[language] = category.titles[language];
        for (Item &item : gallery.items)
            if (!item.titles.count(language)) item.titles[language] = item.titles[L"en"] + L" (" + language + L")";
        category.languagePacks.push_back({language, PackName(stem, language, options), category.version});
    }
}

Category NewCategory(const CAtlString &stem, const Options &options)
{
    Category category;
    const CAtlString domain = Domain(options);
    category.identifier = L"http://" + domain + L"/category/" + stem;
    category.version = options.version;
    Gallery &gallery = category.galleries.emplace_back();
    gallery.fileName = stem + L".gallery";
    gallery.identifier = L"http://" + domain + L"/gallery/" + stem;
    gallery.version = options.version;
    gallery.stringVersions[L"en"] = options.version;
    return category;
}

// "category.txt": key=value lines; blank lines and lines starting with '#' are skipped.
void ReadDescription(const CKeldaFilePath &path, Category &category)
{
    CAtlStringA text;
    if (!path.FileExists() || !CFileManipulator::ReadAsciiFileIntoAsciiString(path, text)) return;
    Gallery &gallery = category.galleries.front();
    std::map<CAtlString, Texts> itemTitles;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == CAtlStringA::npos) end = text.size();
        const CAtlString line = Text::Trim(Text::FromUtf8(text.substr(start, end - start)));
        start = end + 1;
        const size_t equals = line.find(L'=');
        if (line.empty() || line[0] == L'#' || equals == CAtlString::npos) continue;
        const CAtlString key = Text::Trim(line.substr(0, equals));
        const CAtlString value = Text::Trim(line.substr(equals + 1));
        if (key == L"id")
            category.identifier = value;
        else if (key == L"version")
            category.version = gallery.version = gallery.stringVersions[L"en"] = value;
        else if (key.rfind(L"title.", 0) == 0)
            category.titles[key.substr(6)] = value;
        else if (key.rfind(L"item.", 0) == 0) {
            const size_t dot = key.rfind(L'.');
            if (dot > 5) itemTitles[key.substr(5, dot - 5)][key.substr(dot + 1)] = value;
        }
    }
    for (Item &item : gallery.items) {
        const auto found = itemTitles.find(item.fileName);
        if (found != itemTitles.end()) item.titles = found->second;
    }
}

} // namespace

bool FromFolder(const CKeldaDirectoryPath &folder, const Options &options, Source &source, std::string *error)
{
    source = Source();
    source.categoriesId = options.guid;
    std::vector<CKeldaDirectoryPath> folders;
    folder.ListSubDirectories(L"*", folders);
    for (const CKeldaDirectoryPath &sub : folders) {
        const CAtlString stem = sub.GetLastDirectoryName();
        Category category = NewCategory(stem, options);
        std::vector<CKeldaFilePath> files;
        sub.FindFilesInDirectory(L"*", files);
        std::sort(files.begin(), files.end());
        for (const CKeldaFilePath &file : files) {
            if (file.GetFileName() == L"category.txt") continue;
            Item item;
            item.fileName = file.GetFileName();
            item.sourcePath = file;
            category.galleries.front().items.push_back(std::move(item));
        }
        if (category.galleries.front().items.empty()) continue;
        ReadDescription(sub.CreateFilePath(L"category.txt"), category);
        Complete(category, stem, options);
        source.categories.push_back(std::move(category));
    }
    if (source.categories.empty()) {
        if (error) *error = "no category (a sub-folder with files) in " + Text::ToUtf8(folder.GetDirectoryPathString());
        return false;
    }
    return true;
}

Source Generate(int categories, int64_t itemFiles, int64_t itemBytes, const Options &options)
{
    Source source;
    source.categoriesId = options.guid;
    uint64_t seed = 0;
    for (int c = 0; c < categories; ++c) {
        wchar_t stem[32];
        std::swprintf(stem, 32, L"category%04d", c + 1);
        Category category = NewCategory(stem, options);
        const int64_t count = itemFiles / categories + (c < itemFiles % categories ? 1 : 0);
        for (int64_t i = 0; i < count; ++i) {
            Item item;
            wchar_t name[48];
            // Numbered across the source: galleries share the destination's content folder.
            item.seed = ++seed;
            std::swprintf(name, 48, L"item%06llu.galleryitem", static_cast<unsigned long long>(seed));
            item.fileName = name;
            item.randomBytes = itemBytes;
            item.keywords[L"en"] = {L"generated"};
            category.galleries.front().items.push_back(std::move(item));
        }
        Complete(category, stem, options);
        source.categories.push_back(std::move(category));
    }
    return source;
}

} // namespace NTrove::Publisher
