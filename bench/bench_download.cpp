// Download throughput: a 1 GiB file from a private nginx on 127.0.0.1, fetched into a file by the
// program's downloader (QtDownloader::QtDownloader, the path every gallery download takes) and by the
// curl command-line tool, in the same run: 7 rounds, one download of each per round, the order swapped
// from round to round. curl's figure is its own transfer time (-w %{time_total}, without its process
// start); the downloader's is the time of Download() in this process, whose first round is printed apart
// (its network stack and buffers are cold then). Every downloaded file must have the size and the MD5
// of the source (1 GiB of pseudo-random bytes, each MiB stamped with its number) or no figure counts.
// `--profile N` runs N downloads with the downloader alone, for a profiler.
#include "../tests/common/NginxServer.h"

#include "net/QtDownloader.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace
{

constexpr qint64 kFileSize = qint64(1) << 30;
constexpr int kRounds = 7;

double MiBps(double seconds)
{
    return static_cast<double>(kFileSize) / (1024.0 * 1024.0) / seconds;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

QByteArray Md5(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() != kFileSize) return {};
    QCryptographicHash hash(QCryptographicHash::Md5);
    if (!hash.addData(&file)) return {};
    return hash.result().toHex();
}

std::string LoadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly)) return "?";
    const QList<QByteArray> parts = file.readAll().split(' ');
    return parts.size() >= 3 ? (parts[0] + ' ' + parts[1] + ' ' + parts[2]).toStdString() : "?";
}

bool MakeSource(const QString &path)
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly)) return false;
    std::mt19937_64 random(17);
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (int i = 0; i < block.size(); i += 8) {
        const quint64 x = random();
        std::memcpy(block.data() + i, &x, 8);
    }
    for (qint64 mib = 0; mib < kFileSize >> 20; ++mib) {
        std::memcpy(block.data(), &mib, sizeof mib);
        if (out.write(block) != block.size()) return false;
    }
    return out.flush();
}

// Seconds of one download with the program's downloader, or -1.
double Downloader(const QUrl &url, const QString &target)
{
    QtDownloader::QtDownloader downloader;
    QElapsedTimer clock;
    clock.start();
    const HRESULT hr = downloader.Download(url, target, nullptr);
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    return FAILED(hr) ? -1 : seconds;
}

