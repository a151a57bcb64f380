#include "configuration/SelfUpdate.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "net/IDownloader.h"

CSelfUpdate::CSelfUpdate(const CAtlString &localFileName, std::shared_ptr<IDownloader> downloader)
    : m_localFileName(localFileName), m_downloader(std::move(downloader))
{
}

CAtlString CSelfUpdate::GetLocalXmlPath()
{
    QDir directory(QCoreApplication::applicationDirPath());
    directory.cdUp();
    return Text::FromQt(directory.absoluteFilePath(QStringLiteral("share"))) + L"/" + m_localFileName;
}

CAtlString CSelfUpdate::JoinUrl(const CAtlString &base, const CAtlString &fileName)
{
    const size_t end = base.find_last_not_of(L"/\\");
    return (end == CAtlString::npos ? CAtlString() : base.substr(0, end + 1)) + L"/" + fileName;
}

CAtlString CSelfUpdate::GetRemoteXmlPath()
{
    if (!m_downloader) return CAtlString();
    return m_downloader->DownloadFile(JoinUrl(m_remoteBaseUrl, m_remoteFileName), 0, 0);
}

bool CSelfUpdate::DownloadUpdate()
{
    m_downloadedFile.clear();
    if (!m_downloader) return false;
    const CompatibilityElement &compatibility = GetCompatibility();
    m_downloadedFile =
        m_downloader->DownloadFile(JoinUrl(compatibility.GetNewUrl(), compatibility.GetNewFileName()), 0, 0);
    return !m_downloadedFile.empty() && QFileInfo(Text::ToQt(m_downloadedFile)).isFile();
}
