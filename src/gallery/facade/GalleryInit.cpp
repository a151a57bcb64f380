// Start and shutdown of the gallery library as the program's start-up sequence uses them: the library
// is initialised synchronously, so its initialisation thread has finished when Join returns.
#include "gallery/facade/GalleryInit.h"

#include "gallery/facade/Gallery.h"
#include "gallery/facade/GalleryInitializeThread.h"

#include <QCoreApplication>

int Initialize()
{
    const int code = static_cast<int>(CGallery::Initialize(false));
    if (code != 0) QCoreApplication::exit(code);
    if (CGallery::InitializeThread) CGallery::InitializeThread->Join();
    return code;
}

void Uninitialize()
{
    CGallery::Uninitialize();
}
