#include "phone/NameCodec.h"
#include "phone/RepairJournal.h"
#include "support/LocalFiles.h"
#include "support/ProgramRun.h"
#include "support/SimulatedPhone.h"
#include "support/StoredRar.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray sampleFile(const char* name = "selector.utf")
{
    return readLocal(QStringLiteral(VANTREL_SOURCE_DIR "/phone-sample/java/") + QLatin1String(name));
}

// A phone holding the sample phone's Java menu and suites.
void putSampleJava(const SimulatedPhone& phone)
{
    for (const char* name : {"selector.utf", "s0_suite.jad", "s0_suite.jar", "s1_suite.jad", "s1_suite.jar"})
        phone.putFile(QStringLiteral("java/") + QLatin1String(name), sampleFile(name));
}

QStringList phoneJavaFolder(const SimulatedPhone& phone)
{
    return QDir(phone.root() + QStringLiteral("/java")).entryList(QDir::Files, QDir::Name);
}

const QString kHello = QStringLiteral(VANTREL_SOURCE_DIR "/samples/hello-java.vnj");
const QByteArray kHelloJar = readLocal(QStringLiteral(VANTREL_SOURCE_DIR "/samples/hello-java/java.jar"));

} // namespace

// `vantrel-cli java` as a new user runs it against the simulated phone.
class CliJavaTest : public QObject
{
    Q_OBJECT

    QTemporaryDir home_;

    ProgramRun java(const SimulatedPhone& phone, const QStringList& arguments)
    {
        return runProgram(
            SimulatedPhone::binary(QStringLiteral("vantrel-cli")),
            QStringList{"--port", phone.device(), "--delay", "20", "--timeout", "1500", "java"} + arguments,
            userEnvironment(home_.path()), home_.path());
    }

    int menuCopies() const
    {
        return QDir(home_.filePath("data/Vantrel/Vantrel/java-menus")).entryList(QDir::Files).size();
    }

private slots:
    // A suite outside any folder, a folder without a name and Latin-1 names
    // (found as typed in UTF-8) are listed and kept through every rewrite.
    void installsListsExportsAndRemoves()
    {
        SimulatedPhone phone;
        putSampleJava(phone);
        QByteArray menu = sampleFile();
        menu.replace("nextroot=2\n", "nextroot=2\nsuite=Lone, \\\n\troot=s5_, \\\n\tnum=1, \\\n\tdomain=d\n"
                                     "midlet=Lone, \\\n\tclass=l.Main\n");
        menu.replace("folder=Games", "folder=").replace("folder=Tools", "folder=Spi\xe9le");
        phone.putFile(QStringLiteral("java/selector.utf"), menu.replace("suite=Calculator", "suite=K\xe4"
                                                                                            "fer"));
        QVERIFY(phone.start());
        const ProgramRun run = java(phone, {"install", kHello, "--folder", QStringLiteral("Spiéle")});
        QVERIFY2(run.status == 0 && run.err.contains(QStringLiteral("earlier Java menu is kept in")),
                 qPrintable(run.err));
        QCOMPARE(menuCopies(), 1);
        QCOMPARE(phone.fileContent(QStringLiteral("java/s2_suite.jar")), kHelloJar);
        QCOMPARE(phoneJavaFolder(phone),
                 (QStringList{"s0_suite.jad", "s0_suite.jar", "s1_suite.jad", "s1_suite.jar", "s2_suite.jad",
                              "s2_suite.jar", "selector.utf"}));
        // The suites' files go first; the old menu is deleted right before the new one, sent last.
        const QStringList commands = phone.commands();
        const QStringList uploads = commands.filter(QRegularExpression(QStringLiteral("^AT\\+QFWF=")));
        const qsizetype deletion = commands.indexOf(QRegularExpression(QStringLiteral("^AT\\+QFDF=.*")));
        QVERIFY(uploads.last().contains(EncodeName(QStringLiteral("selector.utf"))));
        QCOMPARE(commands.value(deletion + 1), uploads.last());

        const QByteArray listed = "nextroot\t3\n"
                                  "suite\t\tLone\ts5_\t1\td\tLone\t\tl.Main\n"
                                  "folder\t\t1\t0\n"
                                  "suite\t\tSnake\ts0_\t1\tuntrusted\tSnake\t/icon.png\tsnake.Main\n"
                                  "folder\tSpi\xe9le\t1\t0\n"
                                  "suite\tSpi\xe9le\tK\xe4"
                                  "fer\ts1_\t1\tuntrusted\tCalculator\t\tcalc.Main\n";
        QCOMPARE(java(phone, {"list"}).out,
                 listed + "suite\tSpi\xe9le\tHello Vantrel\ts2_\t1\tuntrusted\tHello Vantrel\t\t"
                          "hello.HelloMidlet\n");

        QTemporaryDir here;
        QCOMPARE(java(phone, {"export", "Hello Vantrel", "--to", here.path()}).status, 0);
        QCOMPARE(readLocal(here.filePath(QStringLiteral("Hello_Vantrel/java.jar"))), kHelloJar);
        QCOMPARE(QDir(here.filePath(QStringLiteral("Hello_Vantrel"))).entryList(QDir::Files),
                 (QStringList{"java.jad", "java.jar", "vnjava.ini"}));

        QCOMPARE(java(phone, {"remove", "Hello Vantrel", "Käfer", "--delete-files"}).status, 0);
        QCOMPARE(menuCopies(), 2);
        // The phone's "/java" holds exactly what its menu names.
        QCOMPARE(phoneJavaFolder(phone), (QStringList{"s0_suite.jad", "s0_suite.jar", "selector.utf"}));
        QCOMPARE(java(phone, {"list"}).out, listed.first(listed.indexOf("suite\tSpi")));
    }

