// Download and upload over the simulated phone paced at 115200 baud, against
// the protocol's own minimum: the line time of every byte both ways plus the
// pauses the protocol mandates. Prints figures; never fails on speed.
#include "phone/NameCodec.h"
#include "settings/SettingsStore.h"
#include "support/LinkFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr double kBaud = 115200;
constexpr double kSecondsPerByte = 10.0 / kBaud; // 8N1
constexpr double kSilenceEndingADownload = 0.5;

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double downloadMinimum(qint64 size, const QString& folder, const QString& name, int delayMs)
{
    const qint64 command =
        QStringLiteral("AT+QFRF=%1,0,%2,1\r\n").arg(EncodeName(folder), EncodeName(name)).size();
    const qint64 answer = 2 + QByteArray("+QFRF: ").size() + QByteArray::number(size).size() + 2 + size + 8;
    return (command + answer) * kSecondsPerByte + kSilenceEndingADownload + delayMs / 1000.0;
}

double uploadMinimum(qint64 size, qint64 slice, const QString& folder, const QString& name, int delayMs)
{
    double seconds = 0;
    for (qint64 offset = 0; offset < size; offset += slice) {
        const qint64 length = qMin(slice, size - offset);
        const qint64 command = QStringLiteral("AT+QFWF=%1,0,%2,1,%3,1,%4\r\n")
                                   .arg(EncodeName(folder), EncodeName(name))
                                   .arg(length)
                                   .arg(offset)
                                   .size();
        const qint64 prompt = 4;
        const qint64 data = length + qMin<qint64>(2, length);
        const qint64 confirmation = QByteArray("\r\nOK\r\n").size();
        seconds += (command + prompt + data + confirmation) * kSecondsPerByte + delayMs / 1000.0;
    }
    return seconds;
}

void report(const char* what, qint64 size, double wall, double minimum, double cpu)
{
    std::printf("%-9s %7lld B  wall %7.3f s  minimum %7.3f s  ratio %5.3f  cpu %5.2f %% of wall\n", what,
                static_cast<long long>(size), wall, minimum, wall / minimum, 100.0 * cpu / wall);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir storeFolder;
    SettingsStore store(storeFolder.filePath(QStringLiteral("Vantrel.conf")));
    store.write(QStringLiteral("sieDelay"), QStringLiteral("100"));
    const Settings settings = LoadSettings(store, QDir::homePath()).values;

    LinkFixture fixture({QStringLiteral("--baud"), QStringLiteral("115200")});
    fixture.link->setTiming(PhoneLink::Timing::from(settings));
    QDir().mkpath(fixture.phone.root() + QStringLiteral("/ml"));
    if (!fixture.connect()) {
        std::fprintf(stderr, "the simulated phone did not start\n");
        return 1;
    }
    std::printf("115200 baud, slice %d B, delay %d ms\n", settings.SliceSize, settings.DelayTime);

    for (const qint64 size : {16 * 1024, 256 * 1024}) {
        QByteArray content(size, Qt::Uninitialized);
        for (qint64 i = 0; i < size; ++i)
            content[i] = static_cast<char>(i * 7);
        const QString name = QStringLiteral("bench%1.bin").arg(size);
        fixture.phone.putFile(QStringLiteral("ml/") + name, content);
        QTemporaryDir destination;

        QElapsedTimer clock;
        double cpu = cpuSeconds();
        clock.start();
        const Outcome read = fixture.link->ReadFile(QStringLiteral("/ml"), name, destination.path());
        report("download", size, clock.nsecsElapsed() / 1e9,
               downloadMinimum(size, QStringLiteral("/ml"), name, settings.DelayTime), cpuSeconds() - cpu);

        UploadItem item;
        item.LocalPath = destination.filePath(name);
        item.PhoneFolder = QStringLiteral("/ml");
        item.FileName = QStringLiteral("up") + name;
        item.FileSize = size;
        cpu = cpuSeconds();
        clock.restart();
        const Outcome sent = fixture.link->SendFile(item);
        report("upload", size, clock.nsecsElapsed() / 1e9,
               uploadMinimum(size, settings.SliceSize, item.PhoneFolder, item.FileName, settings.DelayTime),
               cpuSeconds() - cpu);
        if (read != Outcome::Done || sent != Outcome::Done ||
            fixture.phone.fileContent(QStringLiteral("ml/") + item.FileName) != content) {
            std::fprintf(stderr, "transfer of %lld bytes failed\n", static_cast<long long>(size));
            return 1;
        }
    }
    return 0;
}
