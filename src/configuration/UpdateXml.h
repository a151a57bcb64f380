// Update descriptions. The local description (shipped with the program) names the installed version
// and where the remote description lives; the remote one (from the update server, root "Location"
// "Server") carries a default offer and offers for ranges of installed versions. CUpdateXmlReader
// reads both and tells whether a newer build is offered for the installed version.
#pragma once

#include <map>

#include "settings/VersionString.h"
#include "support/Text.h"

namespace tinyxml2
{
class XMLElement;
}

// The offer of one product. Missing attributes read as empty texts.
class ProductElement
{
  public:
    virtual ~ProductElement() = default;
    // Reads "UpdateVersion", "UpdateInstallFile", "UpdateInstallSize", "UpdateInstallURL",
    // "UpdateWebPage" and "UpdateArgument"; false for a null element.
    bool Read(const tinyxml2::XMLElement *element);

    CVersionString updateVersion;
    CAtlString installFile;
    CAtlString installSize;
    CAtlString installUrl;
    CAtlString webPage;
    CAtlString arguments;
};

class CompatibilityElement
{
  public:
    virtual ~CompatibilityElement() = default;

    // Reads the remote product element: its own attributes are the default offer, and every
    // "Compatibility"/"Range" ("VersionFrom", "VersionTo") with its child product element (named
    // productName) an offer for that range.
    bool ReadRemote(const tinyxml2::XMLElement *product, const char *productName = "Product");

    // The offer of the first range (by low end) containing the current version, else the default.
    const ProductElement &GetProductForCurrentVersion() const;
    CVersionString GetNewVersion() const { return GetProductForCurrentVersion().updateVersion; }
    CAtlString GetNewFileName() const { return GetProductForCurrentVersion().installFile; }
    CAtlString GetNewUrl() const { return GetProductForCurrentVersion().installUrl; }
    CAtlString GetSize() const { return GetProductForCurrentVersion().installSize; }
    CAtlString GetWebPage() const { return GetProductForCurrentVersion().webPage; }
    CAtlString GetArguments() const { return GetProductForCurrentVersion().arguments; }
    // The current version is below the chosen offer's version.
    bool IsUpdateAvailable() const;

    CVersionString currentVersion;
    ProductElement defaultProduct;
    std::map<CVersionStringRange, ProductElement> ranges;
};

class CUpdateXmlReader
{
  public:
    virtual ~CUpdateXmlReader() = default;

    // Read the description file (8-bit XML text) and parse it.
    virtual bool ReadLocalXml();
    virtual bool ReadRemoteXml();
    // Local: records "Location", and of the first "Product" child "CurrentVersion",
    // "RemoteVersionFile", "RemoteVersionFileURL" (with a trailing '/') and "NoUpdates".
    virtual bool ParseLocalXml(const CAtlStringA &xml);
    // Remote: the root's "Location" must be "Server"; reads the product element (named "TestProduct"
    // on a test machine, "Product" otherwise).
    virtual bool ParseRemoteXml(const CAtlStringA &xml);
    // Where the descriptions are read from; the plain reader has no files.
    virtual CAtlString GetLocalXmlPath() { return CAtlString(); }
    virtual CAtlString GetRemoteXmlPath() { return CAtlString(); }

    // Both descriptions read and the chosen offer newer than the current version ("NoUpdates" is only
    // recorded: see IsNoUpdates).
    bool IsUpdateAvailable() const;
    // A test machine has the file "/tmp/testmark.dat".
    static bool IsTestMachine();
    // Internet access is always allowed on this platform.
    static bool ShouldAccessInternet(int reason);

    bool IsLocalRead() const { return m_localRead; }
    bool IsRemoteRead() const { return m_remoteRead; }
    bool IsNoUpdates() const { return m_noUpdates; }
    const CAtlString &GetLocation() const { return m_location; }
    const CAtlString &GetRemoteFileName() const { return m_remoteFileName; }
    const CAtlString &GetRemoteBaseUrl() const { return m_remoteBaseUrl; }
    const CompatibilityElement &GetCompatibility() const { return m_compatibility; }

  protected:
    // The whole file as 8-bit text; false when it cannot be read.
    static bool ReadFileA(const CAtlString &path, CAtlStringA &out);

    bool m_localRead = false;
    bool m_remoteRead = false;
    CompatibilityElement m_compatibility;
    CAtlString m_remoteFileName;
    CAtlString m_remoteBaseUrl;
    CAtlString m_location;
    bool m_noUpdates = false;
};
