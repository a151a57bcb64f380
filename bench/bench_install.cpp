// bench_install: the installation engine on a large local gallery source, against the floor of plain
// extraction with the unzip tool, and the cost of reading the gallery state against a destination with
// many installed galleries. Sources come from tools/make_gallery_source; bench/bench_install.sh makes
// them, runs this program in fresh processes and removes the data afterwards.
//
//   bench_install install <source folder> <work folder> [rounds]
//       Each round installs every category of the source into an empty destination with
//       CGalleryInstallation (Open, then Run with every item marked for install) and extracts every
//       ".gallery" package of the source with "unzip -q -o" into an empty folder, the order of the two
//       alternating from round to round. Both sides must leave the same item files (count and bytes)
//       before a ratio is printed. Round 1 is the cold one (fresh process); later rounds are warm.
//   bench_install open <source folder> <work folder> <installed,installed,...> [rounds]
//       Installs the first N categories of the source into one destination per N (once, untimed; kept
//       in the work folder), then times CGalleryInstallation::Open with refresh on each destination,
//       the destinations in alternating order, and prints the time per installed record.
#include "install/GalleryInstallation.h"
#include "install/GalleryInstallationItem.h"
#include "support/DirectoryManipulator.h"

#include <QCoreApplication>
#include <QProcess>
#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace
{

using Clock = std::chrono::steady_clock;

double Seconds(const std::function<bool()> &work, bool &ok)
{
    const auto start = Clock::now();
    ok = work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Work {
    long long files = 0;
    long long bytes = 0;
    bool operator==(const Work &o) const { return files == o.files && bytes == o.bytes; }
};

// The item files a side left in its folder (top level and below).
Work CountItems(const std::string &folder)
{
    Work work;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it->is_regular_file() && it->path().extension() == ".galleryitem") {
            ++work.files;
            work.bytes += static_cast<long long>(it->file_size());
        }
    }
    return work;
}

void Fresh(const std::string &folder)
{
    fs::remove_all(folder);
    fs::create_directories(folder);
    ::sync(); // earlier writes are on disk before the clock starts, for either side
}

struct Installation {
    CGalleryInstallation *p = nullptr;
    Installation() { CGalleryInstallation::CreateInstance(&p); }
    ~Installation() { CGalleryInstallation::DeleteInstance(&p); }
};

// Opens the destination on the source and installs the first `limit` categories (all when negative).
bool Install(const std::string &source, const std::string &destination, long long limit = -1)
{
    Installation installation;
    if (!installation.p) return false;
    if (FAILED(installation.p->Open(CKeldaDirectoryPath::FromUtf8(destination), Text::FromUtf8(source), true)))
        return false;
    for (size_t i = 0; i < installation.p->GetCount(); ++i)
        installation.p->GetAt(i)->SetAction(limit < 0 || static_cast<long long>(i) < limit
                                                ? eGalleryInstallationActionInstall
                                                : eGalleryInstallationActionNone);
    return installation.p->Run() == S_OK;
}

