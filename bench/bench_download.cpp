// Download throughput: a 1 GiB file from a private nginx on 127.0.0.1, fetched into a file by the
// program's downloader (QtDownloader::QtDownloader, the path every gallery download takes) and by the
// curl command-line tool, in the same run. The source is a sparse file made on the spot and removed at
// the end. The two alternate, one download each per round, so that both see the same load of the shared
// machine; the program ends with the median and best throughput of each and their ratios.
#include "../tests/common/NginxServer.h"

#include "net/QtDownloader.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

constexpr qint64 kFileSize = qint64(1) << 30;
constexpr int kRounds = 5;

struct Run {
    QUrl url;
    QString target;
    std::vector<double> mibps;

    double Best() const { return mibps.empty() ? 0 : *std::max_element(mibps.begin(), mibps.end()); }
    double Median() const
    {
        if (mibps.empty()) return 0;
        std::vector<double> sorted = mibps;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
};

Run g_downloader;
Run g_curl;

void Record(benchmark::State &state, Run &run, qint64 elapsedNs)
{
    state.SetIterationTime(static_cast<double>(elapsedNs) / 1e9);
    const double mibps = static_cast<double>(kFileSize) / (1024.0 * 1024.0) / (static_cast<double>(elapsedNs) / 1e9);
    run.mibps.push_back(mibps);
}

bool TargetComplete(const QString &path)
{
    return QFileInfo(path).size() == kFileSize;
}

void BM_Downloader(benchmark::State &state)
{
    for (auto _ : state) {
        QtDownloader::QtDownloader downloader;
        QElapsedTimer clock;
        clock.start();
        const HRESULT hr = downloader.Download(g_downloader.url, g_downloader.target, nullptr);
        const qint64 elapsed = clock.nsecsElapsed();
        if (FAILED(hr) || !TargetComplete(g_downloader.target)) {
            state.SkipWithError("download failed");
            break;
        }
        Record(state, g_downloader, elapsed);
        QFile::remove(g_downloader.target);
        QFile::remove(g_downloader.target + ".st");
    }
    state.SetBytesProcessed(state.iterations() * kFileSize);
}

void BM_Curl(benchmark::State &state)
{
    const QString curl = QStandardPaths::findExecutable(QStringLiteral("curl"));
    if (curl.isEmpty()) {
        state.SkipWithError("curl is not installed");
        return;
    }
    for (auto _ : state) {
        QProcess process;
        QElapsedTimer clock;
        clock.start();
        process.start(curl, {QStringLiteral("-s"), QStringLiteral("-o"), g_curl.target, g_curl.url.toString()});
        const bool done = process.waitForFinished(600000) && process.exitCode() == 0;
        const qint64 elapsed = clock.nsecsElapsed();
        if (!done || !TargetComplete(g_curl.target)) {
            state.SkipWithError("curl failed");
            break;
        }
        Record(state, g_curl, elapsed);
        QFile::remove(g_curl.target);
    }
    state.SetBytesProcessed(state.iterations() * kFileSize);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    if (NginxServer::Binary().isEmpty()) {
        std::fprintf(stderr, "nginx is not installed\n");
        return 1;
    }
    QTemporaryDir work;
    if (!work.isValid()) return 1;
    const QString root = work.filePath(QStringLiteral("www"));
    QDir().mkpath(root);
    QDir().mkpath(work.filePath(QStringLiteral("nginx")));
    {
        QFile source(root + QStringLiteral("/big.bin"));
        if (!source.open(QIODevice::WriteOnly) || !source.resize(kFileSize)) {
            std::fprintf(stderr, "cannot make the source file\n");
            return 1;
        }
    }
    NginxServer nginx;
    QString error;
    if (!nginx.Start(root, work.filePath(QStringLiteral("nginx")), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    g_downloader = {nginx.url(QStringLiteral("/big.bin")), work.filePath(QStringLiteral("downloader.bin")), {}};
    g_curl = {nginx.url(QStringLiteral("/big.bin")), work.filePath(QStringLiteral("curl.bin")), {}};

    for (int round = 1; round <= kRounds; ++round) {
        const std::string suffix = "/round:" + std::to_string(round);
        benchmark::RegisterBenchmark(("download_1GiB/QtDownloader" + suffix).c_str(), BM_Downloader)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("download_1GiB/curl" + suffix).c_str(), BM_Curl)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    nginx.Stop();
    std::printf("\n1 GiB over 127.0.0.1 into a file, %d rounds (MiB/s):\n", kRounds);
    std::printf("                 median     best\n");
    std::printf("  QtDownloader %8.0f %8.0f\n", g_downloader.Median(), g_downloader.Best());
    std::printf("  curl         %8.0f %8.0f\n", g_curl.Median(), g_curl.Best());
    if (g_curl.Median() > 0 && g_curl.Best() > 0)
        std::printf("  ratio        %8.2f %8.2f   (target >= 0.90)\n", g_downloader.Median() / g_curl.Median(),
                    g_downloader.Best() / g_curl.Best());
    return 0;
}
