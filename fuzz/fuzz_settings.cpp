// The settings file as a user or a crash may leave it: any bytes. Whatever it
// holds, the program must run with usable values.
#include "Pieces.h"
#include "platform/PortNames.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <limits>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // In memory where there is a RAM file system: the store syncs every file it writes.
    static QTemporaryDir folder(QDir(QStringLiteral("/dev/shm")).exists()
                                    ? QStringLiteral("/dev/shm/vantrel-fuzz-XXXXXX")
                                    : QDir::tempPath() + QStringLiteral("/vantrel-fuzz-XXXXXX"));
    static int run = 0;
    // A new name each run: the store caches files by name.
    const QString path = folder.filePath(QStringLiteral("Vantrel-%1.conf").arg(++run));
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    {
        SettingsStore store(path);
        const LoadSettingsResult loaded = LoadSettings(store, QStringLiteral("/home"));
        for (int value : {loaded.values.SliceSize, loaded.values.DelayTime, loaded.values.TimeOutTime,
                          loaded.values.COMPort})
            FUZZ_CHECK(value >= 1 && value <= std::numeric_limits<qint16>::max());
        (void)loaded.values.chargeDisplayAsBoolean();
        const int port = loaded.values.COMPort;
        (void)resolvePortDevice(store.readPortDevice(port), port);
    }
    QFile::remove(path);
    return 0;
}
