#include "phone/FolderCopy.h"
#include "support/LinkFixture.h"
#include "support/LocalFiles.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {

UploadItem uploadOf(const QString& localPath, const QString& phoneFolder)
{
    return {localPath, phoneFolder, QFileInfo(localPath).fileName(), QFileInfo(localPath).size()};
}

// The declared lengths and offsets of the phone's write commands.
QList<QPair<int, int>> slicesWritten(const QStringList& commands)
{
    static const QRegularExpression write(R"(^AT\+QFWF="[0-9A-F]*",0,"[0-9A-F]*",1,(\d+),1,(\d+)$)");
    QList<QPair<int, int>> slices;
    for (const QString& command : commands)
        if (const auto match = write.match(command); match.hasMatch())
            slices << qMakePair(match.captured(1).toInt(), match.captured(2).toInt());
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
        QTest::addColumn<QStringList>("phone");
        QTest::addColumn<QList<int>>("slices");
        const auto row = [](const char* tag, const QByteArray& content, const char* name,
                            const QList<int>& slices, const QStringList& phone = {}) {
            QTest::newRow(tag) << content << QString::fromUtf8(name) << phone << slices;
        };
        row("all 256 byte values", patterned(256), "bytes.bin", {256});
        row("empty file", {}, "empty.txt", {0});
        row("looks like the answer's end", "\r\n\r\nOK\r\nAT", "tricky.txt", {10});
        row("Cyrillic name", "привет", "Фото 1.txt", {12});
        row("a whole multiple", patterned(20480), "two.bin", {10240, 10240});
        row("one byte over", patterned(10241), "over.bin", {10240, 1});
        // A download slower than the plain time-out: the line's time for the
        // size is added to it. Each slice is well within it.
        row("paced phone echoing its commands", patterned(30000), "paced.bin", {10240, 10240, 9520},
            {"--echo", "--baud", "460800"});
    }

    // One upload and download: the bytes, the slices' lengths and offsets, the
    // status, and the progress: of the file's own bytes, confirmed ones for an
    // upload, at 100 % exactly when the last byte is in.
    void roundTripKeepsEveryByte()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, name);
        QFETCH(QStringList, phone);
        QFETCH(QList<int>, slices);
        const qint64 size = content.size();
        LinkFixture fixture(phone, 500);
        QDir().mkpath(fixture.phone.root() + QStringLiteral("/ml/im"));
        QVERIFY(fixture.connect());

        const QString source = writeLocal(fixture.phone.scratch() + QLatin1Char('/') + name, content);
        QCOMPARE(fixture.link->SendFile(uploadOf(source, QStringLiteral("/ml/im"))), Outcome::Done);
        QCOMPARE(fixture.phone.fileContent(QStringLiteral("ml/im/") + name), content);
        QCOMPARE(fixture.observer.lastStatus(3), QStringLiteral("100%"));
        QList<QPair<int, int>> expected;
        QList<QPair<qint64, qint64>> confirmed{{0, size}};
        for (int offset = 0; const int length : slices) {
            expected << qMakePair(length, offset);
            offset += length;
            confirmed << qMakePair(qint64(offset), size);
        }
        QCOMPARE(slicesWritten(fixture.phone.commands()), expected);
        QCOMPARE(fixture.observer.progress, confirmed);

        fixture.observer.progress.clear();
        fixture.observer.panel3.clear();
        QTemporaryDir destination;
        QCOMPARE(fixture.link->ReadFile(QStringLiteral("/ml/im"), name, destination.path()), Outcome::Done);
        QCOMPARE(readLocal(destination.filePath(name)), content);
        QVERIFY(fixture.link->commandDone());
        QCOMPARE(fixture.observer.lastStatus(1), QStringLiteral("T71"));
        QCOMPARE(fixture.leftovers(), QStringList());
        for (qint64 before = 0; const auto& [done, total] : fixture.observer.progress) {
            QVERIFY((total == size || (total < 0 && done == 0)) && done >= before && done <= size);
            before = done;
        }
        QCOMPARE(fixture.observer.progress.last(), qMakePair(size, size));
        QCOMPARE(fixture.observer.panel3.indexOf(QStringLiteral("100%")), fixture.observer.panel3.size() - 1);
    }

    // A failed, stopped or refused download leaves the destination as it
    // was: the user's file under the name stays, nothing else is left.
    void downloadLeavesTheDestinationAlone_data()
    {
        QTest::addColumn<QString>("fault"); // or "link": a link under the name
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("listed"); // the size the folder's listing gave; -1: none
        const auto row = [](const char* tag, const QString& fault, Outcome outcome, const QString& status,
                            const QString& name = QStringLiteral("photo.jpg"), int listed = -1) {
            QTest::newRow(tag) << fault << name << int(outcome) << status << listed;
        };
        row("stopped", {}, Outcome::Stopped, "T141");
        row("ERROR", "QFRF=error", Outcome::Failed, "T73 photo.jpg.");
        row("line dropped", "QFRF=drop:3000", Outcome::LineLost, "T76 COM9! T80");
        row("silent phone", "QFRF=silent", Outcome::TimedOut, "T72 photo.jpg.");
        row("answer cut short", "QFRF=nocrlf", Outcome::TimedOut, "T72 photo.jpg.");
        row("no size announced", "QFRF=nosize", Outcome::Failed, "T73 photo.jpg.");
        // Another file's answer, as a late one would be.
        row("another size than listed", "CBC=error", Outcome::Failed, "T73 photo.jpg.", "photo.jpg", 7999);
        // A link under the name is never followed, not even to a file outside.
        row("link to a file outside", "link", Outcome::Failed, "T120 photo.jpg.");
        // Names that would reach outside the folder, here or on another system.
        row("parent path", {}, Outcome::Failed, "T73 ../escape.txt.", "../escape.txt");
        row("dot dot", {}, Outcome::Failed, "T73 ...", "..");
        row("backslash", {}, Outcome::Failed, "T73 ..\\escape.txt.", "..\\escape.txt");
    }

    void downloadLeavesTheDestinationAlone()
    {
        QFETCH(QString, fault);
        QFETCH(QString, name);
        QFETCH(int, outcome);
        QFETCH(QString, status);
        QFETCH(int, listed);
        // Without a fault the phone is paced, leaving time to stop.
        const bool link = fault == QLatin1String("link");
        LinkFixture fixture(
            fault.contains('=') ? QStringList{"--fault", fault} : QStringList{"--baud", "115200"}, 600);
        fixture.phone.putFile(QStringLiteral("ml/photo.jpg"), patterned(8000));
        QVERIFY(fixture.connect());
        QTemporaryDir outer;
        const QString destination = outer.filePath(QStringLiteral("inside"));
        const QString own = writeLocal(outer.filePath(QStringLiteral("own")), "mine");
        const QString atName = writeLocal(destination + QStringLiteral("/photo.jpg"), "mine");
        QVERIFY(!link || (QFile::remove(atName) && QFile::link(own, atName)));
        fixture.observer.onProgress = [&](qint64 done, qint64) {
            if (outcome == int(Outcome::Stopped) && done > 0)
                fixture.link->stopTransfer();
        };
        QCOMPARE(int(fixture.link->ReadFile(QStringLiteral("/ml"), name, destination, {},
                                            listed < 0 ? std::nullopt : std::optional<qint64>(listed))),
                 outcome);
        QCOMPARE(fixture.observer.lastStatus(1), status);
        QCOMPARE(readTree(outer.path()), (QStringList{"inside/", "inside/photo.jpg=mine", "own=mine"}));
        QCOMPARE(QFileInfo(atName).isSymLink(), link);
        QCOMPARE(fixture.leftovers(), QStringList());
        QVERIFY(!fixture.link->commandDone());
        // What is refused is refused before the phone is asked.
        QCOMPARE(fixture.phone.commands().isEmpty(), link || name != QLatin1String("photo.jpg"));
    }

    // What an earlier run left on this phone is put right at the next connection, but only once a
    // listing shows it is the program's own leftover; what is not is left, its copy kept, and said.
    void repairsActOnlyOnTheirOwnLeftovers_data()
    {
        QTest::addColumn<int>("phoneSize"); // of ml/f.bin; -1: none; -2: the earlier file itself
        QTest::addColumn<bool>("partial");  // an upload left 2048 bytes confirmed, 2048 on their way
        QTest::addColumn<QString>("copy");  // "kept", "gone", "changed" or none
        QTest::addColumn<QStringList>("phoneOptions");
        QTest::addColumn<int>("age"); // connections that tried it, or days its phone was away (negative)
        QTest::addColumn<int>("sizeAfter");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("entriesLeft");
        const QStringList none;
        QTest::newRow("partial of the size written")
            << 3000 << true << "" << none << 0 << -1 << "T402 T403 /ml/f.bin." << 0;
        QTest::newRow("partial of another size")
            << 9000 << true << "" << none << 0 << 9000 << "T406 /ml/f.bin." << 0;
        QTest::newRow("partial, delete refused") << 3000 << true << "" << QStringList{"--fault", "QFDF=error"}
                                                 << 0 << 3000 << "T405 /ml/f.bin." << 1;
        QTest::newRow("another phone's partial")
            << 3000 << true << "" << QStringList{"--serial", "999"} << 0 << 3000 << "" << 1;
        QTest::newRow("partial, then the copy")
            << 3000 << true << "kept" << none << 0 << 500 << "T402 T403 /ml/f.bin; T404 /ml/f.bin." << 0;
        QTest::newRow("copy, name missing")
            << -1 << false << "kept" << none << 0 << 500 << "T402 T404 /ml/f.bin." << 0;
        QTest::newRow("copy, name holds another file")
            << 9000 << false << "kept" << none << 0 << 9000 << "T406 /ml/f.bin. T407 COPY." << 0;
        QTest::newRow("refused at the tenth connection")
            << 3000 << true << "" << QStringList{"--fault", "QFDF=error"} << 9 << 3000 << "T409 /ml/f.bin."
            << 0;
        QTest::newRow("another phone away 31 days")
            << 3000 << true << "" << QStringList{"--serial", "999"} << -31 << 3000 << "T410 /ml/f.bin." << 0;
        QTest::newRow("a phone without a serial number")
            << 3000 << true << "" << QStringList{"--fault", "CGSN=error"} << 0 << -1 << "T402 T403 /ml/f.bin."
            << 0;
        QTest::newRow("copy, the phone still holds the earlier file")
            << -2 << true << "kept" << none << 0 << 500 << "" << 0;
        QTest::newRow("partial of another size, then the copy")
            << 9000 << true << "kept" << none << 0 << 9000 << "T406 /ml/f.bin. T407 COPY." << 0;
        QTest::newRow("copy changed")
            << -1 << false << "changed" << none << 0 << -1 << "T408 /ml/f.bin." << 0;
        QTest::newRow("copy gone") << -1 << false << "gone" << none << 0 << -1 << "T408 /ml/f.bin." << 0;
    }

    void repairsActOnlyOnTheirOwnLeftovers()
    {
        QFETCH(int, phoneSize);
        QFETCH(bool, partial);
        QFETCH(QString, copy);
        QFETCH(QStringList, phoneOptions);
        QFETCH(int, age);
        QFETCH(int, sizeAfter);
        QFETCH(QString, status);
        QFETCH(int, entriesLeft);
        LinkFixture fixture(phoneOptions);
        if (phoneSize != -1)
            fixture.phone.putFile(QStringLiteral("ml/f.bin"),
                                  phoneSize < 0 ? QByteArray(500, 'o') : QByteArray(phoneSize, 'p'));
        fixture.phone.putFile(QStringLiteral("ml/other"), "x");
        QVERIFY(fixture.phone.start());
        RepairJournal& journal = fixture.link->journal();
        RepairJournal::Entry entry;
        // A phone that keeps its serial number to itself is known by its model on its port.
        entry.phone = phoneOptions.contains(QStringLiteral("CGSN=error"))
                          ? QStringLiteral("model:ST60@") + fixture.phone.device()
                          : QStringLiteral("serial:351234567890123");
        entry.tries = qMax(age, 0);
        entry.folder = QStringLiteral("/ml");
        entry.name = QStringLiteral("f.bin");
        entry.sliceOpen = false;
        if (partial) {
            entry.confirmed = entry.onTheWay = 2048;
            QVERIFY(!journal.add(entry).isEmpty());
        }
        const QString copyPath = fixture.temp.filePath(QStringLiteral("copy/f.bin"));
        if (!copy.isEmpty()) {
            writeLocal(copyPath, QByteArray(500, 'o'));
            entry.kind = RepairJournal::Kind::RestoreFile;
            entry.copyPath = copyPath;
            entry.copySize = 500;
            entry.copySum = RepairJournal::checksumOf(copyPath);
            QVERIFY(!journal.add(entry).isEmpty());
        }
        if (copy == QLatin1String("gone"))
            QFile::remove(copyPath);
        if (copy == QLatin1String("changed"))
            writeLocal(copyPath, QByteArray(500, 'x'));
        for (RepairJournal::Entry added : journal.entries()) {
            added.lastSeenAt += qMin(age, 0) * 24LL * 60 * 60 * 1000;
            journal.update(added);
        }
        QVERIFY(fixture.open());

        fixture.link->CarryOutRepairs();
        QCOMPARE(fixture.phone.hasFile(QStringLiteral("ml/f.bin"))
                     ? fixture.phone.fileContent(QStringLiteral("ml/f.bin")).size()
                     : -1,
                 sizeAfter);
        QCOMPARE(fixture.link->repairReport(), QString(status).replace(QStringLiteral("COPY"), copyPath));
        QCOMPARE(journal.entries().size(), entriesLeft);
        // A copy goes only once it is back on the phone.
        QCOMPARE(QFileInfo::exists(copyPath),
                 copy == QLatin1String("changed") || (copy == QLatin1String("kept") && sizeAfter != 500));
        // The line is in step again: the next listing is exact.
        QCOMPARE(fixture.link->ListFolder(QStringLiteral("/ml/")).entries.size(), sizeAfter >= 0 ? 2 : 1);
    }

    // A whole file of a name ends what an earlier upload of it left to repair: the next connection
    // must not take the new file for a partial one.
    void aWholeUploadEndsEarlierPartialEntries()
    {
        LinkFixture fixture;
        fixture.phone.putFile(QStringLiteral("ml/other"), "x");
        QVERIFY(fixture.connect());
        RepairJournal::Entry earlier;
        earlier.phone = QStringLiteral("serial:351234567890123");
        earlier.folder = QStringLiteral("/ml");
        earlier.name = QStringLiteral("f.bin");
        earlier.confirmed = 2048;
        earlier.onTheWay = 2048;
        QVERIFY(!fixture.link->journal().add(earlier).isEmpty());
        const QString source = writeLocal(fixture.phone.scratch() + "/f.bin", patterned(3000));
        QCOMPARE(fixture.link->SendFile(uploadOf(source, QStringLiteral("/ml"))), Outcome::Done);
        QCOMPARE(fixture.link->journal().entries().size(), 0);
    }

    // A damaged or hand-edited journal never makes the next connection send gigabytes or wait for ever.
    void aDamagedJournalAsksForNothingUnbounded()
    {
        QTemporaryDir folder;
        const QString path =
            writeLocal(folder.filePath(QStringLiteral("j.json")),
                       R"({"entries":[{"id":"r1","kind":"partial","phone":"serial:1","name":"f",)"
                       R"("onTheWay":1e12}],"lines":{"/dev/x":{"pid":0,"quiet":1e15,"pause":-5}}})");
        const RepairJournal journal(path);
        QCOMPARE(journal.entries().value(0).onTheWay, 32767);
        QCOMPARE(journal.lineMark(QStringLiteral("/dev/x"))->quietMillis, 600000);
        QCOMPARE(journal.lineMark(QStringLiteral("/dev/x"))->pauseMillis, 0);
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
        const FolderCopyTally tally = CopyPhoneFolders(*fixture.link, {"/ml/"}, destination.path(), options);
        QVERIFY(tally.files == 4 && tally.complete() && tally.renamed.size() == 2);
        QCOMPARE(readTree(destination.path()),
                 (QStringList{"ml/", "ml/Im/", "ml/Im/a.txt=upper", "ml/Photo.jpg=first", "ml/im (2)/",
                              "ml/im (2)/a.txt=lower", "ml/photo (2).jpg=second"}));
    }

    // A failed upload leaves no part of the file on the phone, whichever slice it ended at; the status
    // says why and what was deleted. A local file that cannot be read is a message; the phone is not asked.
    void uploadFailures_data()
    {
        QTest::addColumn<QString>("fault"); // or what ails the local file
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("statusEnd");
        QTest::addColumn<int>("commands");
        const int failed = int(Outcome::Failed), timedOut = int(Outcome::TimedOut);
        QTest::newRow("ERROR after the third slice") << "QFWF=error#3" << failed << " T59!" << 3;
        QTest::newRow("ERROR instead of the prompt") << "QFWF=refuse" << failed << " T60!" << 1;
        QTest::newRow("silent phone") << "QFWF=silent" << timedOut << " T57!" << 1;
        QTest::newRow("OK before the data") << "QFWF=early" << timedOut << " T57!" << 1;
        QTest::newRow("second confirmation late") << "QFWF=late:900#2" << timedOut << " T57!" << 2;
        QTest::newRow("confirmation paused inside") << "QFWF=split:3:900" << timedOut << " T57!" << 1;
        QTest::newRow("local file gone") << "gone" << failed << " T108" << 0;
        QTest::newRow("local file unreadable") << "unreadable" << failed << " T121" << 0;
    }

    void uploadFailures()
    {
        QFETCH(QString, fault);
        QFETCH(int, outcome);
        QFETCH(QString, statusEnd);
        QFETCH(int, commands);
        const bool onPhone = fault.startsWith(QLatin1String("QFWF"));
        LinkFixture fixture(onPhone ? QStringList{QStringLiteral("--fault"), fault} : QStringList(), 400);
        QDir().mkpath(fixture.phone.root() + QStringLiteral("/ml"));
        QVERIFY(fixture.connect());
        fixture.link->setTiming({.TimeOutTime = 400, .DelayTime = 50, .SliceSize = 1000});
        // A write-only kernel attribute stays unreadable, even to the superuser.
        const QString name = fixture.phone.scratch() + "/f.bin", unreadable = "/sys/bus/pci/rescan";
        const QString source = onPhone           ? writeLocal(name, patterned(2500))
                               : fault == "gone" ? name
                                                 : unreadable;
        if (source == unreadable && (!QFileInfo(source).isFile() || QFile(source).open(QIODevice::ReadOnly)))
            QSKIP("no unreadable file to be had here");
        QCOMPARE(int(fixture.link->SendFile(uploadOf(source, QStringLiteral("/ml")))), outcome);
        const QString status = fixture.observer.lastStatus(1);
        if (onPhone)
            QVERIFY2(status.endsWith(statusEnd) || status.contains(statusEnd + " T14"), qPrintable(status));
        else
            QCOMPARE(fixture.observer.messages, QStringList{QStringLiteral("T107 ") + source + statusEnd});
        // The upload stops at the failing slice instead of leaving a hole.
        QCOMPARE(slicesWritten(fixture.phone.commands()).size(), commands);
        QCOMPARE(fixture.phone.commands().isEmpty(), commands == 0);
        QTRY_VERIFY_WITH_TIMEOUT(!fixture.phone.hasFile(QStringLiteral("ml/f.bin")), 3000);
    }

    // The phone's pause separates each slice, from its data, from the next
    // command. A delete in the root ends the row, its OK arriving in two parts.
    void exchangesInARowKeepThePause()
    {
        LinkFixture fixture({QStringLiteral("--fault"), QStringLiteral("QFDF=split:3:150")});
        fixture.phone.putFile(QStringLiteral("a.txt"), "a");
        QVERIFY(fixture.connect());
        fixture.link->setTiming({.TimeOutTime = 2000, .DelayTime = 150, .SliceSize = 1000});
        const QString source = writeLocal(fixture.phone.scratch() + "/up.bin", patterned(2500));
        QCOMPARE(fixture.link->SendFile(uploadOf(source, QStringLiteral("/"))), Outcome::Done);
        QCOMPARE(fixture.link->DeleteFile(QStringLiteral("a.txt"), QStringLiteral("/")), Outcome::Done);
        QCOMPARE(fixture.observer.lastStatus(1), QStringLiteral("T68"));
        QVERIFY(!fixture.phone.hasFile(QStringLiteral("a.txt")));
        QCOMPARE(fixture.phone.commands().last(), R"(AT+QFDF="002F",0,"0061002E007400780074",1)");
        QList<double> commands;
        for (const auto& [event, at] : fixture.phone.timeline())
            if (event == QLatin1String("command"))
                commands << at;
        commands.remove(0, 3);        // who the phone is, asked before the first upload
        QCOMPARE(commands.size(), 4); // three slices, a delete
        // The data follows its command, so command to command.
        for (int i = 0; i < 3; ++i)
            QVERIFY2(commands.at(i + 1) - commands.at(i) >= 150, qPrintable(QString::number(i)));
    }
};

QTEST_GUILESS_MAIN(TransfersTest)
#include "tst_transfers.moc"
