// The HTTP GET engine: request building, resume-file handling, status handling, body streaming and
// completion. See QHttpWithResume.h for the files a file download keeps beside its target.
#include "net/QHttpWithResume.h"

#include "support/RegularFile.h"
#include "support/SaveFile.h"

#include <unistd.h>

#include <algorithm>

#include <vector>

#include <QAuthenticator>
#include <QFileInfo>
#include <QNetworkRequest>

namespace QtDownloader
{

namespace
{

const char kUserAgent[] = "Mozilla/5.0 (keldalabs_QNetworkAccessManager, like Gecko)";
constexpr qint64 kMaxStateFileSize = Limits::kMaxDownloadStateFileBytes;

// The validators kept in T.st.
struct StateRecord {
    QByteArray etag;
    QByteArray url; // encoded, password removed
    qint64 length = 0;
    QByteArray lastModified;
    bool usable = false; // the file existed, parsed, and carries at least one validator
};

QByteArray EncodedWithoutPassword(const QUrl &url)
{
    return url.toEncoded(QUrl::RemovePassword);
}

// A validator goes back to the server as a header value: a control character (CR or LF above all)
// would let the server write further headers into our requests.
bool HasControlCharacter(const QByteArray &value)
{
    for (const char c : value) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f) return true;
    }
    return false;
}

QByteArray CleanValidator(const QByteArray &value)
{
    return HasControlCharacter(value) ? QByteArray() : value;
}

StateRecord ReadStateFile(const QString &path)
{
    StateRecord state;
    // A FIFO or a device in place of the record neither blocks nor feeds the reader.
    std::vector<char> bytes;
    if (!RegularFile::ReadAll(path.toStdString(), kMaxStateFileSize, bytes)) return state;
    const QList<QByteArray> lines = QByteArray::fromRawData(bytes.data(), static_cast<int>(bytes.size())).split('\n');
    auto line = [&lines](int index) { return index < lines.size() ? lines[index] : QByteArray(); };
    state.etag = line(0);
    const QUrl url = QUrl(QString::fromUtf8(line(1)), QUrl::StrictMode);
    if (url.isValid()) state.url = EncodedWithoutPassword(url);
    bool ok = false;
    const qint64 length = line(2).toLongLong(&ok, 10);
    state.lastModified = line(3);
    // We never write a validator with control characters: such a record is not ours.
    if (HasControlCharacter(state.etag) || HasControlCharacter(state.lastModified)) return StateRecord();
    // A length that is not a non-negative decimal number makes the whole record unusable.
    if (!ok || length < 0) return state;
    state.length = length;
    state.usable = !state.etag.isEmpty() || !state.lastModified.isEmpty();
    return state;
}

// Replaces the state file in one step through the one crash-safe writer (CSaveFile), so an
// interruption never leaves half of one and a linked state file is treated like every other document.
bool WriteStateFile(const QString &path, const QByteArray &etag, const QByteArray &url, qint64 length,
                    const QByteArray &lastModified)
{
    QByteArray text;
    text += etag + '\n';
    text += url + '\n';
    text += QByteArray::number(length) + '\n';
    text += lastModified + '\n';
    return CSaveFile::WriteWholeFile(path.toUtf8().toStdString(),
                                     std::string_view(text.constData(), static_cast<size_t>(text.size())));
}

// A non-empty run of decimal digits that fits a qint64, or -1.
qint64 DecimalNumber(const QByteArray &text)
{
    if (text.isEmpty()) return -1;
    for (const char c : text) {
        if (c < '0' || c > '9') return -1;
    }
    bool ok = false;
    const qint64 value = text.toLongLong(&ok, 10);
    return ok ? value : -1;
}

// First byte position of a "bytes first-last/total" Content-Range (total may be "*"), or -1 when
// absent or not of that form.
qint64 ContentRangeStart(const QByteArray &value)
{
    const QByteArray trimmed = value.trimmed();
    if (!trimmed.startsWith("bytes ")) return -1;
    const QByteArray range = trimmed.mid(6).trimmed();
    const int dash = range.indexOf('-');
    const int slash = range.indexOf('/');
    if (dash < 0 || slash < dash) return -1;
    const qint64 first = DecimalNumber(range.left(dash));
    const qint64 last = DecimalNumber(range.mid(dash + 1, slash - dash - 1));
    const QByteArray totalText = range.mid(slash + 1);
    const qint64 total = totalText == "*" ? -2 : DecimalNumber(totalText);
    if (first < 0 || last < first || total == -1 || (total >= 0 && last >= total)) return -1;
    return first;
}

