#include "support/LinkFixture.h"

#include <QElapsedTimer>
#include <QTest>

namespace {
QStringList names(const QList<PhoneEntry>& entries)
{
    QStringList result;
    for (const PhoneEntry& entry : entries)
        result << entry.name + (entry.isFolder ? QStringLiteral("/") : QString());
    return result;
}
} // namespace

class PhoneLinkTest : public QObject
{
    Q_OBJECT
private slots:
    void listsFolders()
    {
        LinkFixture fixture;
        fixture.phone.putFile(QStringLiteral("ml/im/a.jpg"), "12345");
        fixture.phone.putFile(QStringLiteral("ml/im/Фото.jpg"), QByteArray(3000, 'x'));
        fixture.phone.putFile(QStringLiteral("ml/ri/tone.mid"), "m");
        fixture.phone.putFile(QStringLiteral("root file.txt"), QByteArray(2048, 'r'));
        fixture.phone.putFile(QStringLiteral(".internal/secret"), "s");
        QDir().mkpath(fixture.phone.root() + QStringLiteral("/empty"));
        for (int i = 0; i < 1000; ++i)
            fixture.phone.putFile(QStringLiteral("big/f%1.txt").arg(i, 4, 10, QLatin1Char('0')), "1");
        QVERIFY(fixture.connect());
        QCOMPARE(fixture.observer.panel1, (QStringList{"T61 COM9...", "T62 COM9 T63."}));

        ListingResult root = fixture.link->ListFolder(QStringLiteral("/"));
        QCOMPARE(root.outcome, Outcome::Done);
        QCOMPARE(names(root.entries), (QStringList{"big/", "empty/", "ml/", "root file.txt"}));
        QCOMPARE(fixture.observer.lastStatus(1), QStringLiteral("T52 2.0 KB."));

        const ListingResult nested = fixture.link->ListFolder(QStringLiteral("/ml/im/"));
        QCOMPARE(names(nested.entries), (QStringList{"a.jpg", "Фото.jpg"}));
        QCOMPARE(nested.entries.at(1).size, qint64(3000));

        const ListingResult big = fixture.link->ListFolder(QStringLiteral("/big/"));
        QCOMPARE(big.entries.size(), 1000);
        QCOMPARE(big.entries.last().name, QStringLiteral("f0999.txt"));

        const ListingResult empty = fixture.link->ListFolder(QStringLiteral("/empty/"));
        QCOMPARE(empty.outcome, Outcome::Done);
        QVERIFY(empty.entries.isEmpty());
        QCOMPARE(fixture.observer.lastStatus(1), QStringLiteral("T52 0 B."));

        fixture.link->setShowInternal(true);
        root = fixture.link->ListFolder(QStringLiteral("/"));
        QCOMPARE(names(root.entries), (QStringList{".internal/", "big/", "empty/", "ml/", "root file.txt"}));
        QCOMPARE(fixture.phone.commands().last(), QStringLiteral("AT+QFSL=\"002F\",4"));
    }

    void listingSurvivesASplitAtEveryByte()
    {
        LinkFixture fixture({QStringLiteral("--fault"), QStringLiteral("QFSL=walk:20")});
        fixture.phone.putFile(QStringLiteral("ml/a.jpg"), "1");
        fixture.phone.putFile(QStringLiteral("ml/b.mid"), "22");
        QVERIFY(fixture.connect());
        // Two 56-byte entry lines, then CR LF and the final "\r\nOK\r\n".
        const int length = 2 * 56 + 8;
        for (int position = 1; position < length; ++position) {
            const ListingResult listing = fixture.link->ListFolder(QStringLiteral("/ml/"));
            QCOMPARE(listing.outcome, Outcome::Done);
            QCOMPARE(names(listing.entries), (QStringList{"a.jpg", "b.mid"}));
        }
        // No attempt was repeated: one command per listing.
        QCOMPARE(fixture.phone.commands().size(), length - 1);
    }

