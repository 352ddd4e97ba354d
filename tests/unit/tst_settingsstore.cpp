#include "platform/PortNames.h"
#include "settings/SettingsStore.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class SettingsStoreTest : public QObject
{
    Q_OBJECT

    QTemporaryDir folder_;
    int fileCounter_ = 0;

    QString freshStorePath() { return folder_.filePath(QStringLiteral("store%1.conf").arg(++fileCounter_)); }

private slots:
    void freshProfileGetsEveryDefault()
    {
        const QString path = freshStorePath();
        SettingsStore store(path);
        const LoadSettingsResult result = LoadSettings(store, QStringLiteral("/home/someone"));
        QVERIFY(!result.hadUnreadableValue);
        QCOMPARE(result.values.TimeOutTime, 10000);
        // Every default is written, in the form the store keeps.
        QSettings raw(path, QSettings::IniFormat);
        const std::pair<const char*, const char*> written[] = {
            {"sieSliceSize", "10240"},     {"sieDelay", "1500"}, {"sieTimeOut", "10000"},
            {"sieDisplayCharge", "False"}, {"sieCOMPort", "4"},  {"sysLastFolder", "/home/someone"},
            {"sysLanguage", "english.lng"}};
        for (const auto& [key, value] : written)
            QCOMPARE(raw.value(QStringLiteral("Settings/") + QLatin1String(key)).toString(),
                     QLatin1String(value));
    }

    // A store that is a pipe (which would block the start for ever), a device
    // or far beyond any sane size is not read: defaults, said, and kept in memory.
    void unreadableStoreFilesAreRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("pipe") << QStringLiteral("pipe");
        QTest::newRow("device") << QStringLiteral("device");
        QTest::newRow("huge") << QStringLiteral("huge");
        QTest::newRow("serialised value") << QStringLiteral("variant");
    }

    void unreadableStoreFilesAreRefused()
    {
        QFETCH(QString, kind);
        QString path = freshStorePath();
        if (kind == QLatin1String("pipe"))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == QLatin1String("device"))
            path = QStringLiteral("/dev/zero");
        else if (kind == QLatin1String("huge"))
            QVERIFY(QFile(path).open(QIODevice::WriteOnly) && QFile(path).resize(2 * 1024 * 1024));
        else {
            // A list of 838 860 805 texts, as far as the decoder believes.
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[Settings]\nsieDelay=@Variant(\\0\\0\\0\\v2\\0\\0\\x5\\xdc)\n");
        }
        SettingsStore store(path);
        QCOMPARE(store.refusedFile(), path);
        const LoadSettingsResult result = LoadSettings(store, QStringLiteral("/"));
        QVERIFY(result.hadUnreadableValue);
        QCOMPARE(result.values.SliceSize, 10240);
        store.write(QStringLiteral("sieDelay"), QStringLiteral("99"));
        QCOMPARE(store.read(QStringLiteral("sieDelay")), QStringLiteral("99"));
        QVERIFY(QFileInfo(path).size() < 1024 || kind == QLatin1String("huge"));
        QVERIFY(kind != QLatin1String("variant") || QFile(path).size() < 100);
    }

    void unusableNumbersFallBackToDefaults_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        for (const auto& [row, key, text] :
             {std::tuple{"time-out above 32767", "sieTimeOut", "40000"}, {"time-out zero", "sieTimeOut", "0"},
              {"delay negative", "sieDelay", "-5"}, {"slice not a number", "sieSliceSize", "big"},
              {"slice zero", "sieSliceSize", "0"}, {"port zero", "sieCOMPort", "0"},
              {"empty delay: no complaint, its default written", "sieDelay", ""}})
            QTest::newRow(row) << QString(key) << QString(text);
    }

    void unusableNumbersFallBackToDefaults()
    {
        QFETCH(QString, key);
        QFETCH(QString, text);
        const QString path = freshStorePath();
        {
            QSettings raw(path, QSettings::IniFormat);
            raw.setValue("Settings/" + key, text);
            raw.setValue("Settings/sysLanguage", QStringLiteral("german.lng"));
            raw.setValue("Settings/sieDisplayCharge", QStringLiteral("True"));
        }
        SettingsStore store(path);
        const LoadSettingsResult result = LoadSettings(store, QStringLiteral("/"));
        QCOMPARE(result.unreadableKeys, text.isEmpty() ? QStringList() : QStringList{key});
        QCOMPARE(result.hadUnreadableValue, !text.isEmpty());
        const Settings defaults;
        QCOMPARE(result.values.SliceSize, defaults.SliceSize);
        QCOMPARE(result.values.DelayTime, defaults.DelayTime);
        QCOMPARE(result.values.TimeOutTime, defaults.TimeOutTime);
        QCOMPARE(result.values.COMPort, defaults.COMPort);
        // Values after the unreadable one are still read.
        QCOMPARE(result.values.LanguageFile, QStringLiteral("german.lng"));
        QCOMPARE(result.values.DisplayCharge, QStringLiteral("True"));
        // The user's own text stays in the store; an empty one gets the default.
        QCOMPARE(store.read(key), text.isEmpty() ? QString::number(defaults.DelayTime) : text);
    }

    void lowerCaseTrueShowsPictureButNotCharge()
    {
        Settings settings;
        settings.DisplayCharge = QStringLiteral("true");
        QVERIFY(settings.chargeDisplayAsBoolean());
        QVERIFY(!settings.chargeDisplayOn());
        settings.DisplayCharge = QStringLiteral("True");
        QVERIFY(settings.chargeDisplayAsBoolean());
        QVERIFY(settings.chargeDisplayOn());
    }

    void portNumbersResolveToDevices()
    {
        const QString path = freshStorePath();
        SettingsStore store(path);
        store.writePortDevice(3, QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(resolvePortDevice(store.readPortDevice(3), 3), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(resolvePortDevice(store.readPortDevice(4), 4), defaultPortDevice(4));
    }

    void portEntriesNameWhatTheyOpen_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("entry");
        for (const auto& [row, device, entry] :
             {std::tuple{"not detected", "/dev/ttyS3", "COM4: /dev/ttyS3"},
              {"description and maker", "/dev/ttyUSB0", "COM4: /dev/ttyUSB0, USB-Serial Controller, Prolific"},
              {"maker says the same", "/dev/ttyACM0", "COM4: /dev/ttyACM0, Phone"},
              {"nothing said", "/dev/rfcomm0", "COM4: /dev/rfcomm0"},
              {"through a link", "LINK", "COM4: LINK, USB-Serial Controller, Prolific"},
              {"Windows name", "COM4", "COM4"}})
            QTest::newRow(row) << QString(device) << QString(entry);
    }

    void portEntriesNameWhatTheyOpen()
    {
        QFETCH(QString, device);
        QFETCH(QString, entry);
        // A stable name such as /dev/serial/by-id/... is a link to the detected device.
        QTemporaryDir folder;
        const QString target = folder.filePath(QStringLiteral("ttyUSB0"));
        const QString link = folder.filePath(QStringLiteral("by-id-cable"));
        QFile(target).open(QIODevice::WriteOnly);
        QFile::link(target, link);
        device.replace(QStringLiteral("LINK"), link);
        entry.replace(QStringLiteral("LINK"), link);
        const QList<DetectedPort> detected{
            {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("USB-Serial Controller"),
             QStringLiteral("Prolific")},
            {target, QStringLiteral("USB-Serial Controller"), QStringLiteral("Prolific")},
            {QStringLiteral("/dev/ttyACM0"), QStringLiteral("Phone"), QStringLiteral("Phone")},
            {QStringLiteral("/dev/rfcomm0"), QString(), QString()}};
        QCOMPARE(portEntryText(4, device, detected), entry);
    }
};

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "tst_settingsstore.moc"