bool IsHttpScheme(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

void TruncateToZero(QFile &file)
{
    file.resize(0);
    file.seek(0);
}

} // namespace

QHttpWithResume::QHttpWithResume(std::shared_ptr<QNetworkAccessManager> manager, QObject *parent)
    : QObject(parent), m_manager(manager ? std::move(manager) : std::make_shared<QNetworkAccessManager>())
{
    connect(this, &QHttpWithResume::DelayedResumeRequestFinished, this, &QHttpWithResume::ResumeRequestFinished,
            Qt::QueuedConnection);
    connect(m_manager.get(), &QNetworkAccessManager::proxyAuthenticationRequired, this,
            &QHttpWithResume::OnProxyAuthenticationRequired);
    connect(m_manager.get(), &QNetworkAccessManager::authenticationRequired, this,
            &QHttpWithResume::OnAuthenticationRequired);

    m_inactivityTimer.setSingleShot(true);
    m_inactivityTimer.setInterval(kDefaultInactivityTimeoutMs);
    connect(&m_inactivityTimer, &QTimer::timeout, this, &QHttpWithResume::onTimeout);
    m_transferTimer.setInterval(1000);
    connect(&m_transferTimer, &QTimer::timeout, this, &QHttpWithResume::CheckTransfers);
    m_intervalTimer.setInterval(kIntervalTimerMs);
    connect(&m_intervalTimer, &QTimer::timeout, this, &QHttpWithResume::resetIntervalCounter);
    m_intervalClock.start();
    m_averageClock.start();
}

QHttpWithResume::~QHttpWithResume()
{
    // Live replies go without reporting; their partial files stay for a later resume.
    const QList<QNetworkReply *> replies = m_requests.keys();
    m_requests.clear();
    for (QNetworkReply *reply : replies) {
        disconnect(reply, nullptr, this, nullptr);
        delete reply;
    }
}

