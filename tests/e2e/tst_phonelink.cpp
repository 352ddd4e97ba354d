#include "phone/PortSurvey.h"
#include "platform/PortWatcher.h"
#include "support/LinkFixture.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

#include <pty.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
QStringList names(const QList<PhoneEntry>& entries)
{
    QStringList result;
    for (const PhoneEntry& entry : entries)
        result << entry.name + (entry.isFolder ? u"/"_s : QString());
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
        fixture.phone.putFile(u"ml/im/a.jpg"_s, "12345");
        fixture.phone.putFile(u"ml/im/Фото.jpg"_s, QByteArray(3000, 'x'));
        fixture.phone.putFile(u"ml/ri/tone.mid"_s, "m");
        fixture.phone.putFile(u"root file.txt"_s, QByteArray(2048, 'r'));
        fixture.phone.putFile(u".internal/secret"_s, "s");
        QDir().mkpath(fixture.phone.root() + u"/empty"_s);
        for (int i = 0; i < 1000; ++i)
            fixture.phone.putFile(u"big/f%1.txt"_s.arg(i, 4, 10, QLatin1Char('0')), "1");
        QVERIFY(fixture.connect());
        QCOMPARE(fixture.observer.panel1, (QStringList{"T61 COM9...", "T62 COM9 T63."}));

        ListingResult root = fixture.link->ListFolder(u"/"_s);
        QCOMPARE(root.outcome, Outcome::Done);
        QCOMPARE(names(root.entries), (QStringList{"big/", "empty/", "ml/", "root file.txt"}));
        QCOMPARE(fixture.observer.lastStatus(1), u"T52 2.0 T551."_s);

        const ListingResult nested = fixture.link->ListFolder(u"/ml/im/"_s);
        QCOMPARE(names(nested.entries), (QStringList{"a.jpg", "Фото.jpg"}));
        QCOMPARE(nested.entries.at(1).size, qint64(3000));

        const ListingResult big = fixture.link->ListFolder(u"/big/"_s);
        QCOMPARE(big.entries.size(), 1000);
        QCOMPARE(big.entries.last().name, u"f0999.txt"_s);

        const ListingResult empty = fixture.link->ListFolder(u"/empty/"_s);
        QCOMPARE(empty.outcome, Outcome::Done);
        QVERIFY(empty.entries.isEmpty());
        QCOMPARE(fixture.observer.lastStatus(1), u"T52 0 T550."_s);

        fixture.link->setShowInternal(true);
        root = fixture.link->ListFolder(u"/"_s);
        QCOMPARE(names(root.entries), (QStringList{".internal/", "big/", "empty/", "ml/", "root file.txt"}));
        QCOMPARE(fixture.phone.commands().last(), u"AT+QFSL=\"002F\",4"_s);
    }

    void listingSurvivesASplitAtEveryByte()
    {
        LinkFixture fixture({u"--fault"_s, u"QFSL=walk:20"_s});
        fixture.phone.putFile(u"ml/a.jpg"_s, "1");
        fixture.phone.putFile(u"ml/b.mid"_s, "22");
        QVERIFY(fixture.connect());
        // Two 56-byte entry lines, then CR LF and the final "\r\nOK\r\n".
        const int length = 2 * 56 + 8;
        for (int position = 1; position < length; ++position) {
            const ListingResult listing = fixture.link->ListFolder(u"/ml/"_s);
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
                                                << "/e/" << int(Outcome::Done) << 1 << "T52 0 T550.";
        QTest::newRow("line end missing twice") << "QFSL=nocrlf@2"
                                                << "/e/" << int(Outcome::Done) << 3 << "T52 0 T550.";
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
        LinkFixture fixture({u"--fault"_s, fault}, 500);
        fixture.phone.putFile(u"ml/a.jpg"_s, "1");
        QDir().mkpath(fixture.phone.root() + u"/e"_s);
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
            QCOMPARE(fixture.link->ListFolder(u"/"_s).outcome, Outcome::NotRun);
            QCOMPARE(fixture.observer.panel1.size(), reported);
        }
    }

    // A phone that rings every 100 ms and never answers: the ringing is no
    // answer, and every exchange ends by its time-out.
    void ringingDoesNotStretchAWait_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("status");
        QTest::newRow("listing") << u"QFSL=silent"_s << u"T55 COM9."_s;
        QTest::newRow("battery") << u"CBC=silent"_s << u"T56"_s;
        QTest::newRow("delete") << u"QFDF=silent"_s << u"T67"_s;
        QTest::newRow("download") << u"QFRF=silent"_s << u"T72 a.txt."_s;
        QTest::newRow("upload prompt") << u"QFWF=silent"_s << QString();
    }

    void ringingDoesNotStretchAWait()
    {
        QFETCH(QString, fault);
        QFETCH(QString, status);
        LinkFixture fixture({u"--fault"_s, fault, u"--ring"_s, u"100"_s}, 500);
        fixture.phone.putFile(u"ml/a.txt"_s, "a");
        QVERIFY(fixture.connect());
        // Waits that never end would be cut off here instead, as cancelled.
        QTimer::singleShot(8000, fixture.link.get(), [&] { fixture.link->cancel(); });
        Outcome outcome = Outcome::NotRun;
        const QString kind = fault.left(fault.indexOf(QLatin1Char('=')));
        if (kind == QLatin1String("QFSL"))
            outcome = fixture.link->ListFolder(u"/ml/"_s).outcome;
        else if (kind == QLatin1String("CBC"))
            outcome = fixture.link->QueryBatteryCharge().outcome;
        else if (kind == QLatin1String("QFDF"))
            outcome = fixture.link->DeleteFile(u"a.txt"_s, u"/ml/"_s);
        else if (kind == QLatin1String("QFRF"))
            outcome = fixture.link->ReadFile(u"/ml"_s, u"a.txt"_s, fixture.temp.path());
        else
            outcome =
                fixture.link->SendFile({fixture.phone.root() + u"/ml/a.txt"_s, u"/ml"_s, u"b.txt"_s, 1});
        QCOMPARE(outcome, Outcome::TimedOut);
        if (!status.isEmpty())
            QCOMPARE(fixture.observer.lastStatus(1), status);
    }

    void ringingDoesNotDisturbAnAnswer()
    {
        LinkFixture fixture({u"--ring"_s, u"30"_s});
        fixture.phone.putFile(u"ml/a.jpg"_s, "12345");
        QVERIFY(fixture.connect());
        for (int round = 0; round < 5; ++round) {
            const ListingResult listing = fixture.link->ListFolder(u"/ml/"_s);
            QCOMPARE(listing.outcome, Outcome::Done);
            QCOMPARE(names(listing.entries), QStringList{"a.jpg"});
            QCOMPARE(fixture.link->QueryBatteryCharge().percent, 85);
            QCOMPARE(fixture.link->ReadFile(u"/ml"_s, u"a.jpg"_s, fixture.temp.path()), Outcome::Done);
            QTest::qWait(40); // lets a RING come between the exchanges
        }
    }

    void waitingKeepsTheEventLoopRunning()
    {
        LinkFixture fixture({u"--fault"_s, u"QFSL=late:400"_s});
        QDir().mkpath(fixture.phone.root() + u"/e"_s);
        QVERIFY(fixture.connect());
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(20);
        bool refused = false;
        // A second exchange asked for while the first one waits is refused.
        QTimer::singleShot(100,
                           [&] { refused = fixture.link->ListFolder(u"/"_s).outcome == Outcome::NotRun; });
        QCOMPARE(fixture.link->ListFolder(u"/e/"_s).outcome, Outcome::Done);
        QVERIFY(ticks >= 10);
        QVERIFY(refused);
        QCOMPARE(fixture.phone.commands().size(), 1);
    }

    void openFailureSaysWhy_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no such device") << u"no-such-port"_s << u"T131"_s;
        QTest::newRow("in use") << QString() << u"T133"_s;
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
        QVERIFY(!second.OpenPort(u"COM9"_s, device));
        QCOMPARE(other.lastStatus(1), u"T64 COM9 (%1)! %2 T134"_s.arg(device, reason));
    }

    void batteryCharge_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("panel2");
        QTest::addColumn<QString>("panel1");
        QTest::newRow("0,85") << QStringList{"--battery", "0,85"} << 6 << u"85% "_s << QString();
        QTest::newRow("out of range") << QStringList{"--battery", "0,150"} << 0 << QString() << u"T56"_s;
        QTest::newRow("ERROR") << QStringList{"--fault", "CBC=error"} << 0 << QString() << u"T56"_s;
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
        LinkFixture fixture({u"--fault"_s, u"CBC=walk:20"_s});
        QVERIFY(fixture.connect());
        const int length = QByteArray("\r\n+CBC: 0,85\r\n\r\nOK\r\n").size();
        for (int position = 1; position < length; ++position)
            QCOMPARE(fixture.link->QueryBatteryCharge().percent, 85);
    }

    // The phone unplugged under an open link and plugged in again on the same path: the link says
    // the line is lost, the watcher sees the path come back, and the link works again on it with
    // whichever phone is there now.
    void thePhoneComesBackOnItsPath_data()
    {
        QTest::addColumn<QStringList>("returning");
        QTest::addColumn<QString>("serial");
        QTest::newRow("the same phone") << QStringList() << "351234567890123";
        QTest::newRow("another phone") << QStringList{"--serial-after-return", "999"} << "999";
    }

    void thePhoneComesBackOnItsPath()
    {
        QFETCH(QStringList, returning);
        QFETCH(QString, serial);
        QTemporaryDir here;
        const QString path = here.filePath(u"phone"_s);
        LinkFixture fixture(QStringList{"--link", path} + returning);
        fixture.phone.putFile(u"a.txt"_s, "a");
        QVERIFY(fixture.phone.start());
        // As after a run that left the line in step; the open after the loss settles as it must.
        fixture.link->journal().setLineMark(path, {0, 0, QDateTime::currentMSecsSinceEpoch(), 0});
        QVERIFY(fixture.link->OpenPort(u"COM9"_s, path));
        QVERIFY(fixture.link->IdentifyPhone());

        fixture.phone.vanish();
        QTRY_COMPARE_WITH_TIMEOUT(fixture.observer.linesLost, 1, 5000);
        QVERIFY(!fixture.link->isOpen());
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(path), 5000);
        PortWatcher watcher;
        QSignalSpy back(&watcher, &PortWatcher::deviceBack);
        watcher.watch(path);
        QVERIFY(!watcher.checkNow());

        fixture.phone.comeBack();
        QVERIFY(back.wait(5000));
        QCOMPARE(back.first().first().toString(), path);
        QVERIFY(!watcher.isWatching());
        QVERIFY(fixture.link->OpenPort(u"COM9"_s, path));
        QVERIFY(fixture.link->IdentifyPhone());
        QCOMPARE(fixture.link->identity().serial, serial);
        QCOMPARE(names(fixture.link->ListFolder(u"/"_s).entries), QStringList{"a.txt"});
    }

    // A survey waits for no port in a nested loop: the event loop runs on while a silent port is
    // asked, and Cancel ends it at once, before the next port is opened; a new start replaces it.
    void aSurveyRunsInTheBackgroundAndCancels()
    {
        SimulatedPhone phone;
        QVERIFY(phone.start());
        int master = -1, slave = -1;
        char silent[256] = {};
        QVERIFY(::openpty(&master, &slave, silent, nullptr, nullptr) == 0);
        const auto closeTerminal = qScopeGuard([&] {
            ::close(master);
            ::close(slave);
        });
        PortSurvey survey;
        QSignalSpy progress(&survey, &PortSurvey::progress);
        QSignalSpy finished(&survey, &PortSurvey::finished);
        int ticks = 0;
        QTimer ticking;
        connect(&ticking, &QTimer::timeout, [&] { ++ticks; });
        ticking.start(20);
        survey.start({{QString::fromLatin1(silent), {}}, {phone.device(), {}}});
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 5, PortSurvey::kAnswerBoundMillis / 2);
        QCOMPARE(progress.size(), 1);
        QVERIFY(survey.isRunning());
        survey.cancel();
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().toBool(), true);
        QVERIFY(!survey.isRunning());
        QCoreApplication::processEvents(); // nothing queued may start the next port
        QCOMPARE(progress.size(), 1);
        QVERIFY(survey.findings().isEmpty());
        QCOMPARE(phone.commands(), QStringList());

        // Started again before the first one began: each port is asked once, by the last start.
        survey.start({{QString::fromLatin1(silent), {}}});
        survey.start({{phone.device(), {}}});
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 3, 5000);
        QCOMPARE(finished.last().first().toBool(), false);
        QCOMPARE(survey.findings().size(), 1);
        QCOMPARE(phone.commands(), (QStringList{"AT", "AT+CGMM", "AT+CGMR", "AT+CGSN"}));
    }

    // An identity answer that comes after the survey stopped waiting is let pass by the link's next
    // open, even on a line an earlier run left in step: the link reads its own phone's serial.
    void aSurveysLateAnswerIsNotTheLinks()
    {
        LinkFixture fixture({u"--fault"_s, u"CGMM=late:600"_s});
        QVERIFY(fixture.phone.start());
        fixture.link->journal().setLineMark(fixture.phone.device(),
                                            {0, 0, QDateTime::currentMSecsSinceEpoch(), 0});
        PortSurvey survey;
        survey.setJournal(&fixture.link->journal());
        survey.setAnswerBound(300);
        QSignalSpy finished(&survey, &PortSurvey::finished);
        survey.start({{fixture.phone.device(), {}}});
        QVERIFY(finished.wait(5000));
        QCOMPARE(survey.findings().size(), 1);
        const PortFinding found = survey.findings().first();
        QVERIFY(found.answered());
        QCOMPARE(found.identity.model, QString()); // it stopped waiting there

        QVERIFY(fixture.link->OpenPort(u"COM9"_s, fixture.phone.device()));
        QVERIFY(fixture.link->IdentifyPhone());
        QCOMPARE(fixture.link->identity().serial, u"351234567890123"_s);
        QCOMPARE(fixture.link->ListFolder(u"/"_s).outcome, Outcome::Done);
    }
};

QTEST_GUILESS_MAIN(PhoneLinkTest)
#include "tst_phonelink.moc"
