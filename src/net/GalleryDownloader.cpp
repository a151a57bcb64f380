// The program's IDownloader over the gallery download.
#include "net/GalleryDownloader.h"

#include "net/IDownloadObserver.h"
#include "net/IProxyObserver.h"
#include "net/QtGalleryDownload.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QUrl>

namespace NTrove
{

namespace
{

// Carries the proxy observer; progress has no reader here.
class ProxyOnlyObserver : public IDownloadObserver
{
  public:
    explicit ProxyOnlyObserver(IProxyObserver *proxyObserver) : m_proxyObserver(proxyObserver) {}
    void OnProgress(int, int, int, const CAtlString &) override {}
    IProxyObserver *ProxyObserver() override { return m_proxyObserver; }

  private:
    IProxyObserver *m_proxyObserver;
};

// The extension of the URL's last path segment ("zip" for ".../a.zip?x=1"), or "".
QString UrlExtension(const QUrl &url)
{
    const QString name = url.fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.mid(dot + 1) : QString();
}

void RemoveResumeFiles(const QString &path)
{
    QFile::remove(path + QStringLiteral(".part"));
    QFile::remove(path + QStringLiteral(".st"));
}

} // namespace

GalleryDownloader::GalleryDownloader(std::shared_ptr<IProxyObserver> proxyObserver)
    : m_proxyObserver(std::move(proxyObserver))
{
}

void GalleryDownloader::SetProxyHandler(std::shared_ptr<ProxyHandlerBase>) {}

CAtlString GalleryDownloader::DownloadFile(const CAtlString &url, unsigned long, unsigned long)
{
    const QUrl qurl(Text::ToQt(url));
    const QString extension = UrlExtension(qurl);
    QString nameTemplate = QDir::tempPath() + QStringLiteral("/troveXXXXXX");
    if (!extension.isEmpty()) nameTemplate += QLatin1Char('.') + extension;

    // The name is reserved by creating the file exclusively; the download then replaces it.
    QString path;
    {
        QTemporaryFile reserved(nameTemplate);
        reserved.setAutoRemove(false);
        if (!reserved.open()) return CAtlString();
        path = reserved.fileName();
    }

    ProxyOnlyObserver observer(m_proxyObserver.get());
    const HRESULT hr = QtGalleryDownload(url, Text::FromQt(path), &observer);
    // A temporary name is never downloaded again, so its resume files have no further use.
    RemoveResumeFiles(path);
    if (FAILED(hr)) {
        QFile::remove(path);
        return CAtlString();
    }
    return Text::FromQt(QFileInfo(path).absoluteFilePath());
}

} // namespace NTrove