QNetworkReply *QHttpWithResume::ResumeGet(const QUrl &url, const QString &fileName, const ContentDecoders &decoders,
                                          int algorithm)
{
    m_errorText.clear();
    if (m_internetAccessBlocked) {
        m_errorText = tr("Internet access is disabled by the system administrator.");
        FailBeforeReply();
        return nullptr;
    }

    const QString target = QFileInfo(fileName).absoluteFilePath();
    const QString part = target + QStringLiteral(".part");
    const QString state = target + QStringLiteral(".st");

    // Only regular files are ours: whatever else holds one of the names (a FIFO, a device, a link to
    // one) goes, and the download starts over.
    const bool foreign = (QFileInfo::exists(target) && !RegularFile::IsRegular(target.toStdString(), true)) ||
                         (QFileInfo(part).isSymLink() ||
                          (QFileInfo::exists(part) && !RegularFile::IsRegular(part.toStdString(), false)));
    const StateRecord stored = foreign ? StateRecord() : ReadStateFile(state);
    if (!stored.usable || stored.url != EncodedWithoutPassword(url)) {
        // No validators, or they belong to another URL: nothing on disk can be trusted.
        QFile::remove(state);
        QFile::remove(target);
        QFile::remove(part);
    }
    if (stored.length != QFileInfo(target).size()) QFile::remove(target);
    if (QFile::exists(target) && QFile::exists(part)) {
        QFile::remove(target);
        QFile::remove(part);
    }

    auto partFile = std::make_shared<QFile>(part);
    const int partFd = RegularFile::OpenForUpdate(part.toStdString());
    if (partFd < 0 ||
        !partFile->open(partFd, QIODevice::ReadWrite | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        if (partFd >= 0) ::close(partFd);
        m_errorText = tr("Unable to open %1 for writing.").arg(part);
        FailBeforeReply();
        return nullptr;
    }

    QList<QPair<QByteArray, QByteArray>> headers;
    if (QFile::exists(target)) {
        if (!stored.etag.isEmpty())
            headers.append({"If-None-Match", stored.etag});
        else if (!stored.lastModified.isEmpty())
            headers.append({"If-Modified-Since", stored.lastModified});
    } else if (partFile->size() > 0) {
        headers.append({"Range", "bytes=" + QByteArray::number(partFile->size()) + "-"});
        if (!stored.etag.isEmpty())
            headers.append({"If-Range", stored.etag});
        else if (!stored.lastModified.isEmpty())
            headers.append({"If-Range", stored.lastModified});
    }

    ManagedId record;
    record.device = partFile;
    record.partFile = partFile;
    record.fileName = target;
    record.url = url;
    record.decoders = decoders;
    return StartRequest(url, std::move(record), algorithm, headers);
}

QNetworkReply *QHttpWithResume::Get(const QUrl &url, std::shared_ptr<QBuffer> buffer, const ContentDecoders &decoders,
                                    int algorithm)
{
    m_errorText.clear();
    if (m_internetAccessBlocked) {
        m_errorText = tr("Internet access is disabled by the system administrator.");
        FailBeforeReply();
        return nullptr;
    }
    if (!buffer) {
        FailBeforeReply();
        return nullptr;
    }
    buffer->close();
    buffer->setData(QByteArray());
    buffer->open(QIODevice::ReadWrite);

    ManagedId record;
    record.device = buffer;
    record.buffer = std::move(buffer);
    record.url = url;
    record.decoders = decoders;
    return StartRequest(url, std::move(record), algorithm, {});
}

QNetworkReply *QHttpWithResume::StartRequest(const QUrl &url, ManagedId record, int algorithm,
                                             const QList<QPair<QByteArray, QByteArray>> &extraHeaders)
{
    QNetworkRequest request(url);
    request.setRawHeader("Accept", "*/*");
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(kUserAgent));
    QStringList encodings;
    for (const auto &decoder : record.decoders) {
        if (decoder) encodings += decoder->AcceptedEncodings();
    }
    // Without decoders ask for the identity coding explicitly: an absent header would let the
    // network stack ask for gzip and inflate on the fly, and the stored bytes would no longer match
    // the server's lengths and ranges.
    request.setRawHeader("Accept-Encoding", encodings.isEmpty() ? QByteArray("identity")
                                                                : encodings.join(QStringLiteral(", ")).toLatin1());
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    for (const auto &header : extraHeaders)
        request.setRawHeader(header.first, header.second);

    record.algorithm = algorithm;
    if (!record.started.isValid()) record.started.start();
    if (!m_transferTimer.isActive()) m_transferTimer.start();
    if (algorithm != Hash::None) record.digest = std::make_shared<QCryptographicHash>(Hash::toQAlgorithm(algorithm));

    QNetworkReply *reply = m_manager->get(request);
    if (!reply) {
        FailBeforeReply();
        return nullptr;
    }
    record.replies.append(reply);
    m_requests.insert(reply, std::move(record));

    connect(this, &QHttpWithResume::abortDownloads, reply, &QNetworkReply::abort);
    connect(reply, &QNetworkReply::metaDataChanged, this, &QHttpWithResume::httpResponseHeaderReceived);
    connect(reply, &QIODevice::readyRead, this, [this, reply] { ReadAvailable(reply); });
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        ReadAvailable(reply); // anything still buffered belongs to this response
        QByteArray digest;
        const auto it = m_requests.constFind(reply);
        if (it != m_requests.constEnd() && it->digest) digest = it->digest->result();
        httpRequestFinished(reply, reply->error() != QNetworkReply::NoError, digest);
    });
    connect(reply, &QNetworkReply::sslErrors, this, &QHttpWithResume::onSslErrors);
    httpRequestStarted();
    return reply;
}

void QHttpWithResume::FailBeforeReply()
{
    const qint32 id = m_failureId--;
    emit DelayedResumeRequestFinished(id, true, nullptr, QByteArray());
}

void QHttpWithResume::httpResponseHeaderReceived()
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply || reply->operation() != QNetworkAccessManager::GetOperation) return;
    m_intervalTimer.start(kIntervalTimerMs);
    m_baseOffset = 0;
    const auto it = m_requests.find(reply);
    if (it == m_requests.end() || it->status != 0) return; // unknown reply, or its headers were handled already
    HandleStatus(reply, *it);
}

