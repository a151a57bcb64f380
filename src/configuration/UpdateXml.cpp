// Reading of the local and remote update descriptions and the choice of the offer.
#include "configuration/UpdateXml.h"

#include <QFile>
#include <QFileInfo>

#include <tinyxml2.h>

#include "support/SysRoot.h"

namespace
{

CAtlString Attribute(const tinyxml2::XMLElement *element, const char *name)
{
    const char *value = element ? element->Attribute(name) : nullptr;
    return value ? Text::FromUtf8(value) : CAtlString();
}

} // namespace

bool ProductElement::Read(const tinyxml2::XMLElement *element)
{
    if (!element) return false;
    updateVersion = Attribute(element, "UpdateVersion");
    installFile = Attribute(element, "UpdateInstallFile");
    installSize = Attribute(element, "UpdateInstallSize");
    installUrl = Attribute(element, "UpdateInstallURL");
    webPage = Attribute(element, "UpdateWebPage");
    arguments = Attribute(element, "UpdateArgument");
    return true;
}

bool CompatibilityElement::ReadRemote(const tinyxml2::XMLElement *product, const char *productName)
{
    ranges.clear();
    if (!defaultProduct.Read(product)) return false;
    for (const tinyxml2::XMLElement *compatibility = product->FirstChildElement("Compatibility"); compatibility;
         compatibility = compatibility->NextSiblingElement("Compatibility")) {
        for (const tinyxml2::XMLElement *range = compatibility->FirstChildElement("Range"); range;
             range = range->NextSiblingElement("Range")) {
            ProductElement offer;
            if (!offer.Read(range->FirstChildElement(productName))) continue;
            ranges.emplace(CVersionStringRange(CVersionString(Attribute(range, "VersionFrom")),
                                               CVersionString(Attribute(range, "VersionTo"))),
                           offer);
        }
    }
    return true;
}

const ProductElement &CompatibilityElement::GetProductForCurrentVersion() const
{
    for (const auto &entry : ranges)
        if (entry.first.IsInRange(currentVersion)) return entry.second;
    return defaultProduct;
}

bool CompatibilityElement::IsUpdateAvailable() const
{
    return currentVersion < GetNewVersion();
}

bool CUpdateXmlReader::ReadFileA(const CAtlString &path, CAtlStringA &out)
{
    if (path.empty()) return false;
    QFile file(Text::ToQt(path));
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    out.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
    return true;
}

bool CUpdateXmlReader::ReadLocalXml()
{
    CAtlStringA xml;
    return ReadFileA(GetLocalXmlPath(), xml) && ParseLocalXml(xml);
}

bool CUpdateXmlReader::ReadRemoteXml()
{
    const CAtlString path = GetRemoteXmlPath();
    if (path.empty()) return false;
    CAtlStringA xml;
    const bool read = ReadFileA(path, xml);
    QFile::remove(Text::ToQt(path)); // the fetched copy is not kept
    return read && ParseRemoteXml(xml);
}

bool CUpdateXmlReader::ParseLocalXml(const CAtlStringA &xml)
{
    tinyxml2::XMLDocument document;
    if (document.Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS) return false;
    const tinyxml2::XMLElement *root = document.RootElement();
    const tinyxml2::XMLElement *product = root ? root->FirstChildElement("Product") : nullptr;
    if (!product) return false;
    m_location = Attribute(root, "Location");
    m_compatibility.currentVersion = Attribute(product, "CurrentVersion");
    m_remoteFileName = Attribute(product, "RemoteVersionFile");
    m_remoteBaseUrl = Attribute(product, "RemoteVersionFileURL");
    if (m_remoteBaseUrl.empty() || m_remoteBaseUrl.back() != L'/') m_remoteBaseUrl += L'/';
    m_noUpdates = Attribute(product, "NoUpdates") == L"true";
    m_localRead = true;
    return true;
}

bool CUpdateXmlReader::ParseRemoteXml(const CAtlStringA &xml)
{
    tinyxml2::XMLDocument document;
    if (document.Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS) return false;
    const tinyxml2::XMLElement *root = document.RootElement();
    if (!root || Attribute(root, "Location") != L"Server") return false;
    const char *productName = IsTestMachine() ? "TestProduct" : "Product";
    if (!m_compatibility.ReadRemote(root->FirstChildElement(productName), productName)) return false;
    m_remoteRead = true;
    return true;
}

bool CUpdateXmlReader::IsUpdateAvailable() const
{
    // "NoUpdates" is only recorded (IsNoUpdates): the interactive run skips the check itself.
    if (!m_localRead || !m_remoteRead) return false;
    return m_compatibility.IsUpdateAvailable();
}

bool CUpdateXmlReader::IsTestMachine()
{
    return QFileInfo::exists(QString::fromStdString(SysRoot::Path(std::string("/tmp/testmark.dat"))));
}

bool CUpdateXmlReader::ShouldAccessInternet(int)
{
    return true;
}
