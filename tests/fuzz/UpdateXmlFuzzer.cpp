// Update descriptions: the input read as the local and as the remote description, then the offer
// chosen for the installed version.
#include "FuzzEnv.h"
#include "configuration/UpdateXml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const CAtlStringA xml(FuzzEnv::Bytes(data, size));
    CUpdateXmlReader reader;
    (void)reader.ParseLocalXml(xml);
    (void)reader.ParseRemoteXml(xml);
    (void)reader.IsUpdateAvailable();
    const CompatibilityElement &offers = reader.GetCompatibility();
    const size_t total = offers.GetNewFileName().size() + offers.GetNewUrl().size() + offers.GetSize().size() +
                         offers.GetWebPage().size() + offers.GetArguments().size();
    (void)total;
    (void)offers.GetNewVersion();
    return 0;
}
