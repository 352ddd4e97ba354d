#include "phone/DisplayName.h"
#include "phone/FolderCopy.h"
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

void useSlicesOf(LinkFixture& fixture, int size)
{
    PhoneLink::Timing timing = fixture.link->timing();
    timing.SliceSize = size;
    fixture.link->setTiming(timing);
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
        QTest::addColumn<QStringList>("phone");
        QTest::newRow("all 256 byte values")
            << everyByteValue() << QStringLiteral("bytes.bin") << QStringList();
        QTest::newRow("empty file") << QByteArray() << QStringLiteral("empty.txt") << QStringList();
        QTest::newRow("one byte") << QByteArray("x") << QStringLiteral("one.txt") << QStringList();
        QTest::newRow("looks like the answer's end")
            << QByteArray("\r\n\r\nOK\r\nAT") << QStringLiteral("tricky.txt") << QStringList();
        QTest::newRow("Cyrillic name")
            << QByteArray("привет") << QStringLiteral("Фото 1.txt") << QStringList();
        QTest::newRow("three slices") << patterned(25000) << QStringLiteral("big.bin") << QStringList();
        QTest::newRow("phone echoing its commands")
            << patterned(1040) << QStringLiteral("echo.bin") << QStringList{"--echo"};
    }

    void roundTripKeepsEveryByte()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, name);
        QFETCH(QStringList, phone);
        LinkFixture fixture(phone);
        QDir().mkpath(fixture.phone.root() + QStringLiteral("/ml/im"));
        QVERIFY(fixture.connect());
        useSlicesOf(fixture, 10240);

        const QString source = fixture.phone.scratch() + QLatin1Char('/') + name;
        writeLocal(source, content);
        QCOMPARE(fixture.link->SendFile(uploadOf(source, QStringLiteral("/ml/im"))), Outcome::Done);
        QCOMPARE(fixture.phone.fileContent(QStringLiteral("ml/im/") + name), content);
        QCOMPARE(fixture.observer.lastStatus(3), QStringLiteral("100%"));

        QTemporaryDir destination;
        QCOMPARE(fixture.link->ReadFile(QStringLiteral("/ml/im"), name, destination.path()), Outcome::Done);
        QCOMPARE(readLocal(destination.filePath(name)), content);
        QVERIFY(fixture.link->commandDone());
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
    }

    // Progress counts the file's own bytes, confirmed ones for an upload, and
    // ends at 100 % exactly when the last byte is in.
    void progressCountsOnlyFileBytes_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::addColumn<int>("size");
        QTest::addColumn<QStringList>("phone");
        QTest::newRow("upload, three slices") << true << 2500 << QStringList();
        QTest::newRow("upload, empty") << true << 0 << QStringList();
        QTest::newRow("download") << false << 20000 << QStringList{"--chunk", "700"};
        QTest::newRow("download, echoing phone") << false << 20000 << QStringList{"--echo", "--chunk", "700"};
    }

    void progressCountsOnlyFileBytes()
    {
        QFETCH(bool, upload);
        QFETCH(int, size);
        QFETCH(QStringList, phone);
        LinkFixture fixture(phone);
        fixture.phone.putFile(QStringLiteral("ml/f.bin"), patterned(size));
        QVERIFY(fixture.connect());
        useSlicesOf(fixture, 1000);
        const QString source = fixture.phone.scratch() + QStringLiteral("/f.bin");
        writeLocal(source, patterned(size));
        QTemporaryDir destination;
        const Outcome outcome = upload ? fixture.link->SendFile(uploadOf(source, QStringLiteral("/ml")))
                                       : fixture.link->ReadFile(QStringLiteral("/ml"),
                                                                QStringLiteral("f.bin"), destination.path());
        QCOMPARE(outcome, Outcome::Done);

        const auto& progress = fixture.observer.progress;
        QVERIFY(!progress.isEmpty());
        qint64 before = 0;
        for (const auto& [done, total] : progress) {
            QVERIFY2(total == size || (!upload && total < 0 && done == 0),
                     qPrintable(QString::number(total)));
            QVERIFY(done >= before && (total < 0 || done <= total));
            before = done;
        }
        QCOMPARE(progress.last(), qMakePair(qint64(size), qint64(size)));
        if (upload && size == 2500) {
            const QList<QPair<qint64, qint64>> confirmed{{0, 2500}, {1000, 2500}, {2000, 2500}, {2500, 2500}};
            QCOMPARE(progress, confirmed);
            QCOMPARE(fixture.observer.panel3, (QStringList{"0%", "40%", "80%", "100%"}));
        }
        // Whole percent, no leading zeros, 100 only at the end.
        const QStringList& percents = fixture.observer.panel3;
        QCOMPARE(percents.last(), QStringLiteral("100%"));
        for (qsizetype i = 0; i < percents.size(); ++i) {
            QVERIFY2(
                QRegularExpression(QStringLiteral("^(0|[1-9][0-9]?|100)%$")).match(percents.at(i)).hasMatch(),
                qPrintable(percents.at(i)));
            QVERIFY(percents.at(i) != QStringLiteral("100%") || i == percents.size() - 1);
        }
    }

    // Stop mid-upload: the slice on its way ends, the phone's partial file is
    // deleted and the status says so; the line goes on working.
    void stopMidUploadRemovesThePartialFile()
    {
        LinkFixture fixture;
        QDir().mkpath(fixture.phone.root() + QStringLiteral("/ml"));
        QVERIFY(fixture.connect());
        useSlicesOf(fixture, 1000);
        const QString source = fixture.phone.scratch() + QStringLiteral("/f.bin");
        writeLocal(source, patterned(5000));
        fixture.observer.onProgress = [&](qint64 done, qint64) {
            if (done >= 2000)
                fixture.link->stopTransfer();
        };
        QCOMPARE(fixture.link->SendFile(uploadOf(source, QStringLiteral("/ml"))), Outcome::Stopped);
        QCOMPARE(slicesWritten(fixture.phone.commands()).size(), 2);
        QVERIFY(!fixture.phone.hasFile(QStringLiteral("ml/f.bin")));
        QCOMPARE(fixture.observer.lastStatus(1), QStringLiteral("T141 T142 f.bin."));
        QCOMPARE(fixture.link->ListFolder(QStringLiteral("/ml/")).outcome, Outcome::Done);
    }

    // Stop mid-download: the answer is abandoned, the destination stays as it
    // was, and the next command gets its own answer, not the rest of this one.
    void stopMidDownloadLeavesTheDestination_data()
    {
        QTest::addColumn<QStringList>("phone");
        QTest::newRow("sized") << QStringList{"--baud", "115200"};
    }

    void stopMidDownloadLeavesTheDestination()
    {
        QFETCH(QStringList, phone);
        LinkFixture fixture(phone);
        fixture.phone.putFile(QStringLiteral("ml/big.bin"), patterned(20000));
        fixture.phone.putFile(QStringLiteral("ml/small.txt"), "small");
        QVERIFY(fixture.connect());
        QTemporaryDir destination;
        writeLocal(destination.filePath(QStringLiteral("big.bin")), "the user's own");
        fixture.observer.onProgress = [&](qint64 done, qint64) {
            if (done > 0)
                fixture.link->stopTransfer();
        };
        QCOMPARE(fixture.link->ReadFile(QStringLiteral("/ml"), QStringLiteral("big.bin"), destination.path()),
                 Outcome::Stopped);
        QCOMPARE(fixture.observer.lastStatus(1), QStringLiteral("T141"));
        QCOMPARE(readLocal(destination.filePath(QStringLiteral("big.bin"))), QByteArray("the user's own"));
        QCOMPARE(QDir(destination.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"big.bin"});

        fixture.observer.onProgress = nullptr;
        if (!phone.contains(QStringLiteral("--fault"))) {
            QCOMPARE(fixture.link->ReadFile(QStringLiteral("/ml"), QStringLiteral("small.txt"),
                                            destination.path()),
                     Outcome::Done);
            QCOMPARE(readLocal(destination.filePath(QStringLiteral("small.txt"))), QByteArray("small"));
        }
        const ListingResult listing = fixture.link->ListFolder(QStringLiteral("/ml/"));
        QCOMPARE(listing.outcome, Outcome::Done);
        QCOMPARE(listing.entries.size(), 2);
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
            << QStringLiteral("QFRF=nocrlf") << int(Outcome::TimedOut) << QStringLiteral("T72 photo.jpg.");
        QTest::newRow("no size announced")
            << QStringLiteral("QFRF=nosize") << int(Outcome::Failed) << QStringLiteral("T73 photo.jpg.");
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
        QVERIFY(!fixture.link->commandDone());
        QCOMPARE(fixture.observer.lastStatus(1), status);
    }

    // What an earlier run on this line recorded is put right at the next
    // connection, partial files first, and said; another line's is left.
    void repairsOfAnEarlierRunAreCarriedOut()
    {
        LinkFixture fixture;
        fixture.phone.putFile(QStringLiteral("ml/part.bin"), "half");
        fixture.phone.putFile(QStringLiteral("java/selector.utf"), "cut");
        QVERIFY(fixture.phone.start());
        const QString copy = fixture.temp.filePath(QStringLiteral("old.utf"));
        writeLocal(copy, "the old menu");
        RepairRecord record(fixture.temp.filePath(QStringLiteral("repairs.ini")));
        const auto add = [&](RepairRecord::Kind kind, const QString& folder, const QString& name) {
            RepairRecord::Repair repair;
            repair.kind = kind;
            repair.folder = folder;
            repair.name = name;
            repair.copyPath = copy;
            repair.sliceLength = 100;
            return record.add(repair);
        };
        record.setDevice(QStringLiteral("/dev/another"));
        const QString elsewhere = add(RepairRecord::Kind::DeletePartial, QStringLiteral("/ml"), QStringLiteral("x"));
        record.setDevice(fixture.phone.device());
        add(RepairRecord::Kind::RestoreFile, QStringLiteral("/java"), QStringLiteral("selector.utf"));
        add(RepairRecord::Kind::DeletePartial, QStringLiteral("/java"), QStringLiteral("selector.utf"));
        add(RepairRecord::Kind::DeletePartial, QStringLiteral("/ml"), QStringLiteral("part.bin"));
        fixture.link->setRepairRecord(&record);
        QVERIFY(fixture.link->OpenPort(QStringLiteral("COM9"), fixture.phone.device()));

        QCOMPARE(fixture.link->CarryOutRepairs(), 3);
        QVERIFY(!fixture.phone.hasFile(QStringLiteral("ml/part.bin")));
        QCOMPARE(fixture.phone.fileContent(QStringLiteral("java/selector.utf")), QByteArray("the old menu"));
        QCOMPARE(fixture.observer.lastStatus(1), QStringLiteral("T402 T403 /java/selector.utf; T403 /ml/part.bin; "
                                                                "T404 /java/selector.utf."));
        const QList<RepairRecord::Repair> left = record.pending();
        QCOMPARE(left.size(), 1);
        QCOMPARE(left.first().id, elsewhere);
        // The line is in step again: the next listing is exact.
        QCOMPARE(fixture.link->ListFolder(QStringLiteral("/ml/")).entries, QList<PhoneEntry>());
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

    // Names that differ only by case, copied onto a disk that ignores case:
    // the second file and folder keep a numbered name, none replaces another.
    void folderCopyKeepsNamesTheDiskFolds()
    {
        LinkFixture fixture;
        fixture.phone.putFile(QStringLiteral("ml/Photo.jpg"), "first");
        fixture.phone.putFile(QStringLiteral("ml/photo.jpg"), "second");
        fixture.phone.putFile(QStringLiteral("ml/Im/a.txt"), "upper");
        fixture.phone.putFile(QStringLiteral("ml/im/a.txt"), "lower");
        QVERIFY(fixture.connect());
        QTemporaryDir destination;
        FolderCopyOptions options;
        options.foldsCase = true;
        const FolderCopyTally tally =
            CopyPhoneFolders(*fixture.link, {QStringLiteral("/ml/")}, destination.path(), options);
        QCOMPARE(tally.files, 4);
        QVERIFY(tally.complete());
        QCOMPARE(tally.renamed.size(), 2);
        QCOMPARE(tally.renamed.at(0).path, QStringLiteral("/ml/im/"));
        QCOMPARE(tally.renamed.at(0).localName, QStringLiteral("im (2)"));
        QCOMPARE(tally.renamed.at(1).path, QStringLiteral("/ml/photo.jpg"));
        QCOMPARE(tally.renamed.at(1).localName, QStringLiteral("photo (2).jpg"));
        const QString ml = destination.filePath(QStringLiteral("ml/"));
        QCOMPARE(readLocal(ml + QStringLiteral("Photo.jpg")), QByteArray("first"));
        QCOMPARE(readLocal(ml + QStringLiteral("photo (2).jpg")), QByteArray("second"));
        QCOMPARE(readLocal(ml + QStringLiteral("Im/a.txt")), QByteArray("upper"));
        QCOMPARE(readLocal(ml + QStringLiteral("im (2)/a.txt")), QByteArray("lower"));
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
        // A control character shows as a replacement character, never raw.
        QCOMPARE(fixture.observer.lastStatus(1),
                 QStringLiteral("T73 ") + withVisibleControls(name) + QStringLiteral("."));
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
        QTest::newRow("OK before the data")
            << QStringLiteral("QFWF=early") << int(Outcome::TimedOut) << QStringLiteral(" T57!") << 1;
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
        useSlicesOf(fixture, 1000);
        const QString source = fixture.phone.scratch() + QStringLiteral("/f.bin");
        writeLocal(source, patterned(2500));
        QCOMPARE(int(fixture.link->SendFile(uploadOf(source, QStringLiteral("/ml")))), outcome);
        const QString status = fixture.observer.lastStatus(1);
        QVERIFY2(status.endsWith(statusEnd) || status.contains(statusEnd + QStringLiteral(" T14")),
                 qPrintable(status));
        // Said deleted means deleted.
        QVERIFY(!status.contains(QStringLiteral("T142")) ||
                !fixture.phone.hasFile(QStringLiteral("ml/f.bin")));
        // The upload stops at the failing slice instead of leaving a hole.
        QCOMPARE(slicesWritten(fixture.phone.commands()).size(), commands);
    }

    void unsendableLocalFileIsAMessage_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("why");
        QTest::newRow("gone") << false << QStringLiteral(" T108");
        QTest::newRow("unreadable") << true << QStringLiteral(" T121");
    }

    void unsendableLocalFileIsAMessage()
    {
        QFETCH(bool, exists);
        QFETCH(QString, why);
        LinkFixture fixture;
        QVERIFY(fixture.connect());
        QString path = fixture.phone.scratch() + QStringLiteral("/f.txt");
        if (exists) {
            writeLocal(path, "x");
            QFile::setPermissions(path, QFileDevice::WriteOwner);
            // The superuser reads any file; a write-only kernel attribute stays unreadable.
            if (QFile(path).open(QIODevice::ReadOnly))
                path = QStringLiteral("/sys/bus/pci/rescan");
            if (!QFileInfo(path).isFile() || QFile(path).open(QIODevice::ReadOnly))
                QSKIP("no unreadable file to be had here");
        }
        QCOMPARE(fixture.link->SendFile(uploadOf(path, QStringLiteral("/ml"))), Outcome::Failed);
        QCOMPARE(fixture.observer.messages, QStringList{QStringLiteral("T107 ") + path + why});
        QVERIFY(fixture.phone.commands().isEmpty());
    }

    // A link standing under the file's name in the destination is never
    // followed: its target outside the folder stays as it was.
    void downloadNeverWritesThroughALink_data()
    {
        QTest::addColumn<bool>("targetExists");
        QTest::newRow("link to a file outside") << true;
        QTest::newRow("dangling link") << false;
    }

    void downloadNeverWritesThroughALink()
    {
        QFETCH(bool, targetExists);
        LinkFixture fixture;
        fixture.phone.putFile(QStringLiteral("ml/a.txt"), "from the phone");
        QVERIFY(fixture.connect());
        QTemporaryDir outside, destination;
        const QString target = outside.filePath(QStringLiteral("precious"));
        if (targetExists)
            writeLocal(target, "mine");
        QVERIFY(QFile::link(target, destination.filePath(QStringLiteral("a.txt"))));

        QCOMPARE(fixture.link->ReadFile(QStringLiteral("/ml"), QStringLiteral("a.txt"), destination.path()),
                 Outcome::Failed);
        QCOMPARE(fixture.observer.lastStatus(1), QStringLiteral("T120 a.txt."));
        QCOMPARE(QFileInfo::exists(target), targetExists);
        if (targetExists)
            QCOMPARE(readLocal(target), QByteArray("mine"));
        QVERIFY(QFileInfo(destination.filePath(QStringLiteral("a.txt"))).isSymLink());
    }

    // A download whose frame is complete ends at once; only an answer without
    // a size waits for the line to fall silent.
    void downloadEndsByItsFraming_data()
    {
        QTest::addColumn<QStringList>("phone");
        QTest::addColumn<int>("silence");
        QTest::newRow("framed, silence far away") << QStringList() << 600000;
    }

    void downloadEndsByItsFraming()
    {
        QFETCH(QStringList, phone);
        QFETCH(int, silence);
        LinkFixture fixture(phone);
        fixture.phone.putFile(QStringLiteral("a.bin"), patterned(5000));
        QVERIFY(fixture.connect());
        PhoneLink::Timing timing = fixture.link->timing();
        timing.AnswerSilence = silence;
        fixture.link->setTiming(timing);
        // A download still waiting for silence is cut off here, as cancelled.
        QTimer::singleShot(8000, fixture.link.get(), [&] { fixture.link->cancel(); });
        QTemporaryDir destination;
        QCOMPARE(fixture.link->ReadFile(QString(), QStringLiteral("a.bin"), destination.path()),
                 Outcome::Done);
        QCOMPARE(readLocal(destination.filePath(QStringLiteral("a.bin"))), patterned(5000));
    }

    // The phone's pause separates one exchange from the next, in full: after a
    // download from its answer, after a slice from its data.
    void commandsInARowKeepThePause()
    {
        LinkFixture fixture;
        fixture.phone.putFile(QStringLiteral("ml/a.txt"), "a");
        QVERIFY(fixture.connect());
        PhoneLink::Timing timing = fixture.link->timing();
        timing.DelayTime = 300;
        timing.SliceSize = 1000;
        fixture.link->setTiming(timing);
        QTemporaryDir destination;
        QCOMPARE(fixture.link->ReadFile(QStringLiteral("/ml"), QStringLiteral("a.txt"), destination.path()),
                 Outcome::Done);
        QCOMPARE(fixture.link->ReadFile(QStringLiteral("/ml"), QStringLiteral("a.txt"), destination.path()),
                 Outcome::Done);
        const QString source = fixture.phone.scratch() + QStringLiteral("/up.bin");
        writeLocal(source, patterned(2500));
        QCOMPARE(fixture.link->SendFile(uploadOf(source, QStringLiteral("/ml"))), Outcome::Done);
        QCOMPARE(fixture.link->ListFolder(QStringLiteral("/ml/")).outcome, Outcome::Done);

        QList<double> commands, answers;
        for (const auto& [event, at] : fixture.phone.timeline())
            (event == QLatin1String("command") ? commands : answers) << at;
        QCOMPARE(commands.size(), 6); // two reads, three slices, one listing
        // After each download: from its answer to the next command.
        for (int i = 0; i < 2; ++i)
            QVERIFY2(commands.at(i + 1) - answers.at(i) >= 300, qPrintable(QString::number(i)));
        // After each slice: the data follows its command, so command to command.
        for (int i = 2; i < 5; ++i)
            QVERIFY2(commands.at(i + 1) - commands.at(i) >= 300, qPrintable(QString::number(i)));
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
        QTest::newRow("phone refuses") << QStringList{"--fault", "QFDF=error"} << QStringLiteral("a.txt")
                                       << QStringLiteral("/ml/") << QStringLiteral("T69 a.txt!") << QString();
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
        // Done removes the file; a refusal leaves it.
        if (status == QLatin1String("T68") || status == QLatin1String("T69 a.txt!"))
            QCOMPARE(fixture.phone.hasFile(folder.mid(1) + name), status != QLatin1String("T68"));
        if (!command.isEmpty())
            QCOMPARE(fixture.phone.commands().last(), command);
    }
};

QTEST_GUILESS_MAIN(TransfersTest)
#include "tst_transfers.moc"
