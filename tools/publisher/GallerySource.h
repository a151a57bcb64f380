// The gallery publisher: turns a description of categories, galleries, item files and translations into
// a gallery source folder as the installer reads it: one ".gallery" package per gallery (a ZIP holding
// "imsmanifest.xml" and the item files, written with the gallery library's own manifest writer and ZIP
// code), one language pack per category and language (an "i18n.xml" document, plain or as the
// "i18n.xml" entry of a ".zip"), and "gallery_categories.xml" listing them with versions, sizes and counts.
//
//     NTrove::Publisher::Source source;
//     source.categoriesId = guid;
//     auto &category = source.categories.emplace_back();
//     category.identifier = L"...";  category.titles[L"en"] = L"Astronomy";
//     auto &gallery = category.galleries.emplace_back();
//     gallery.fileName = L"astronomy.gallery";  gallery.identifier = L"http://domain/astronomy";
//     NTrove::Publisher::Item moon;
//     moon.fileName = L"moon.galleryitem";  moon.titles = {{L"en", L"Moon"}, {L"fr", L"Lune"}};  moon.content = "...";
//     gallery.items.push_back(moon);
//     category.languagePacks.push_back({L"fr", L"astronomy_fr.zip", L"2"});
//     std::string error;
//     if (!NTrove::Publisher::Publish(source, outFolder, &error)) ...
//
// Names written into the source must be plain file names (no folder part, no "." or ".."), except where
// a test asks for a listed name of its own (Gallery::listedName).
#pragma once

#include "support/KeldaPath.h"
#include "support/Text.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace NTrove::Publisher
{

// language code -> text
using Texts = std::map<CAtlString, CAtlString>;

// One item file of a gallery.
struct Item {
    CAtlString fileName;   // the file's name inside the package and its href
    CAtlString identifier; // LOM identifier; empty: the gallery identifier + "/" + file name
    Texts titles;          // per language; a language without a title is left out of that pack
    std::string content;   // the file's bytes, unless sourcePath or randomBytes is set
    CKeldaFilePath sourcePath;
    int64_t randomBytes = 0; // > 0: that many pseudo-random bytes from seed, made while writing
    uint64_t seed = 0;
    std::map<CAtlString, std::vector<CAtlString>> keywords; // per language
};

// One ".gallery" package: a manifest with one organization holding one activity with the items.
struct Gallery {
    CAtlString fileName;   // "<name>.gallery"
    CAtlString identifier; // the manifest's identifier: the key of the installed-manifest registry
    CAtlString version;    // the manifest's version, also listed in the categories file
    Texts titles;          // of the manifest, its organization and its activity
    // The manifest's string versions (translations built into the package). Languages whose titles go
    // into the package: these keys, or every language when empty.
    Texts stringVersions;
    std::vector<Item> items;
    // For tests: the name listed in the categories file instead of fileName, and bytes written as the
    // package instead of a real one (a damaged package). With skipPackage nothing is written at all.
    CAtlString listedName;
    std::string packageBytes;
    bool skipPackage = false;
    // The "strings" attribute in the categories file; default: the pack versions of the category over
    // the gallery's string versions.
    std::optional<CAtlString> offeredStrings;
};

// One language pack of a category: the translations of every gallery of the category in one language.
struct LanguagePack {
    CAtlString language;
    CAtlString fileName; // ends in ".zip" (an archive holding "i18n.xml") or ".xml" (the plain document)
    CAtlString version;  // the language string version of every gallery in the pack
};

struct Category {
    CAtlString identifier;
    CAtlString version; // default: the greatest gallery version (text order)
    Texts titles;
    std::vector<Gallery> galleries;
    std::vector<LanguagePack> languagePacks;
    // Overrides of the attributes computed from the packages: "size" (package bytes), "count" (items),
    // "disksize" (item bytes).
    std::optional<int64_t> size, count, diskSize;
};

struct Source {
    CAtlString categoriesId; // the "id" attribute of "categories"; not written when empty
    std::vector<Category> categories;
    std::vector<CAtlString> mandatoryRemovals; // gallery identifiers
};

// What Publish wrote.
struct Summary {
    int packages = 0;
    int languagePacks = 0;
    int64_t items = 0;
    int64_t itemBytes = 0;
    int64_t packageBytes = 0;
};

// The categories file name, "gallery_categories.xml".
extern const wchar_t *const CategoriesFileName;

// Writes the whole source into folder (created when missing; files of the same names are replaced).
// False with *error on the first failure.
bool Publish(const Source &source, const CKeldaDirectoryPath &folder, std::string *error, Summary *summary = nullptr);

// Only the categories file of a source (sizes from the overrides, or 0), without packages or packs.
bool WriteCategoriesFile(const Source &source, const CKeldaFilePath &path, std::string *error);

// Options for building a Source from a folder of resources or generating one.
struct Options {
    CAtlString guid;                   // categories "id" and the identifier domain
    CAtlString domain;                 // identifier host; default: guid, else "gallery.invalid"
    CAtlString version = L"1.0";       // of every gallery and category
    std::vector<CAtlString> languages; // a pack per category for each of these (besides "en")
    bool zippedPacks = true;           // packs as ".zip", else ".xml"
};

// A folder of resources: every sub-folder is a category holding one gallery of its files. An optional
// "category.txt" in a sub-folder holds "key=value" lines: "id", "version", "title.<language>", and
// "item.<file name>.<language>" for item titles. Missing titles: the folder or file name ("en"), the
// English title followed by " (<language>)" for the pack languages. False with *error when the folder
// holds no category or cannot be read.
bool FromFolder(const CKeldaDirectoryPath &folder, const Options &options, Source &source, std::string *error);

// A generated source: categories categories sharing itemFiles item files as evenly as possible, each
// file of itemBytes pseudo-random (incompressible) bytes, the same for the same arguments. Item file
// names are unique across the source ("item000001.galleryitem", ...).
Source Generate(int categories, int64_t itemFiles, int64_t itemBytes, const Options &options);

} // namespace NTrove::Publisher