// curl's own transfer seconds, or -1; *wall receives the time with its process start.
double Curl(const QString &curl, const QUrl &url, const QString &target, double *wall)
{
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(curl, {QStringLiteral("-s"), QStringLiteral("-o"), target, QStringLiteral("-w"),
                         QStringLiteral("%{time_total}"), url.toString()});
    const bool done = process.waitForFinished(600000) && process.exitCode() == 0;
    *wall = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    if (!done) return -1;
    bool ok = false;
    const double seconds = QString::fromLatin1(process.readAllStandardOutput()).trimmed().toDouble(&ok);
    return ok && seconds > 0 ? seconds : -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (NginxServer::Binary().isEmpty()) {
        std::fprintf(stderr, "nginx is not installed\n");
        return 1;
    }
    const QString curl = QStandardPaths::findExecutable(QStringLiteral("curl"));
    if (curl.isEmpty()) {
        std::fprintf(stderr, "curl is not installed\n");
        return 1;
    }
    QTemporaryDir work;
    if (!work.isValid()) return 1;
    const QString root = work.filePath(QStringLiteral("www"));
    QDir().mkpath(root);
    QDir().mkpath(work.filePath(QStringLiteral("nginx")));
    const QString source = root + QStringLiteral("/big.bin");
    if (!MakeSource(source)) {
        std::fprintf(stderr, "cannot make the source file\n");
        return 1;
    }
    NginxServer nginx;
    QString error;
    if (!nginx.Start(root, work.filePath(QStringLiteral("nginx")), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QUrl url = nginx.url(QStringLiteral("/big.bin"));
    const QString ours = work.filePath(QStringLiteral("downloader.bin"));
    const QString theirs = work.filePath(QStringLiteral("curl.bin"));

    // --profile N: N downloads with the downloader alone, no curl and no hashing, for a profiler.
    if (argc == 3 && std::strcmp(argv[1], "--profile") == 0) {
        std::printf("source ready\n");
        std::fflush(stdout);
        for (int i = 0; i < std::atoi(argv[2]); ++i) {
            const double seconds = Downloader(url, ours);
            std::printf("%.0f MiB/s\n", seconds > 0 ? MiBps(seconds) : 0.0);
            QFile::remove(ours);
            QFile::remove(ours + QStringLiteral(".st"));
        }
        nginx.Stop();
        return 0;
    }

    const QByteArray sourceHash = Md5(source);
    std::vector<double> downloader, curlTimes, curlWall;
    bool sameWork = true;
    std::printf("1 GiB over 127.0.0.1 into a file (source MD5 %s)\n", sourceHash.constData());
    std::printf("round  first         QtDownloader MiB/s   curl MiB/s (with process start)   load\n");
    for (int round = 1; round <= kRounds; ++round) {
        double d = -1, c = -1, wall = 0;
        const bool downloaderFirst = round % 2 == 1;
        for (int side = 0; side < 2; ++side) {
            if ((side == 0) == downloaderFirst) {
                d = Downloader(url, ours);
                if (Md5(ours) != sourceHash) d = -1;
                QFile::remove(ours);
                QFile::remove(ours + QStringLiteral(".st"));
            } else {
                c = Curl(curl, url, theirs, &wall);
                if (Md5(theirs) != sourceHash) c = -1;
                QFile::remove(theirs);
            }
        }
        if (d < 0 || c < 0) {
            sameWork = false;
            std::printf("%5d  a download failed or its content differs from the source (downloader %s, curl %s)\n",
                        round, d < 0 ? "bad" : "ok", c < 0 ? "bad" : "ok");
            continue;
        }
        downloader.push_back(d);
        curlTimes.push_back(c);
        curlWall.push_back(wall);
        std::printf("%5d  %-12s %12.0f %18.0f (%.0f)   %s\n", round, downloaderFirst ? "downloader" : "curl", MiBps(d),
                    MiBps(c), MiBps(wall), LoadAverage().c_str());
        std::fflush(stdout);
    }
    nginx.Stop();
    if (!sameWork || downloader.empty()) {
        std::printf("not every download delivered the source's bytes: no ratio\n");
        return 1;
    }
    auto rates = [](const std::vector<double> &seconds) {
        std::vector<double> r;
        for (double s : seconds)
            r.push_back(MiBps(s));
        return r;
    };
    const std::vector<double> dr = rates(downloader), cr = rates(curlTimes), cw = rates(curlWall);
    std::vector<double> warm(dr.begin() + 1, dr.end());
    std::printf("\nall downloads had the source's size and MD5\n");
    std::printf("                         median   range\n");
    std::printf("  QtDownloader (all)   %8.0f   %.0f-%.0f\n", Median(dr), *std::min_element(dr.begin(), dr.end()),
                *std::max_element(dr.begin(), dr.end()));
    std::printf("  QtDownloader (2..%d)  %8.0f   first round %.0f\n", kRounds, Median(warm), dr[0]);
    std::printf("  curl time_total      %8.0f   %.0f-%.0f\n", Median(cr), *std::min_element(cr.begin(), cr.end()),
                *std::max_element(cr.begin(), cr.end()));
    std::printf("  curl with start      %8.0f   %.0f-%.0f\n", Median(cw), *std::min_element(cw.begin(), cw.end()),
                *std::max_element(cw.begin(), cw.end()));
    std::vector<double> pairs;
    for (size_t i = 0; i < dr.size(); ++i)
        pairs.push_back(dr[i] / cr[i]);
    std::printf("  downloader / curl: ratio of medians %.2f, median of the per-round ratios %.2f (range %.2f-%.2f);"
                " target >= 0.95\n",
                Median(dr) / Median(cr), Median(pairs), *std::min_element(pairs.begin(), pairs.end()),
                *std::max_element(pairs.begin(), pairs.end()));
    return 0;
}
