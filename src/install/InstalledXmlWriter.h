// NTrove::InstalledXmlWriter: the controller observer that keeps "updateinfo.xml", the list of the
// categories installed in the destination with their versions, in the destination's "Uninstall" folder.
// It rewrites the file after every read of the gallery state and after every run (finished, cancelled or
// failed); the other notifications do nothing and the questions keep their default answers.
//
// The file is a TinyXML document without declaration: root "categories", one "category" element per
// recorded item, in item order, with attributes "id" and "version". Each item is recorded with the
// version it has in the destination after the run:
//   - no action: when installed, with its installed version;
//   - install: when it succeeded (status 0, or 4 over an existing record), with its update version;
//   - reinstall or update: when it succeeded, with its update version;
//   - remove: when it succeeded, not at all;
// and an item whose action failed or was cancelled is recorded as if it had no action. With no item
// recorded the file is deleted. A download-only installation, or none, leaves the file alone.
#pragma once

#include "install/IInstallationObserver.h"
#include "support/KeldaPath.h"
#include "support/Text.h"

#include <memory>

class ConfigurationWrapper;

namespace NTrove
{

class InstalledXmlWriter : public IInstallationObserver
{
  public:
    // The file's name, "updateinfo.xml".
    static const wchar_t *const FileName;

    void SetConfiguration(std::shared_ptr<ConfigurationWrapper> configuration)
    {
        m_configuration = std::move(configuration);
    }

    void OnReadStarted(CGalleryInstallation *) override {}
    void OnReadFinished(CGalleryInstallation *installation) override { Write(installation); }
    void OnReadFailed(CGalleryInstallation *) override {}
    void OnRunStarted(CGalleryInstallation *) override {}
    void OnRunFinished(CGalleryInstallation *installation) override { Write(installation); }
    void OnRunCanceled(CGalleryInstallation *installation) override { Write(installation); }
    void OnRunFailed(CGalleryInstallation *installation) override { Write(installation); }

    // The document for the installation's items; empty when no item is recorded.
    static CAtlStringA Document(const CGalleryInstallation &installation);
    // "Uninstall/updateinfo.xml" of a destination.
    static CKeldaFilePath PathIn(const CKeldaDirectoryPath &destination);

    // Writes (crash-safe) or deletes the file of the configured destination. False when that failed.
    bool Write(CGalleryInstallation *installation) const;

  private:
    std::shared_ptr<ConfigurationWrapper> m_configuration;
};

} // namespace NTrove
