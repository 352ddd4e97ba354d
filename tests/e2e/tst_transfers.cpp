#include "support/LinkFixture.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {

QByteArray everyByteValue()
{
    QByteArray bytes;
    for (int value = 0; value < 256; ++value)
        bytes += static_cast<char>(value);
    return bytes;
}

QByteArray patterned(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 256) & 0xFF);
    return bytes;
}

QByteArray readLocal(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeLocal(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

UploadItem uploadOf(const QString& localPath, const QString& phoneFolder)
{
    UploadItem item;
    item.LocalPath = localPath;
    item.PhoneFolder = phoneFolder;
    item.FileName = QFileInfo(localPath).fileName();
    item.FileSize = QFileInfo(localPath).size();
    return item;
}

// The declared lengths and offsets of the phone's write commands.
QList<QPair<int, int>> slicesWritten(const QStringList& commands)
{
    QList<QPair<int, int>> slices;
    const QRegularExpression write(
        QStringLiteral("^AT\\+QFWF=\"[0-9A-F]*\",0,\"[0-9A-F]*\",1,(\\d+),1,(\\d+)$"));
    for (const QString& command : commands) {
        const auto match = write.match(command);
        if (match.hasMatch())
            slices << qMakePair(match.captured(1).toInt(), match.captured(2).toInt());
    }
    return slices;
}

} // namespace

class TransfersTest : public QObject
{
    Q_OBJECT
private slots:
    void roundTripKeepsEveryByte_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("name");
        QTest::newRow("all 256 byte values") << everyByteValue() << QStringLiteral("bytes.bin");
        QTest::newRow("empty file") << QByteArray() << QStringLiteral("empty.txt");
        QTest::newRow("one byte") << QByteArray("x") << QStringLiteral("one.txt");
        QTest::newRow("looks like the answer's end")
            << QByteArray("\r\n\r\nOK\r\nAT") << QStringLiteral("tricky.txt");
        QTest::newRow("Cyrillic name") << QByteArray("привет") << QStringLiteral("Фото 1.txt");
        QTest::newRow("three slices") << patterned(25000) << QStringLiteral("big.bin");
    }

    void roundTripKeepsEveryByte()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, name);
        LinkFixture fixture;
        QDir().mkpath(fixture.phone.root() + QStringLiteral("/ml/im"));
        QVERIFY(fixture.connect());
        PhoneLink::Timing timing = fixture.link->timing();
        timing.SliceSize = 10240;
        fixture.link->setTiming(timing);

        const QString source = fixture.phone.scratch() + QLatin1Char('/') + name;
        writeLocal(source, content);
        QCOMPARE(fixture.link->SendFile(uploadOf(source, QStringLiteral("/ml/im"))), Outcome::Done);
        QCOMPARE(fixture.phone.fileContent(QStringLiteral("ml/im/") + name), content);
        QCOMPARE(fixture.observer.lastStatus(3), QStringLiteral("100%"));

        QTemporaryDir destination;
        QCOMPARE(fixture.link->ReadFile(QStringLiteral("/ml/im"), name, destination.path()), Outcome::Done);
        QCOMPARE(readLocal(destination.filePath(name)), content);
        QVERIFY(fixture.link->CommandDone);
        QCOMPARE(fixture.observer.lastStatus(1), QStringLiteral("T71"));
        QCOMPARE(fixture.leftovers(), QStringList());
    }

    void slicesFollowTheFileSize_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QList<int>>("lengths");
        QTest::newRow("25000") << 25000 << QList<int>{10240, 10240, 4520};
        QTest::newRow("20480, a whole multiple") << 20480 << QList<int>{10240, 10240};
        QTest::newRow("10241") << 10241 << QList<int>{10240, 1};
        QTest::newRow("1 byte") << 1 << QList<int>{1};
        QTest::newRow("empty") << 0 << QList<int>{0};
    }

    void slicesFollowTheFileSize()
    {
        QFETCH(int, size);
        QFETCH(QList<int>, lengths);
        LinkFixture fixture;
        QDir().mkpath(fixture.phone.root() + QStringLiteral("/ml"));
        QVERIFY(fixture.connect());
        const QString source = fixture.phone.scratch() + QStringLiteral("/f.bin");
        writeLocal(source, patterned(size));
        QCOMPARE(fixture.link->SendFile(uploadOf(source, QStringLiteral("/ml"))), Outcome::Done);

        const auto slices = slicesWritten(fixture.phone.commands());
        QCOMPARE(slices.size(), lengths.size());
        int offset = 0;
        for (qsizetype i = 0; i < slices.size(); ++i) {
            QCOMPARE(slices.at(i).first, lengths.at(i));
            QCOMPARE(slices.at(i).second, offset);
            offset += lengths.at(i);
        }
        QCOMPARE(fixture.phone.fileContent(QStringLiteral("ml/f.bin")), patterned(size));
        // The percentage never passes 100 and the progress ends at the file's size.
        for (const QString& percent : fixture.observer.panel3)
            QVERIFY2(percent.chopped(1).toInt() <= 100, qPrintable(percent));
        QCOMPARE(fixture.observer.progressMaximum, size / 100 + 1);
        QCOMPARE(fixture.observer.progressValues.last(), size / 100);
    }

    void failedDownloadLeavesTheDestinationAlone_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("status");
        QTest::newRow("ERROR") << QStringLiteral("QFRF=error") << int(Outcome::Failed)
                               << QStringLiteral("T73 photo.jpg.");
        QTest::newRow("line dropped")
            << QStringLiteral("QFRF=drop:3000") << int(Outcome::LineLost) << QStringLiteral("T76 COM9! T80");
        QTest::newRow("silent phone")
            << QStringLiteral("QFRF=silent") << int(Outcome::TimedOut) << QStringLiteral("T72 photo.jpg.");
        QTest::newRow("answer cut short")
            << QStringLiteral("QFRF=nocrlf") << int(Outcome::Failed) << QStringLiteral("T73 photo.jpg.");
    }

    void failedDownloadLeavesTheDestinationAlone()
    {
        QFETCH(QString, fault);
        QFETCH(int, outcome);
        QFETCH(QString, status);
        LinkFixture fixture({QStringLiteral("--fault"), fault}, 600);
        fixture.phone.putFile(QStringLiteral("ml/photo.jpg"), patterned(8000));
        QVERIFY(fixture.connect());
        QTemporaryDir destination;
        const QByteArray mine("the user's own file");
        writeLocal(destination.filePath(QStringLiteral("photo.jpg")), mine);

        QCOMPARE(int(fixture.link->ReadFile(QStringLiteral("/ml"), QStringLiteral("photo.jpg"),
                                            destination.path())),
                 outcome);
        QCOMPARE(readLocal(destination.filePath(QStringLiteral("photo.jpg"))), mine);
        QCOMPARE(QDir(destination.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"photo.jpg"});
        QCOMPARE(fixture.leftovers(), QStringList());
        QVERIFY(!fixture.link->CommandDone);
        QCOMPARE(fixture.observer.lastStatus(1), status);
    }

    void downloadReplacesAnExistingFile()
    {
        LinkFixture fixture;
        fixture.phone.putFile(QStringLiteral("a.txt"), "new");
        QVERIFY(fixture.connect());
        QTemporaryDir destination;
        writeLocal(destination.filePath(QStringLiteral("a.txt")), "a much longer old content");
        // A file in the root goes with the empty folder name.
        QCOMPARE(fixture.link->ReadFile(QString(), QStringLiteral("a.txt"), destination.path()),
                 Outcome::Done);
        QCOMPARE(readLocal(destination.filePath(QStringLiteral("a.txt"))), QByteArray("new"));
    }

    void hostileNamesAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("parent path") << QStringLiteral("../escape.txt");
        QTest::newRow("dot dot") << QStringLiteral("..");
        QTest::newRow("backslash") << QStringLiteral("..\\escape.txt");
        QTest::newRow("control character") << QStringLiteral("a\rb");
    }

    void hostileNamesAreRefused()
    {
        QFETCH(QString, name);
        LinkFixture fixture;
        QVERIFY(fixture.connect());
        QTemporaryDir outer;
        const QString destination = outer.filePath(QStringLiteral("inside"));
        QDir().mkpath(destination);
        QCOMPARE(fixture.link->ReadFile(QStringLiteral("/ml"), name, destination), Outcome::Failed);
        QCOMPARE(fixture.observer.lastStatus(1), QStringLiteral("T73 ") + name + QStringLiteral("."));
        QCOMPARE(QDir(outer.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{"inside"});
        QVERIFY(fixture.phone.commands().isEmpty());
    }

    void uploadFailures_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("statusEnd");
        QTest::addColumn<int>("commands");
        QTest::newRow("ERROR after the first slice")
            << QStringLiteral("QFWF=error@1") << int(Outcome::Failed) << QStringLiteral(" T59!") << 1;
        QTest::newRow("ERROR instead of the prompt")
            << QStringLiteral("QFWF=refuse") << int(Outcome::Failed) << QStringLiteral(" T60!") << 1;
        QTest::newRow("silent phone")
            << QStringLiteral("QFWF=silent") << int(Outcome::TimedOut) << QStringLiteral(" T57!") << 1;
        QTest::newRow("confirmation late")
            << QStringLiteral("QFWF=late:1500") << int(Outcome::TimedOut) << QStringLiteral(" T57!") << 1;
        QTest::newRow("confirmation paused inside")
            << QStringLiteral("QFWF=split:3:1500") << int(Outcome::TimedOut) << QStringLiteral(" T57!") << 1;
        QTest::newRow("first confirmation paused inside")
            << QStringLiteral("QFWF=walk:1500") << int(Outcome::TimedOut) << QStringLiteral(" T57!") << 1;
    }

    void uploadFailures()
    {
        QFETCH(QString, fault);
        QFETCH(int, outcome);
        QFETCH(QString, statusEnd);
        QFETCH(int, commands);
        LinkFixture fixture({QStringLiteral("--fault"), fault}, 600);
        QDir().mkpath(fixture.phone.root() + QStringLiteral("/ml"));
        QVERIFY(fixture.connect());
        PhoneLink::Timing timing = fixture.link->timing();
        timing.SliceSize = 1000;
        fixture.link->setTiming(timing);
        const QString source = fixture.phone.scratch() + QStringLiteral("/f.bin");
        writeLocal(source, patterned(2500));
        QCOMPARE(int(fixture.link->SendFile(uploadOf(source, QStringLiteral("/ml")))), outcome);
        QVERIFY2(fixture.observer.lastStatus(1).endsWith(statusEnd),
                 qPrintable(fixture.observer.lastStatus(1)));
        // The upload stops at the failing slice instead of leaving a hole.
        QCOMPARE(slicesWritten(fixture.phone.commands()).size(), commands);
    }

    void missingLocalFileIsAMessage()
    {
        LinkFixture fixture;
        QVERIFY(fixture.connect());
        const QString gone = fixture.phone.scratch() + QStringLiteral("/gone.txt");
        QCOMPARE(fixture.link->SendFile(uploadOf(gone, QStringLiteral("/ml"))), Outcome::Failed);
        QCOMPARE(fixture.observer.messages,
                 QStringList{QStringLiteral("T107 ") + gone + QStringLiteral(" T108")});
        QVERIFY(fixture.phone.commands().isEmpty());
    }

    void deletes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("command");
        QTest::newRow("in a folder") << QStringList() << QStringLiteral("a.txt") << QStringLiteral("/ml/")
                                     << QStringLiteral("T68")
                                     << QStringLiteral(
                                            "AT+QFDF=\"002F006D006C\",0,\"0061002E007400780074\",1");
        QTest::newRow("in the root") << QStringList() << QStringLiteral("r.txt") << QStringLiteral("/")
                                     << QStringLiteral("T68")
                                     << QStringLiteral("AT+QFDF=\"002F\",0,\"0072002E007400780074\",1");
        QTest::newRow("OK split inside")
            << QStringList{"--fault", "QFDF=split:3:150"} << QStringLiteral("a.txt") << QStringLiteral("/ml/")
            << QStringLiteral("T68") << QString();
        QTest::newRow("no such file") << QStringList() << QStringLiteral("none.txt") << QStringLiteral("/ml/")
                                      << QStringLiteral("T69 none.txt!") << QString();
        QTest::newRow("silent phone") << QStringList{"--fault", "QFDF=silent"} << QStringLiteral("a.txt")
                                      << QStringLiteral("/ml/") << QStringLiteral("T67") << QString();
        QTest::newRow("Cyrillic name") << QStringList() << QStringLiteral("Фото.jpg")
                                       << QStringLiteral("/ml/") << QStringLiteral("T68") << QString();
    }

    void deletes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, name);
        QFETCH(QString, folder);
        QFETCH(QString, status);
        QFETCH(QString, command);
        LinkFixture fixture(arguments, 600);
        for (const char* file : {"ml/a.txt", "r.txt", "ml/Фото.jpg"})
            fixture.phone.putFile(QString::fromUtf8(file), "x");
        QVERIFY(fixture.connect());
        fixture.link->DeleteFile(name, folder);
        QCOMPARE(fixture.observer.lastStatus(1), status);
        if (status == QLatin1String("T68"))
            QVERIFY(!fixture.phone.hasFile(folder.mid(1) + name));
        if (!command.isEmpty())
            QCOMPARE(fixture.phone.commands().last(), command);
    }
};

QTEST_GUILESS_MAIN(TransfersTest)
#include "tst_transfers.moc"
