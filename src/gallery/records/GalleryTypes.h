// Basic vocabulary of the gallery model: record kinds and forward declarations of the record types.
// Every record and collection is a standard-layout struct with raw pointers and gallery-allocated
// strings, so that a whole manifest can live inside one relocatable memory image.
#pragma once

#include <cstdint>

// The kind carried by every gallery record (32-bit; stored in cache images, numbers never move).
enum eGalleryObjectType : int32_t {
    eGalleryObjectTypeNone = 0,
    eGalleryObjectTypeFile = 1,
    eGalleryObjectTypeActivity = 2,
    eGalleryObjectTypeOrganization = 3,
    eGalleryObjectTypeManifest = 4,
    eGalleryObjectTypeRepository = 8,
    eGalleryObjectTypeDisconnectedManifest = 10,
    eGalleryObjectTypeFolderActivity = 11,
};

struct CGalleryObject;
class CGalleryMetadata;
class CGalleryFile;
class CGalleryActivity;
class CGalleryOrganization;
class CGalleryManifest;
class CGalleryRepository;
class CGalleryFileCollection;
class CGalleryActivityCollection;
class CGalleryOrganizationCollection;
class CGalleryManifestCollection;
class CGalleryRepositoryCollection;
class CGalleryLanguageStringCollection;
class CGalleryKeyedStringCollection;
class CGalleryStringCollection;
class CGalleryFileStamp;
class CGalleryMemory;