    // A final line end arriving late is no reason to give up; every ending
    // says what it is and switches busy on and off once.
    void listingOutcomes_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("commands"); // -1: any
        QTest::addColumn<QString>("status");
        // "\r\nOK\r\n" is the whole answer of an empty folder: pause before its last CR LF.
        QTest::newRow("line end after a pause") << "QFSL=split:4:150"
                                                << "/e/" << int(Outcome::Done) << 1 << "T52 0 B.";
        QTest::newRow("line end missing twice") << "QFSL=nocrlf@2"
                                                << "/e/" << int(Outcome::Done) << 3 << "T52 0 B.";
        QTest::newRow("line end always missing") << "QFSL=nocrlf"
                                                 << "/e/" << int(Outcome::Failed) << 4 << "T54 /e/!";
        QTest::newRow("ERROR") << "QFSL=error"
                               << "/ml/" << int(Outcome::Failed) << -1 << "T54 /ml/!";
        QTest::newRow("line dropped") << "QFSL=drop:20"
                                      << "/ml/" << int(Outcome::LineLost) << -1 << "T76 COM9! T80";
        // Cancelled before the time-out: quietly, the status still the listing's.
        QTest::newRow("cancelled") << "QFSL=silent"
                                   << "/ml/" << int(Outcome::Cancelled) << 1 << "T51 /ml/...";
    }

    void listingOutcomes()
    {
        QFETCH(QString, fault);
        QFETCH(QString, folder);
        QFETCH(int, outcome);
        QFETCH(int, commands);
        QFETCH(QString, status);
        LinkFixture fixture({QStringLiteral("--fault"), fault}, 500);
        fixture.phone.putFile(QStringLiteral("ml/a.jpg"), "1");
        QDir().mkpath(fixture.phone.root() + QStringLiteral("/e"));
        QVERIFY(fixture.connect());
        if (outcome == int(Outcome::Cancelled))
            QTimer::singleShot(100, [&] { fixture.link->cancel(); });
        const ListingResult listing = fixture.link->ListFolder(folder);
        QCOMPARE(int(listing.outcome), outcome);
        QVERIFY(listing.entries.isEmpty());
        if (commands >= 0)
            QCOMPARE(fixture.phone.commands().size(), commands);
        QCOMPARE(fixture.observer.lastStatus(1), status);
        QCOMPARE(fixture.observer.busyChanges, (QList<bool>{true, false}));
        if (listing.outcome == Outcome::LineLost) {
            QVERIFY(!fixture.link->isOpen());
            // A closed port makes the next operation do nothing and say nothing.
            const qsizetype reported = fixture.observer.panel1.size();
            QCOMPARE(fixture.link->ListFolder(QStringLiteral("/")).outcome, Outcome::NotRun);
            QCOMPARE(fixture.observer.panel1.size(), reported);
        }
    }

    // A phone that rings every 100 ms and never answers: the ringing is no
    // answer, and every exchange ends by its time-out.
    void ringingDoesNotStretchAWait_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("status");
        QTest::newRow("listing") << QStringLiteral("QFSL=silent") << QStringLiteral("T55 COM9.");
        QTest::newRow("battery") << QStringLiteral("CBC=silent") << QStringLiteral("T56");
        QTest::newRow("delete") << QStringLiteral("QFDF=silent") << QStringLiteral("T67");
        QTest::newRow("download") << QStringLiteral("QFRF=silent") << QStringLiteral("T72 a.txt.");
        QTest::newRow("upload prompt") << QStringLiteral("QFWF=silent") << QString();
    }

    void ringingDoesNotStretchAWait()
    {
        QFETCH(QString, fault);
        QFETCH(QString, status);
        LinkFixture fixture(
            {QStringLiteral("--fault"), fault, QStringLiteral("--ring"), QStringLiteral("100")}, 500);
        fixture.phone.putFile(QStringLiteral("ml/a.txt"), "a");
        QVERIFY(fixture.connect());
        // Waits that never end would be cut off here instead, as cancelled.
        QTimer::singleShot(8000, fixture.link.get(), [&] { fixture.link->cancel(); });
        Outcome outcome = Outcome::NotRun;
        const QString kind = fault.left(fault.indexOf(QLatin1Char('=')));
        if (kind == QLatin1String("QFSL"))
            outcome = fixture.link->ListFolder(QStringLiteral("/ml/")).outcome;
        else if (kind == QLatin1String("CBC"))
            outcome = fixture.link->QueryBatteryCharge().outcome;
        else if (kind == QLatin1String("QFDF"))
            outcome = fixture.link->DeleteFile(QStringLiteral("a.txt"), QStringLiteral("/ml/"));
        else if (kind == QLatin1String("QFRF"))
            outcome =
                fixture.link->ReadFile(QStringLiteral("/ml"), QStringLiteral("a.txt"), fixture.temp.path());
        else
            outcome = fixture.link->SendFile({fixture.phone.root() + QStringLiteral("/ml/a.txt"),
                                              QStringLiteral("/ml"), QStringLiteral("b.txt"), 1});
        QCOMPARE(outcome, Outcome::TimedOut);
        if (!status.isEmpty())
            QCOMPARE(fixture.observer.lastStatus(1), status);
    }

    void ringingDoesNotDisturbAnAnswer()
    {
        LinkFixture fixture({QStringLiteral("--ring"), QStringLiteral("30")});
        fixture.phone.putFile(QStringLiteral("ml/a.jpg"), "12345");
        QVERIFY(fixture.connect());
        for (int round = 0; round < 5; ++round) {
            const ListingResult listing = fixture.link->ListFolder(QStringLiteral("/ml/"));
            QCOMPARE(listing.outcome, Outcome::Done);
            QCOMPARE(names(listing.entries), QStringList{"a.jpg"});
            QCOMPARE(fixture.link->QueryBatteryCharge().percent, 85);
            QCOMPARE(
                fixture.link->ReadFile(QStringLiteral("/ml"), QStringLiteral("a.jpg"), fixture.temp.path()),
                Outcome::Done);
            QTest::qWait(40); // lets a RING come between the exchanges
        }
    }

    void waitingKeepsTheEventLoopRunning()
    {
        LinkFixture fixture({QStringLiteral("--fault"), QStringLiteral("QFSL=late:400")});
        QDir().mkpath(fixture.phone.root() + QStringLiteral("/e"));
        QVERIFY(fixture.connect());
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(20);
        bool refused = false;
        // A second exchange asked for while the first one waits is refused.
        QTimer::singleShot(
            100, [&] { refused = fixture.link->ListFolder(QStringLiteral("/")).outcome == Outcome::NotRun; });
        QCOMPARE(fixture.link->ListFolder(QStringLiteral("/e/")).outcome, Outcome::Done);
        QVERIFY(ticks >= 10);
        QVERIFY(refused);
        QCOMPARE(fixture.phone.commands().size(), 1);
    }

    void openFailureSaysWhy_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no such device") << QStringLiteral("no-such-port") << QStringLiteral("T131");
        QTest::newRow("in use") << QString() << QStringLiteral("T133");
    }

    void openFailureSaysWhy()
    {
        QFETCH(QString, device);
        QFETCH(QString, reason);
        LinkFixture fixture;
        QVERIFY(fixture.connect());
        device =
            device.isEmpty() ? fixture.phone.device() : fixture.phone.scratch() + QLatin1Char('/') + device;
        RecordingObserver other;
        PhoneLink second(fixture.texts, other);
        QVERIFY(!second.OpenPort(QStringLiteral("COM9"), device));
        QCOMPARE(other.lastStatus(1), QStringLiteral("T64 COM9 (%1)! %2 T134").arg(device, reason));
    }

    void batteryCharge_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("panel2");
        QTest::addColumn<QString>("panel1");
        QTest::newRow("0,85") << QStringList{"--battery", "0,85"} << 6 << QStringLiteral("85% ") << QString();
        QTest::newRow("out of range")
            << QStringList{"--battery", "0,150"} << 0 << QString() << QStringLiteral("T56");
        QTest::newRow("ERROR") << QStringList{"--fault", "CBC=error"} << 0 << QString()
                               << QStringLiteral("T56");
    }

    void batteryCharge()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, level);
        QFETCH(QString, panel2);
        QFETCH(QString, panel1);
        LinkFixture fixture(arguments, 3000);
        QVERIFY(fixture.connect());
        fixture.link->setDisplayCharge(true);
        QElapsedTimer clock;
        clock.start();
        const BatteryResult result = fixture.link->ShowBatteryCharge();
        QVERIFY(clock.elapsed() < 2000); // ERROR does not wait for the time-out
        QCOMPARE(result.level, level);
        QCOMPARE(fixture.observer.batteryLevels, QList<int>{level});
        QCOMPARE(fixture.observer.lastStatus(2), panel2);
        if (!panel1.isEmpty())
            QCOMPARE(fixture.observer.lastStatus(1), panel1);
    }

    void batterySurvivesASplitAtEveryByte()
    {
        LinkFixture fixture({QStringLiteral("--fault"), QStringLiteral("CBC=walk:20")});
        QVERIFY(fixture.connect());
        const int length = QByteArray("\r\n+CBC: 0,85\r\n\r\nOK\r\n").size();
        for (int position = 1; position < length; ++position)
            QCOMPARE(fixture.link->QueryBatteryCharge().percent, 85);
    }
};

QTEST_GUILESS_MAIN(PhoneLinkTest)
#include "tst_phonelink.moc"