    void writesNothingWhenItRefuses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        const QString hostile = home_.filePath("hostile.vnj");
        QVERIFY(
            writeStoredRar4(hostile, {{"vnjava.ini", "suite=X\r\n"}, {"java.jar", "x"}, {"../x.jar", "x"}}));
        QTest::newRow("an unknown folder") << QStringList{"install", kHello, "--folder", "Nowhere"} << 1;
        // The good package before it is not installed either.
        QTest::newRow("a package with a ../ entry")
            << QStringList{"install", kHello, hostile, "--folder", "Games"} << 1;
        QTest::newRow("a missing package") << QStringList{"install", "no.vnj", "--folder", "Games"} << 1;
        QTest::newRow("an unknown suite") << QStringList{"remove", "Snake", "Tetris"} << 1;
        QTest::newRow("an unknown suite to export") << QStringList{"export", "Tetris"} << 1;
        QTest::newRow("no action") << QStringList() << 2;
        QTest::newRow("install without a folder") << QStringList{"install", kHello} << 2;
        QTest::newRow("an option of another action") << QStringList{"list", "--force"} << 2;
        QTest::newRow("remove without names") << QStringList{"remove"} << 2;
    }
    void writesNothingWhenItRefuses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        SimulatedPhone phone;
        putSampleJava(phone);
        QVERIFY(phone.start());
        QCOMPARE(java(phone, arguments).status, status);
        QCOMPARE(phone.commands().filter(QRegularExpression(QStringLiteral("^AT\\+QF[WD]F"))), QStringList());
        QCOMPARE(phone.fileContent(QStringLiteral("java/selector.utf")), sampleFile());
    }

    // Whatever fails, the phone holds a working menu, or the record has the
    // next connection put the earlier one back; the user is told which.
    void keepsTheMenuWorkingWhenSendingFails_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("install");
        QTest::addColumn<bool>("restored");
        // Hello Vantrel's two files are the 1st and 2nd uploads, the menu the 3rd.
        QTest::newRow("the menu refused once: put back at once") << "QFWF=error@1" << false << true;
        QTest::newRow("a suite file refused: the menu untouched") << "QFWF=error@1" << true << true;
        QTest::newRow("the new menu refused after the suite files") << "QFWF=error#3" << true << true;
        QTest::newRow("every upload refused") << "QFWF=error" << false << false;
        QTest::newRow("the old menu's deletion unanswered: no files sent") << "QFDF=silent" << false << false;
        QTest::newRow("the line lost after the suite files") << "QFWF=drop:0#3" << true << false;
        QTest::newRow("the client killed while the menu goes") << "QFWF=late:30000#3" << true << false;
    }
    void keepsTheMenuWorkingWhenSendingFails()
    {
        QFETCH(QString, fault);
        QFETCH(bool, install);
        QFETCH(bool, restored);
        const bool kill = fault.contains(QLatin1String("late")); // killed while it waits for the phone
        const QString record = home_.filePath(QStringLiteral("data/Vantrel/Vantrel/repair-journal.json"));
        // What this phone left to repair is no other test's: pseudo-terminal names come again.
        const auto forget = qScopeGuard([&] { QFile::remove(record); });
        SimulatedPhone phone({QStringLiteral("--fault"), fault});
        putSampleJava(phone);
        QVERIFY(phone.start());
        const QStringList arguments =
            install ? QStringList{"install", kHello, "--folder", "Games"} : QStringList{"remove", "Snake"};
        if (kill) {
            QProcess client;
            client.setProcessEnvironment(userEnvironment(home_.path()));
            client.start(SimulatedPhone::binary(QStringLiteral("vantrel-cli")),
                         QStringList{"--port", phone.device(), "--timeout", "60000", "java"} + arguments);
            QTRY_COMPARE_WITH_TIMEOUT(
                phone.commands().filter(QRegularExpression(QStringLiteral("^AT\\+QFWF="))).size(), 3, 20000);
            client.kill();
            QVERIFY(client.waitForFinished(10000));
        } else {
            const ProgramRun run = java(phone, arguments);
            const QString told =
                QStringLiteral("The files could not be sent to the phone.\nThe phone holds ") +
                (restored ? "its earlier Java menu." : "no Java menu now");
            QVERIFY2(run.status == 1 && run.err.contains(told), qPrintable(run.err));
        }
        QList<RepairJournal::Entry> repairs = RepairJournal(record).entries();
        // The menu's own partial upload is recorded beside it.
        repairs.removeIf([](const RepairJournal::Entry& r) {
            return r.kind == RepairJournal::Kind::DeletePartial && r.name == QLatin1String("selector.utf");
        });
        QCOMPARE(repairs.size(), restored ? 0 : 1);
        if (restored) {
            QCOMPARE(phone.fileContent(QStringLiteral("java/selector.utf")), sampleFile());
            QCOMPARE(phoneJavaFolder(phone), QDir(QStringLiteral(VANTREL_SOURCE_DIR "/phone-sample/java"))
                                                 .entryList(QDir::Files, QDir::Name));
            return;
        }
        const RepairJournal::Entry& repair = repairs.first();
        QCOMPARE(repair.kind, RepairJournal::Kind::RestoreFile);
        QCOMPARE(repair.phonePath(), QStringLiteral("/java/selector.utf"));
        // The copy lies in the user's data folder, which outlives the run.
        QVERIFY(repair.copyPath.startsWith(home_.filePath(QStringLiteral("data/"))));
        QCOMPARE(readLocal(repair.copyPath), sampleFile());
        // The next connection to the same phone, whatever its port, puts the earlier menu back.
        QVERIFY(phone.restart({}));
        const ProgramRun next = java(phone, {"list"});
        QVERIFY2(next.status == 0 &&
                     next.err.contains(QStringLiteral("put back the earlier /java/selector.utf")),
                 qPrintable(next.err));
        QCOMPARE(phone.fileContent(QStringLiteral("java/selector.utf")), sampleFile());
        QCOMPARE(RepairJournal(record).entries().size(), 0);
        // The copy is the menu's history: it stays.
        QVERIFY(QFileInfo::exists(repair.copyPath));
    }

    // A menu read only up to an error loses the suites after it: sent only with --force.
    void sendsADamagedMenuOnlyWhenForced()
    {
        SimulatedPhone phone;
        const QByteArray damaged = sampleFile().replace("num=1", "num=x");
        phone.putFile(QStringLiteral("java/selector.utf"), damaged);
        QVERIFY(phone.start());
        const ProgramRun run = java(phone, {"list"});
        QVERIFY2(run.status == 1 && run.err.contains(QStringLiteral("could not be read")),
                 qPrintable(run.err));
        QCOMPARE(java(phone, {"remove", "Snake"}).status, 1);
        QCOMPARE(phone.fileContent(QStringLiteral("java/selector.utf")), damaged);
        QCOMPARE(java(phone, {"remove", "Snake", "--force"}).status, 0);
        QCOMPARE(java(phone, {"list"}).out, QByteArray("nextroot\t2\nfolder\tGames\t1\t0\n"));
    }
};

QTEST_GUILESS_MAIN(CliJavaTest)
#include "tst_cli_java.moc"
