// Transfers and a large listing over the simulated phone paced at 115200 baud.
// For each: the wall time, the line's own time for the same bytes both ways,
// their ratio, the CPU used as a share of the wall time and the growth of the
// peak memory. Uploads also show their goal: the line time plus the pauses the
// phone needs between slices, overlapped with the slices' data. Prints figures;
// never fails on speed.
//   bench_transfer [--runs N] [--only transfers|listing|memory]
// (wall times: min/median of N runs, default 1; the rest: median)
#include "phone/NameCodec.h"
#include "support/LinkFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr double kBaud = 115200;
constexpr double kSecondsPerByte = 10.0 / kBaud; // 8N1
constexpr qint64 kSliceSize = 10240;

struct Figures
{
    double wall = 0, line = 0, goal = 0, cpuShare = 0, peakGrowthMiB = 0;
};

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

qint64 statusKiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

void resetPeakMemory()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

Figures measure(const std::function<bool()>& work)
{
    resetPeakMemory();
    const qint64 before = statusKiB("VmRSS:");
    const double cpu = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    if (!work()) {
        std::fprintf(stderr, "a transfer failed\n");
        std::exit(1);
    }
    Figures figures;
    figures.wall = clock.nsecsElapsed() / 1e9;
    figures.cpuShare = 100.0 * (cpuSeconds() - cpu) / figures.wall;
    figures.peakGrowthMiB = (statusKiB("VmHWM:") - before) / 1024.0;
    return figures;
}

qint64 downloadLineBytes(qint64 size, const QString& folder, const QString& name)
{
    const qint64 command =
        QStringLiteral("AT+QFRF=%1,0,%2,1\r\n").arg(EncodeName(folder), EncodeName(name)).size();
    const qint64 answer = 2 + QByteArray("+QFRF: ").size() + QByteArray::number(size).size() + 2 + size + 8;
    return command + answer;
}

// The line time of an upload, and its goal: each slice but the last takes at
// least the pause, which runs alongside its data.
void uploadTimes(qint64 size, int delayMs, const QString& folder, const QString& name, double& line,
                 double& goal)
{
    line = goal = 0;
    for (qint64 offset = 0; offset < qMax<qint64>(size, 1); offset += kSliceSize) {
        const qint64 length = qMin(kSliceSize, size - offset);
        const qint64 command = QStringLiteral("AT+QFWF=%1,0,%2,1,%3,1,%4\r\n")
                                   .arg(EncodeName(folder), EncodeName(name))
                                   .arg(length)
                                   .arg(offset)
                                   .size();
        const double handshake = (command + 4) * kSecondsPerByte; // the command and "\r\n> "
        const double data = (length + qMin<qint64>(2, length) + 6) * kSecondsPerByte; // and "\r\nOK\r\n"
        line += handshake + data;
        const bool last = offset + kSliceSize >= size;
        goal += handshake + (last ? data : qMax(data, delayMs / 1000.0));
    }
}