void QHttpWithResume::HandleStatus(QNetworkReply *reply, ManagedId &record)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool fileDownload = record.partFile != nullptr;
    record.status = status;
    // An in-memory download keeps whatever the server sends; a file receives only the bytes of the
    // file itself (200 or a fitting 206), never an error page or a redirect body.
    record.storeBody = !fileDownload;

    switch (status) {
    case 200: {
        if (!fileDownload) break;
        QFile::remove(record.fileName);
        record.storeBody = true;
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid()) {
            WriteStateFile(record.fileName + QStringLiteral(".st"), CleanValidator(reply->rawHeader("ETag")),
                           EncodedWithoutPassword(record.url), length.toLongLong(),
                           CleanValidator(reply->rawHeader("Last-Modified")));
        }
        TruncateToZero(*record.partFile);
        break;
    }
    case 206: {
        QIODevice &device = *record.device;
        if (!device.isSequential()) m_baseOffset = device.size();
        if (fileDownload) {
            // The answer must continue exactly where the partial file ends; anything else would
            // splice foreign bytes into the file. Such an answer is treated like 416.
            const qint64 start = ContentRangeStart(reply->rawHeader("Content-Range"));
            if (start != device.size()) {
                m_baseOffset = 0;
                if (record.rangeRetries < Limits::kMaxRangeRestarts) {
                    ++record.rangeRetries;
                    record.nextUrl = QString::fromUtf8(record.url.toEncoded());
                }
                break;
            }
        }
        record.storeBody = true;
        if (record.digest) {
            record.digest->reset();
            FeedDigest(*record.digest, device);
        } else {
            device.seek(device.size());
        }
        break;
    }
    case 304:
        record.notModified = true;
        if (record.digest) {
            record.digest->reset();
            QFile target(record.fileName);
            const int fd = RegularFile::OpenForReading(record.fileName.toStdString(), UINT64_MAX);
            if (fd >= 0 && target.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
                FeedDigest(*record.digest, target);
            else if (fd >= 0)
                ::close(fd);
        }
        break;
    case 301:
    case 302:
    case 303:
    case 307: {
        if (record.digest) record.digest->reset();
        const QUrl target = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
        if (target.isEmpty()) break;
        const QUrl resolved = reply->url().resolved(target);
        if (!IsHttpScheme(resolved)) {
            // Another scheme would hand a local file or inline data over as the download.
            record.storeBody = false;
            record.redirectRefused = true;
            m_errorText = tr("Redirect to %1 refused: only http and https are followed.")
                              .arg(resolved.toDisplayString(QUrl::RemoveUserInfo | QUrl::RemoveQuery));
            break;
        }
        const QString next = QString::fromUtf8(resolved.toEncoded());
        if (!record.visited.contains(next) && record.visited.size() < m_redirectLimit) {
            record.visited.append(next);
            record.nextUrl = next;
        }
        break;
    }
    case 416:
        if (record.digest) record.digest->reset();
        if (record.rangeRetries < Limits::kMaxRangeRestarts) {
            ++record.rangeRetries;
            record.nextUrl = QString::fromUtf8(record.url.toEncoded());
        }
        break;
    default:
        break;
    }
}

void QHttpWithResume::FeedDigest(QCryptographicHash &digest, QIODevice &device)
{
    device.seek(0);
    QByteArray chunk(static_cast<int>(kReadChunkSize), Qt::Uninitialized);
    for (;;) {
        const qint64 n = device.read(chunk.data(), kReadChunkSize);
        if (n <= 0) break;
        digest.addData(chunk.constData(), static_cast<int>(n));
    }
}

void QHttpWithResume::ReadAvailable(QNetworkReply *reply)
{
    if (!reply->isReadable()) return; // aborted: nothing more to read
    if (m_chunk.size() != kReadChunkSize) m_chunk.resize(static_cast<int>(kReadChunkSize));
    for (;;) {
        auto it = m_requests.find(reply);
        if (it == m_requests.end()) return; // finished meanwhile (a listener may abort from a progress signal)
        const qint64 n = reply->read(m_chunk.data(), kReadChunkSize);
        if (n <= 0) return;
        if (!it->storeBody) continue;
        if (it->buffer && it->received + n > m_limits.memoryBytes) {
            m_errorText = tr("Download refused: the answer is larger than %1 bytes.").arg(m_limits.memoryBytes);
            it->storeBody = false;
            it->bodyTooLarge = true;
            it->buffer->close();
            it->buffer->setData(QByteArray());
            reply->abort();
            return;
        }
        if (it->device->write(m_chunk.constData(), n) != n) {
            m_errorText = tr("Unable to write to %1.").arg(it->partFile ? it->partFile->fileName() : QString());
            it->storeBody = false;
            reply->abort();
            return;
        }
        if (it->digest) it->digest->addData(m_chunk.constData(), static_cast<int>(n));
        it->received += n;
        m_received = it->received;
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        httpDataReadProgress(it->received, length.isValid() ? length.toLongLong() : -1);
    }
}

