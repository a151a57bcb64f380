// pack_configuration <configuration folder> <output.gallerycollection>
// Checks that the folder loads as a gallery configuration and packs it into one ".gallerycollection"
// file with the program's own ZIP code.
#include <QCoreApplication>

#include <cstdio>

#include "support/ZipHelper.h"
#include "configuration/Configuration.h"
#include "configuration/Defaults.h"

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: pack_configuration <configuration folder> <output%ls>\n",
                     Defaults::GALLERY_COLLECTION_EXTENTION);
        return 2;
    }
    const CKeldaDirectoryPath folder = CKeldaDirectoryPath::FromUtf8(argv[1]);
    const CKeldaFilePath output = CKeldaFilePath::FromUtf8(argv[2]);
    CConfiguration configuration;
    if (!configuration.ReadFromDir(folder)) {
        std::fprintf(stderr, "%s does not hold a configuration that loads.\n", argv[1]);
        return 1;
    }
    if (!Text::EqualsNoCase(output.GetFileExtension(), Defaults::GALLERY_COLLECTION_EXTENTION)) {
        std::fprintf(stderr, "The output file must end in %ls.\n", Defaults::GALLERY_COLLECTION_EXTENTION);
        return 1;
    }
    if (!CZipHelper::ZipFolderToFile(folder, output)) {
        std::fprintf(stderr, "Could not write %s.\n", argv[2]);
        return 1;
    }
    std::printf("Packed \"%ls\" into %s.\n", configuration.gallery->name.c_str(), argv[2]);
    return 0;
}