QByteArray patterned(qint64 size)
{
    QByteArray content(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        content[i] = static_cast<char>(i * 7 + i / 251);
    return content;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void report(const char* what, qint64 size, const std::vector<Figures>& runs)
{
    std::vector<double> walls, cpus, peaks;
    for (const Figures& run : runs) {
        walls.push_back(run.wall);
        cpus.push_back(run.cpuShare);
        peaks.push_back(run.peakGrowthMiB);
    }
    const Figures& first = runs.front();
    const double minWall = *std::min_element(walls.begin(), walls.end());
    std::printf("%-22s %9lld B  wall %8.3f/%8.3f s  line %8.3f s  ratio %5.2f/%5.2f", what,
                static_cast<long long>(size), minWall, median(walls), first.line, minWall / first.line,
                median(walls) / first.line);
    if (first.goal > 0)
        std::printf("  goal %8.3f s (x%4.2f)", first.goal, median(walls) / first.goal);
    std::printf("  cpu %5.2f %%  peak +%6.2f MiB\n", median(cpus), median(peaks));
    std::fflush(stdout);
}

PhoneLink::Timing timingWithDelay(int delayMs)
{
    PhoneLink::Timing timing;
    timing.DelayTime = delayMs;
    timing.SliceSize = static_cast<int>(kSliceSize);
    return timing;
}

void transfers(LinkFixture& fixture, int runs)
{
    for (const int delay : {100, 1500}) {
        fixture.link->setTiming(timingWithDelay(delay));
        for (const qint64 size : {1024, 16 * 1024, 256 * 1024}) {
            const QByteArray content = patterned(size);
            const QString name = QStringLiteral("bench%1.bin").arg(size);
            fixture.phone.putFile(QStringLiteral("ml/") + name, content);
            QTemporaryDir destination;
            UploadItem item{destination.filePath(name), QStringLiteral("/ml"), QStringLiteral("up") + name,
                            size};
            std::vector<Figures> downloads, uploads;
            for (int run = 0; run < runs; ++run) {
                // Each measurement starts after the phone's pause from the one before.
                fixture.link->waitOutPause();
                Figures down = measure([&] {
                    return fixture.link->ReadFile(QStringLiteral("/ml"), name, destination.path()) ==
                           Outcome::Done;
                });
                down.line = downloadLineBytes(size, QStringLiteral("/ml"), name) * kSecondsPerByte;
                downloads.push_back(down);
                fixture.link->waitOutPause();
                Figures up = measure([&] { return fixture.link->SendFile(item) == Outcome::Done; });
                uploadTimes(size, delay, item.PhoneFolder, item.FileName, up.line, up.goal);
                uploads.push_back(up);
                if (fixture.phone.fileContent(QStringLiteral("ml/") + item.FileName) != content) {
                    std::fprintf(stderr, "upload of %lld bytes arrived wrong\n",
                                 static_cast<long long>(size));
                    std::exit(1);
                }
            }
            const QByteArray label = QByteArray::number(delay) + " ms";
            report(("download, " + label).constData(), size, downloads);
            report(("upload, " + label).constData(), size, uploads);
        }
    }
}

void listing(LinkFixture& fixture, int runs)
{
    constexpr int kEntries = 10000;
    for (int i = 0; i < kEntries; ++i)
        fixture.phone.putFile(QStringLiteral("big/f%1.txt").arg(i, 5, 10, QLatin1Char('0')), "x");
    fixture.link->setTiming(timingWithDelay(100));
    std::vector<Figures> listings;
    qint64 answerBytes = 0;
    for (int run = 0; run < runs; ++run) {
        fixture.link->waitOutPause();
        Figures figures = measure([&] {
            const ListingResult result = fixture.link->ListFolder(QStringLiteral("/big/"));
            answerBytes = fixture.link->lastAnswer().size();
            return result.outcome == Outcome::Done && result.entries.size() == kEntries;
        });
        const qint64 command =
            QStringLiteral("AT+QFSL=%1,0\r\n").arg(EncodeName(QStringLiteral("/big/"))).size();
        figures.line = (command + answerBytes) * kSecondsPerByte;
        listings.push_back(figures);
    }
    report("listing, 10000 entries", answerBytes, listings);
}

// Memory only: a 16 MiB file unpaced, which would take 24 minutes at the line's rate.
void largeDownload()
{
    LinkFixture fixture;
    constexpr qint64 kSize = 16LL * 1024 * 1024;
    fixture.phone.putFile(QStringLiteral("large.bin"), patterned(kSize));
    if (!fixture.connect())
        std::exit(1);
    QTemporaryDir destination;
    Figures figures = measure([&] {
        return fixture.link->ReadFile(QString(), QStringLiteral("large.bin"), destination.path()) ==
               Outcome::Done;
    });
    figures.line = downloadLineBytes(kSize, QString(), QStringLiteral("large.bin")) * kSecondsPerByte;
    report("download, unpaced", kSize, {figures});
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    int runs = 1;
    QByteArray only;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (QByteArray(argv[i]) == "--runs")
            runs = qMax(1, QByteArray(argv[i + 1]).toInt());
        else if (QByteArray(argv[i]) == "--only")
            only = argv[i + 1];
    }
    if (only == "memory") {
        largeDownload();
        return 0;
    }

    LinkFixture fixture({QStringLiteral("--baud"), QStringLiteral("115200")}, 10000);
    QDir().mkpath(fixture.phone.root() + QStringLiteral("/ml"));
    if (!fixture.connect()) {
        std::fprintf(stderr, "the simulated phone did not start\n");
        return 1;
    }
    std::printf("115200 baud, slice %lld B; wall and ratio: min/median of %d run(s); cpu: of wall; peak: "
                "growth of the peak resident memory\n",
                static_cast<long long>(kSliceSize), runs);
    if (only.isEmpty() || only == "transfers")
        transfers(fixture, runs);
    if (only.isEmpty() || only == "listing")
        listing(fixture, runs);
    if (only.isEmpty())
        largeDownload();
    return 0;
}
