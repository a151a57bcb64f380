// Start and shutdown of the gallery library. The library has nothing to start yet, so both are no-ops
// that succeed; the facade's initialisation thread is joined here once it exists.
#include "gallery/GalleryInit.h"

#include <QCoreApplication>

int Initialize()
{
    const int code = 0;
    if (code != 0) QCoreApplication::exit(code);
    return code;
}

void Uninitialize() {}