void QHttpWithResume::httpDataReadProgress(qint64 done, qint64 total)
{
    m_inactivityTimer.start();
    m_intervalReceived = done - m_intervalStart;
    emit dataReadProgress(done, total);
    emit ResumeDataReadProgress(m_baseOffset + done, total < 0 ? -1 : m_baseOffset + total);
}

void QHttpWithResume::httpRequestFinished(QNetworkReply *response, bool error, const QByteArray &hashValue)
{
    m_inactivityTimer.stop();
    const auto it = m_requests.find(response);
    if (it == m_requests.end()) {
        emit DelayedResumeRequestFinished(kReplyRequestId, error, response, hashValue);
        return;
    }
    const ManagedId record = *it;
    if (record.partFile)
        record.partFile->close();
    else if (record.buffer)
        record.buffer->close();

    if (!record.nextUrl.isEmpty()) {
        Restart(response, record);
        return;
    }

    m_intervalTimer.stop();
    if (record.redirectRefused || record.bodyTooLarge || record.tooSlow) error = true;
    if (record.partFile) FinishFileDownload(response, record, error);
    emit DelayedResumeRequestFinished(kReplyRequestId, error, response, hashValue);
    DropReply(response);
}

void QHttpWithResume::FinishFileDownload(QNetworkReply *reply, const ManagedId &record, bool &error)
{
    if (error) return; // the partial and state files stay for a later resume
    const QString part = record.fileName + QStringLiteral(".part");
    if (record.notModified) {
        // 304 carries no body; a Content-Length on it describes the unchanged file, not this answer.
        // It confirms a target only when there is one; otherwise the partial file stays.
        if (QFile::exists(record.fileName))
            QFile::remove(part);
        else
            error = true;
        return;
    }
    if (!record.storeBody) {
        // The final answer was no file at all (an unfollowed redirect, an unexpected status).
        error = true;
        return;
    }
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && record.received != length.toLongLong()) {
        m_errorText = tr("Download incomplete. Received %1 bytes, expected %2 bytes.")
                          .arg(record.received)
                          .arg(length.toLongLong());
        error = true;
        return;
    }
    QFile::remove(record.fileName);
    if (!QFile::rename(part, record.fileName)) {
        m_errorText = tr("Unable to rename %1 to %2.").arg(part, record.fileName);
        QFile::remove(record.fileName + QStringLiteral(".st"));
        error = true;
    }
}

void QHttpWithResume::Restart(QNetworkReply *reply, ManagedId record)
{
    if (record.digest) record.digest->reset();
    const QUrl next = QUrl::fromEncoded(record.nextUrl.toUtf8());
    QNetworkReply *newReply = nullptr;
    if (record.buffer) {
        record.buffer->close();
        record.buffer->setData(QByteArray());
        record.buffer->open(QIODevice::WriteOnly);
        newReply = Get(next, record.buffer, record.decoders, record.algorithm);
    } else {
        QFile::remove(record.fileName + QStringLiteral(".st"));
        QFile::remove(record.fileName + QStringLiteral(".part"));
        newReply = ResumeGet(next, record.fileName, record.decoders, record.algorithm);
    }
    emit QNetworkReplyChanged(reply, newReply);
    DropReply(reply);
    const auto it = m_requests.find(newReply);
    if (it != m_requests.end()) {
        it->visited = record.visited;
        it->rangeRetries = record.rangeRetries;
        it->started = record.started; // the deadline covers the whole chain
    }
}

void QHttpWithResume::DropReply(QNetworkReply *reply)
{
    m_requests.remove(reply);
    if (m_requests.isEmpty()) m_transferTimer.stop();
    disconnect(reply, nullptr, this, nullptr);
    disconnect(this, nullptr, reply, nullptr);
    reply->deleteLater();
}