bool UnzipAll(const std::string &source, const std::string &destination)
{
    std::vector<std::string> packages;
    for (const auto &entry : fs::directory_iterator(source))
        if (entry.path().extension() == ".gallery") packages.push_back(entry.path().string());
    std::sort(packages.begin(), packages.end());
    for (const std::string &package : packages) {
        const int code = QProcess::execute(QStringLiteral("unzip"),
                                           {QStringLiteral("-q"), QStringLiteral("-o"), QString::fromStdString(package),
                                            QStringLiteral("-d"), QString::fromStdString(destination)});
        if (code != 0) return false;
    }
    return true;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void PrintSummary(const char *name, const std::vector<double> &times, double mb)
{
    if (times.empty()) return;
    const auto [lo, hi] = std::minmax_element(times.begin(), times.end());
    std::printf("%-8s warm median %.2f s (range %.2f-%.2f, %zu rounds)  %.0f MB/s\n", name, Median(times), *lo, *hi,
                times.size(), mb / Median(times));
}

int RunInstall(const std::string &source, const std::string &work, int rounds)
{
    const std::string trove = work + "/trove-dest", floor = work + "/unzip-dest";
    std::vector<double> troveWarm, floorWarm;
    double troveCold = 0, floorCold = 0;
    Work expected;
    for (int round = 1; round <= rounds; ++round) {
        const bool troveFirst = round % 2 == 1;
        for (int side = 0; side < 2; ++side) {
            const bool isTrove = (side == 0) == troveFirst;
            const std::string folder = isTrove ? trove : floor;
            Fresh(folder);
            bool ok = false;
            const double s = isTrove ? Seconds([&] { return Install(source, folder); }, ok)
                                     : Seconds([&] { return UnzipAll(source, folder); }, ok);
            const Work done = CountItems(folder);
            std::printf("round %d %-6s %7.2f s  %lld item files, %lld bytes%s\n", round, isTrove ? "trove" : "unzip", s,
                        done.files, done.bytes, ok ? "" : "  FAILED");
            std::fflush(stdout);
            if (!ok) return 1;
            if (expected.files == 0) expected = done;
            if (!(done == expected)) {
                std::printf("the two sides did different work: no ratio\n");
                return 1;
            }
            if (round == 1)
                (isTrove ? troveCold : floorCold) = s;
            else
                (isTrove ? troveWarm : floorWarm).push_back(s);
        }
    }
    fs::remove_all(trove);
    fs::remove_all(floor);
    const double mb = expected.bytes / 1048576.0;
    std::printf("work: %lld item files, %.0f MB (MB = 2^20 bytes)\n", expected.files, mb);
    std::printf("cold (round 1): trove %.2f s, unzip %.2f s, ratio %.2f\n", troveCold, floorCold,
                troveCold / floorCold);
    PrintSummary("trove", troveWarm, mb);
    PrintSummary("unzip", floorWarm, mb);
    if (!troveWarm.empty())
        std::printf("warm ratio trove / unzip: %.2f (target: at most 1.5)\n", Median(troveWarm) / Median(floorWarm));
    return 0;
}

int RunOpen(const std::string &source, const std::string &work, const std::string &list, int rounds)
{
    std::vector<long long> counts;
    for (size_t start = 0; start < list.size();) {
        size_t comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        counts.push_back(std::atoll(list.substr(start, comma - start).c_str()));
        start = comma + 1;
    }
    for (long long n : counts) {
        const std::string destination = work + "/open-" + std::to_string(n);
        if (fs::exists(destination + "/ready")) continue;
        Fresh(destination);
        bool ok = false;
        const double s = Seconds([&] { return Install(source, destination, n); }, ok);
        std::printf("setup: %lld galleries installed in %.1f s%s\n", n, s, ok ? "" : "  FAILED");
        if (!ok) return 1;
        std::fclose(std::fopen((destination + "/ready").c_str(), "w"));
    }
    std::vector<std::vector<double>> times(counts.size());
    for (int round = 1; round <= rounds; ++round) {
        for (size_t k = 0; k < counts.size(); ++k) {
            // Largest first in round 1, so that the first (cold) open in a process is the largest case.
            const size_t i = round % 2 ? counts.size() - 1 - k : k;
            const std::string destination = work + "/open-" + std::to_string(counts[i]);
            Installation installation;
            bool ok = false;
            const double s = Seconds(
                [&] {
                    return installation.p && installation.p->Open(CKeldaDirectoryPath::FromUtf8(destination),
                                                                  Text::FromUtf8(source), true) == S_OK;
                },
                ok);
            long long installed = 0;
            for (size_t j = 0; installation.p && j < installation.p->GetCount(); ++j)
                installed += installation.p->GetAt(j)->GetIsInstalled();
            std::printf("round %d open: %zu categories, %lld installed, %.1f ms%s%s\n", round,
                        installation.p ? installation.p->GetCount() : 0, installed, s * 1000, ok ? "" : "  FAILED",
                        round == 1 && k == 0 ? "  (first in process)" : "");
            if (!ok || installed != counts[i]) return 1;
            if (!(round == 1 && k == 0)) times[i].push_back(s);
        }
    }
    for (size_t i = 0; i < counts.size(); ++i) {
        if (times[i].empty()) continue;
        const auto [lo, hi] = std::minmax_element(times[i].begin(), times[i].end());
        std::printf("open with %4lld installed: median %.1f ms (range %.1f-%.1f), %.3f ms per installed record\n",
                    counts[i], Median(times[i]) * 1000, *lo * 1000, *hi * 1000,
                    counts[i] ? Median(times[i]) * 1000 / counts[i] : 0.0);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "install" && argc >= 4) return RunInstall(argv[2], argv[3], argc > 4 ? std::atoi(argv[4]) : 3);
    if (mode == "open" && argc >= 5) return RunOpen(argv[2], argv[3], argv[4], argc > 5 ? std::atoi(argv[5]) : 5);
    std::fprintf(stderr, "usage: bench_install install <source> <work> [rounds]\n"
                         "       bench_install open <source> <work> <installed,installed,...> [rounds]\n");
    return 2;
}
