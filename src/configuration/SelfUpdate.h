// CSelfUpdate: the update check of the program itself. The local description lives in "share" beside
// the program's folder; the remote description and the installer are fetched through the run's
// IDownloader. Without a downloader nothing is fetched and no update is offered.
#pragma once

#include <memory>

#include "configuration/UpdateXml.h"

class IDownloader;

class CSelfUpdate : public CUpdateXmlReader
{
  public:
    explicit CSelfUpdate(const CAtlString &localFileName, std::shared_ptr<IDownloader> downloader = nullptr);

    void SetDownloader(std::shared_ptr<IDownloader> downloader) { m_downloader = std::move(downloader); }

    // "share" in the parent of the application's folder, then the description's file name.
    CAtlString GetLocalXmlPath() override;
    // Fetches remote base URL + "/" + remote file name; the local copy's path, empty on failure.
    CAtlString GetRemoteXmlPath() override;
    // Fetches the chosen offer's installer; true when it arrived (GetDownloadedFile tells where).
    bool DownloadUpdate();
    const CAtlString &GetDownloadedFile() const { return m_downloadedFile; }

    // Removes trailing '/' and '\' characters and appends "/" and the file name.
    static CAtlString JoinUrl(const CAtlString &base, const CAtlString &fileName);

  private:
    CAtlString m_localFileName;
    std::shared_ptr<IDownloader> m_downloader;
    CAtlString m_downloadedFile;
};