void QHttpWithResume::CheckTransfers()
{
    QList<QNetworkReply *> late;
    for (auto it = m_requests.begin(); it != m_requests.end(); ++it) {
        ManagedId &record = *it;
        if (record.tooSlow || !record.started.isValid()) continue;
        const qint64 elapsed = record.started.elapsed();
        const QVariant length = it.key()->header(QNetworkRequest::ContentLengthHeader);
        const qint64 size = std::max(record.received, length.isValid() ? length.toLongLong() : qint64(0));
        const bool small = size <= m_limits.smallDocumentBytes;
        if (m_limits.smallDocumentDeadlineMs > 0 && small && elapsed > m_limits.smallDocumentDeadlineMs) {
            m_errorText = tr("Download stopped: %1 was not complete after %2 seconds.")
                              .arg(EncodedWithoutPassword(record.url).constData())
                              .arg(m_limits.smallDocumentDeadlineMs / 1000.0);
        } else if (m_limits.minimumAverageRate > 0 && elapsed > m_limits.rateGraceMs &&
                   record.received * 1000 < m_limits.minimumAverageRate * elapsed) {
            m_errorText = tr("Download stopped: %1 arrived at less than %2 bytes per second.")
                              .arg(EncodedWithoutPassword(record.url).constData())
                              .arg(m_limits.minimumAverageRate);
        } else {
            continue;
        }
        record.tooSlow = true;
        record.storeBody = false;
        record.nextUrl.clear();
        late.append(it.key());
    }
    for (QNetworkReply *reply : late)
        reply->abort();
}

void QHttpWithResume::SetTransferLimits(const TransferLimits &limits)
{
    m_limits = limits;
    // Checked often enough for the shortest period in force.
    int period = 1000;
    for (const int ms : {limits.smallDocumentDeadlineMs, limits.rateGraceMs})
        if (ms > 0) period = std::min(period, std::max(10, ms / 10));
    m_transferTimer.setInterval(period);
}

void QHttpWithResume::SetTimeout(int milliseconds)
{
    m_inactivityTimer.setInterval(milliseconds);
}

int QHttpWithResume::Timeout() const
{
    return m_inactivityTimer.interval();
}

void QHttpWithResume::HandleRedirects(bool follow)
{
    m_redirectLimit = follow ? kDefaultRedirectLimit : 0;
}

int QHttpWithResume::GetErrorCode() const
{
    return m_errorText.isEmpty() ? 0 : 99;
}

QString QHttpWithResume::GetErrorString() const
{
    return m_errorText;
}

void QHttpWithResume::SetErrorString(const QString &text)
{
    m_errorText = text;
}

void QHttpWithResume::ResetErrorStatus()
{
    m_errorText.clear();
}

double QHttpWithResume::IntervalRate() const
{
    return m_intervalRate;
}

double QHttpWithResume::AverageRate() const
{
    const qint64 elapsed = m_averageClock.elapsed();
    return elapsed > 0 ? m_received * 1000.0 / elapsed : 0.0;
}

void QHttpWithResume::SetInternetAccessBlocked(bool blocked)
{
    m_internetAccessBlocked = blocked;
}

void QHttpWithResume::abort()
{
    emit abortDownloads();
}

void QHttpWithResume::resetAverageCounter()
{
    m_averageClock.restart();
    m_received = 0;
}

void QHttpWithResume::resetIntervalCounter()
{
    const qint64 elapsed = m_intervalClock.restart();
    if (elapsed > 0) m_intervalRate = (m_received - m_intervalStart) * 1000.0 / elapsed;
    m_intervalStart = m_received;
    m_intervalReceived = 0;
}

void QHttpWithResume::httpRequestStarted()
{
    m_inactivityTimer.start();
    resetAverageCounter();
    m_intervalStart = 0;
    resetIntervalCounter();
}

void QHttpWithResume::onTimeout()
{
    abort();
}

void QHttpWithResume::onSslErrors(const QList<QSslError> &errors)
{
    if (!errors.isEmpty()) m_errorText = errors.first().errorString();
}

void QHttpWithResume::OnProxyAuthenticationRequired(const QNetworkProxy &proxy, QAuthenticator *authenticator)
{
    m_inactivityTimer.stop();
    emit ProxyAuthenticationRequired(proxy, authenticator);
    m_inactivityTimer.start();
}

void QHttpWithResume::OnAuthenticationRequired(QNetworkReply *reply, QAuthenticator *authenticator)
{
    if (!m_requests.contains(reply)) return; // another user of a shared manager
    m_inactivityTimer.stop();
    emit AuthenticationRequired(reply->url().host(), static_cast<quint16>(reply->url().port(-1)), authenticator);
    m_inactivityTimer.start();
}

} // namespace QtDownloader
