// CGallery: the process-wide facade of the gallery library. This header holds the fixed names and the
// string, language, identifier and memory helpers that every record uses, the current language, the
// gallery lock and the program versions. Initialisation of the loaded content lives with the facade.
#pragma once

#include "gallery/records/GalleryTypes.h"
#include "support/Result.h"
#include "support/Text.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CGalleryInitializeThread;
class CGalleryMultiproc;
class IGalleryObserver;

class CGallery
{
  public:
    // Fixed names.
    static const wchar_t *const ImsManifestXml;       // "imsmanifest.xml"
    static const wchar_t *const PreferencesPath;      // "Software\Kelda Labs\Gallery"
    static const wchar_t *const PreferenceFile;       // "Gallery"
    static const wchar_t *const DefaultLanguage;      // "en"
    static const wchar_t *const UntitledForFilenames; // "Untitled"
    static const wchar_t *const EmptyXmlString;       // U+FEFF, the empty-text marker of gallery XML
    static const wchar_t *const WhitespaceChars;
    static const wchar_t *const VellumProgramVersionKey; // "x-keldalabs-vellum"
    // The shared empty string: every unset string of a record points here and is never freed.
    static const wchar_t EmptyString[1];
    // "No index" for the index-returning lookups.
    static constexpr uint32_t MaxIndex = 0xFFFFFFFFu;

    // Strings.
    // Null, "" and a string of exactly U+FEFF are empty.
    static bool IsEmptyString(const wchar_t *text);
    // Empty strings sort after non-empty ones; otherwise lower-cased collation, then code points.
    static int CompareStrings(const wchar_t *a, const wchar_t *b);
    // Language-match score 0..3 (see the comment in Gallery.cpp).
    static int MatchLanguages(const wchar_t *a, const wchar_t *b);
    // Removes leading and trailing WhitespaceChars; S_FALSE and "" when nothing remains. Trim and Split
    // fail only without text, so callers may use the result text alone.
    static HRESULT Trim(const wchar_t *text, CAtlString &out);
    static HRESULT Trim(CAtlString &inOut);
    enum eSplitFlags : uint32_t {
        eSplitFlagsNone = 0,
        eSplitFlagsTrim = 1,        // trim every token
        eSplitFlagsRemoveEmpty = 2, // drop empty tokens (after trimming)
    };
    // Splits at any of the separator characters and appends the tokens; S_FALSE when none was appended.
    static HRESULT Split(const wchar_t *text, std::vector<CAtlString> &out, const wchar_t *separators,
                         uint32_t flags = eSplitFlagsNone);
    // A fresh UUID, canonical 36-character text, upper-cased.
    static CAtlString NewGuid();
    // A new record identifier URI of the given type word ("unknown" when empty).
    static CAtlString NewIdentifier(const wchar_t *type);
    static const wchar_t *const IdentifierPrefix; // "http://.../uniqueid"
    // h = h * 33 + c from 5381, 64-bit; callers format the low 32 bits.
    static uint64_t GetHashFromString(const wchar_t *text);
    // base (default "file://") followed by the path with every character outside the URI-safe set
    // percent-encoded as UTF-8 bytes; separator characters in the path are written as "/".
    static CAtlString EncodeFileURI(const wchar_t *path, const wchar_t *base = nullptr, wchar_t separator = L'/');
    // UTF-8 from wide text and back (null gives ""); UTF8XML also escapes the five XML special
    // characters and drops the characters XML 1.0 cannot hold (GalleryText.cpp).
    static CAtlStringA ConvertUTF8(const wchar_t *text);
    static CAtlString ConvertUTF8(const char *utf8);
    static CAtlStringA UTF8XML(const wchar_t *text);
    // A file-system-safe upper-case name of at most 30 characters from a title.
    static CAtlString GetFileNameFromTitle(const wchar_t *title);

    // Memory of the model. Everything skips managed memory (null, EmptyString, cache images).
    // Zero-filled count*size bytes; S_FALSE and null for size 0; E_INVALIDARG when *out is already set.
    [[nodiscard]] static HRESULT AllocateMemory(size_t count, size_t size, void **out);
    // Resizes *inOut to count*size bytes (new bytes zero-filled when oldCount is given).
    [[nodiscard]] static HRESULT ReallocateMemory(size_t count, size_t size, void **inOut, size_t oldCount = 0);
    static void FreeMemory(void **inOut);
    // Copies text (null or empty gives EmptyString) into *out, freeing what *out held before.
    [[nodiscard]] static HRESULT AllocateString(const wchar_t *text, const wchar_t **out);
    [[nodiscard]] static HRESULT AllocateString(const wchar_t *text, size_t length, const wchar_t **out);
    // Frees *inOut unless managed and leaves EmptyString there.
    static void FreeString(const wchar_t **inOut);
    // E_POINTER for a null string; S_OK otherwise (string storage is checked by the cache loader).
    [[nodiscard]] static HRESULT CheckStringSanity(const wchar_t *text);
    static bool IsManagedMemory(const void *address);
    // Ownership bookkeeping of cache images (CGalleryMemory): every store of a fresh allocation or an
    // owned record into memory that may lie in an image reports the address written; a record that
    // lies in an image nothing was stored into since loading is destroyed without visiting its members.
    static void NoteManagedWrite(const void *address);
    static bool IsInCleanBlock(const void *address);

    // Current language of the model ("en" until the host sets one).
    static CAtlString GetCurrentLanguage();
    static void SetCurrentLanguage(const wchar_t *language, bool notify);

