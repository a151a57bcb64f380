// make_gallery_source: writes a gallery source folder ("gallery_categories.xml", ".gallery" packages,
// language packs) from a folder of resources, or a generated one for benchmarks.
//
//   make_gallery_source --from <resources> --out <source folder> [options]
//   make_gallery_source --generate <categories> <item files> <bytes per file> --out <source folder> [options]
//
// Options: --guid <GUID> (the categories "id" and the identifier domain), --domain <host>,
// --version <text>, --languages <code,code,...> (one language pack per category and language),
// --xml-packs (packs as plain "i18n.xml" documents instead of ".zip").
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "publisher/GallerySource.h"

namespace
{

int Usage()
{
    std::fprintf(stderr,
                 "usage: make_gallery_source (--from <resources> | --generate <categories> <item files> <bytes>)\n"
                 "                           --out <source folder> [--guid G] [--domain D] [--version V]\n"
                 "                           [--languages fr,de] [--xml-packs]\n");
    return 2;
}

bool ParseCount(const char *text, long long &out)
{
    char *end = nullptr;
    out = std::strtoll(text, &end, 10);
    return end && *end == '\0' && end != text && out >= 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    using namespace NTrove::Publisher;
    Options options;
    std::string from, out;
    long long generate[3] = {-1, -1, -1};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--from" && hasValue)
            from = argv[++i];
        else if (arg == "--out" && hasValue)
            out = argv[++i];
        else if (arg == "--guid" && hasValue)
            options.guid = Text::FromUtf8(argv[++i]);
        else if (arg == "--domain" && hasValue)
            options.domain = Text::FromUtf8(argv[++i]);
        else if (arg == "--version" && hasValue)
            options.version = Text::FromUtf8(argv[++i]);
        else if (arg == "--xml-packs")
            options.zippedPacks = false;
        else if (arg == "--languages" && hasValue) {
            const CAtlString list = Text::FromUtf8(argv[++i]);
            size_t start = 0;
            while (start <= list.size()) {
                size_t comma = list.find(L',', start);
                if (comma == CAtlString::npos) comma = list.size();
                const CAtlString code = Text::Trim(list.substr(start, comma - start));
                if (!code.empty()) options.languages.push_back(code);
                start = comma + 1;
            }
        } else if (arg == "--generate" && i + 3 < argc) {
            for (long long &value : generate)
                if (!ParseCount(argv[++i], value)) return Usage();
        } else {
            return Usage();
        }
    }
    const bool generating = generate[0] >= 0;
    if (out.empty() || generating == !from.empty() || (generating && generate[0] == 0)) return Usage();

    Source source;
    std::string error;
    if (generating) {
        source = Generate(static_cast<int>(generate[0]), generate[1], generate[2], options);
    } else if (!FromFolder(CKeldaDirectoryPath::FromUtf8(from), options, source, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    Summary summary;
    if (!Publish(source, CKeldaDirectoryPath::FromUtf8(out), &error, &summary)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf(
        "%zu categories, %d packages, %d language packs, %lld item files (%lld bytes, %lld bytes packed) in %s\n",
        source.categories.size(), summary.packages, summary.languagePacks, static_cast<long long>(summary.items),
        static_cast<long long>(summary.itemBytes), static_cast<long long>(summary.packageBytes), out.c_str());
    return 0;
}