    // The gallery lock: one process-wide recursive mutex.
    [[nodiscard]] static HRESULT Lock();
    static void Unlock();
    // Safe mode: the binary cache is not refreshed and "DefaultManifest" is ignored.
    static bool SafeMode;

    // Program name to version, filled by the host; used by requirement checks.
    static CGalleryKeyedStringCollection *GetProgramVersions();
    // -1, 0, 1: installed against required, see Gallery.cpp.
    static int CompareProgramVersion(const wchar_t *installed, const wchar_t *required);

    // Platform helpers.
    static CAtlString StandardizePath(const CAtlString &path) { return path; }
    static bool IsRemoteFilesystem(const wchar_t *) { return false; }
    [[nodiscard]] static HRESULT ConvertFile(const wchar_t *, const wchar_t *) { return S_OK; }
    static bool CurrentUserCanWriteFile(const wchar_t *path);
    // A folder that can take a gallery: missing, empty, or already holding the manifest file. A folder
    // with someone else's files is not one.
    static bool IsGalleryFolder(const CAtlString &directory);
    // ~/.Kelda Labs Inc/Kelda Board Software/Gallery
    static CAtlString GetCacheFolderPath();
    // A gallery preference (below PreferencesPath): the user's own value first, then the machine-wide
    // one; empty when neither is set.
    static CAtlString GetGalleryPreference(const wchar_t *name);
    // The binary cache file of an XML manifest inside the cache folder.
    static CAtlString GetCachePath(const CAtlString &xmlPath);
    // Display texts by number (the user interface may register its own; 33 is "Folder").
    static CAtlString GetDisplayText(int number);

    // The facade: start-up and shutdown of the loaded content (GalleryFacade.cpp). Only the first
    // Initialize and the last Uninitialize act. fullMode false runs the initialisation on the caller's
    // thread and returns its result; true starts it in a thread of its own and, once it has finished,
    // the refresh thread.
    [[nodiscard]] static HRESULT Initialize(bool fullMode);
    static void Uninitialize();
    static int GetInitializeCount();
    // The initialisation thread of the running library (null before Initialize and after shutdown).
    static CGalleryInitializeThread *InitializeThread;
    static CGalleryMultiproc *GetRefreshThread();

    // Observers, called in registration order on the thread that makes the change (GalleryObservers.cpp).
    static void RegisterObserver(IGalleryObserver *observer);
    static void UnregisterObserver(IGalleryObserver *observer);
    static void NotifyObservers(uint32_t type, CGalleryObject *record);
    static void NotifyObservers(uint32_t type, const std::vector<CGalleryObject *> &records);

    // The loaded content; valid while the library is initialised, changed only under the gallery lock.
    static CGalleryManifestCollection *GetTeamContentManifests();
    static CGalleryRepositoryCollection *GetRepositories();
    static CGalleryManifest *GetMyContentManifest();
    static CGalleryOrganization *GetMyContentOrganization();
    static CGalleryActivity *GetMyContent();
    static CGalleryManifest *GetStockManifest();
    // The pseudo-records of the online-resources page and the marketplace (CGalleryOnlinePortal::
    // FromObject gives the portal); null while the library is not initialised.
    static CGalleryObject *GetOnlineResources();
    static CGalleryObject *GetOnlineMarketplace();
    // The team-extensions page in force with "%LANG%" and "%VER%" replaced (online/).
    static CAtlString GetKeldaOnlineResourcesURL();
    // Whether the last urlresources download was asked for credentials (online/).
    static bool DidUrlDownloadAskForAuthentication();
    // The theme virtual folder: every loaded file record whose format marks a theme.
    static std::vector<CGalleryObject *> GetThemes();
    static CGalleryObject *GetLastInstalledObject();
    static void SetLastInstalledObject(CGalleryObject *record);
    // Integer preferences read at initialisation.
    static int EnableContentCreatorTools;
    static int BrowseChunking;

    // Fixed identifiers of the personal gallery.
    static const wchar_t *const MyContentManifestIdentifier;
    static const wchar_t *const MyContentOrganizationIdentifier;
    static const wchar_t *const MyContentActivityIdentifier;
    static const wchar_t *const MyContentTitle; // "My Content"

    // Paths (GalleryPaths.cpp).
    static CAtlString GetDefaultMyContentManifestXmlPath();
    static CAtlString GetMyContentManifestXmlPath();
    static CAtlString GetStockManifestXmlPath();
    static CAtlString GetApplicationDirectoryPath();
    // Replaces every "${NAME}" by the value of the environment variable NAME (empty when unset).
    static CAtlString ExpandEnvironmentReferences(const CAtlString &text);
    // The language of the host application (GalleryHooks.h), "en" when it has none.
    static CAtlString GetBoardLanguage();
};

// Holds the gallery lock for a scope.
class CGalleryLock
{
  public:
    CGalleryLock() : m_locked(SUCCEEDED(CGallery::Lock())) {}
    ~CGalleryLock()
    {
        if (m_locked) CGallery::Unlock();
    }
    CGalleryLock(const CGalleryLock &) = delete;
    CGalleryLock &operator=(const CGalleryLock &) = delete;
    bool IsLocked() const { return m_locked; }
    // Gives the lock up before the end of the scope.
    void Release()
    {
        if (m_locked) CGallery::Unlock();
        m_locked = false;
    }

  private:
    bool m_locked;
};
