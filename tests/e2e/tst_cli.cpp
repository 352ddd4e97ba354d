#include "support/SimulatedPhone.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// vantrel-cli as a user runs it: its own settings folder, the simulated phone.
class CliTest : public QObject
{
    Q_OBJECT

    QTemporaryDir config_;

    struct Run
    {
        int status = -1;
        QString out, err;
    };

    Run cli(const QStringList& arguments, const QString& workingFolder = QString())
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config_.path());
        process.setProcessEnvironment(environment);
        if (!workingFolder.isEmpty())
            process.setWorkingDirectory(workingFolder);
        process.start(SimulatedPhone::binary(QStringLiteral("vantrel-cli")), arguments);
        Run run;
        if (!process.waitForFinished(30000))
            return run;
        run.status = process.exitCode();
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

    QStringList onPhone(const SimulatedPhone& phone, const QStringList& command)
    {
        return QStringList{QStringLiteral("--port"), phone.device(), QStringLiteral("--delay"),
                           QStringLiteral("50")} +
               command;
    }

private slots:
    void listsAndReadsTheBattery()
    {
        SimulatedPhone phone({QStringLiteral("--battery"), QStringLiteral("1,64")});
        phone.putFile(QStringLiteral("ml/im/a b.jpg"), "12345");
        phone.putFile(QStringLiteral("ml/Мелодия.mid"), "12");
        QVERIFY(phone.start());

        Run run = cli(onPhone(phone, {QStringLiteral("ls"), QStringLiteral("/ml")}));
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("im/\nМелодия.mid\t2\n"));
        QVERIFY(run.err.contains(QStringLiteral("Listing /ml/...")));

        run = cli(onPhone(phone, {QStringLiteral("battery")}));
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("64\n"));
    }

    void namesCannotForgeLinesOrDriveTheTerminal()
    {
        SimulatedPhone phone;
        phone.putFile(QStringLiteral("ml/a\nfake\t9.txt"), "123");
        phone.putFile(QStringLiteral("ml/\x1b[2Jx/b.txt"), "1");
        QVERIFY(phone.start());
        const Run run = cli(onPhone(phone, {QStringLiteral("ls"), QStringLiteral("/ml")}));
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("\\033[2Jx/\na\\nfake\\t9.txt\t3\n"));
    }

    void copiesBothWaysAndDeletes()
    {
        SimulatedPhone phone;
        phone.putFile(QStringLiteral("ml/im/a.jpg"), "picture");
        QVERIFY(phone.start());
        QTemporaryDir here;

        Run run = cli(onPhone(phone, {QStringLiteral("get"), QStringLiteral("/ml/im/a.jpg")}), here.path());
        QCOMPARE(run.status, 0);
        QFile got(here.filePath(QStringLiteral("a.jpg")));
        QVERIFY(got.open(QIODevice::ReadOnly));
        QCOMPARE(got.readAll(), QByteArray("picture"));

        const QString local = here.filePath(QStringLiteral("up.txt"));
        QFile up(local);
        QVERIFY(up.open(QIODevice::WriteOnly));
        up.write("sent");
        up.close();
        run = cli(onPhone(phone, {QStringLiteral("put"), local, QStringLiteral("/ml/")}));
        QCOMPARE(run.status, 0);
        QCOMPARE(phone.fileContent(QStringLiteral("ml/up.txt")), QByteArray("sent"));

        run = cli(onPhone(
            phone, {QStringLiteral("rm"), QStringLiteral("/ml/up.txt"), QStringLiteral("/ml/im/a.jpg")}));
        QCOMPARE(run.status, 0);
        QVERIFY(!phone.hasFile(QStringLiteral("ml/up.txt")));
        QVERIFY(!phone.hasFile(QStringLiteral("ml/im/a.jpg")));
    }

    // The next run may come at once: each run waits out the pause the phone
    // needs after its last exchange before it ends.
    void runsInARowKeepThePhonesPause()
    {
        SimulatedPhone phone;
        phone.putFile(QStringLiteral("a.txt"), "a");
        QVERIFY(phone.start());
        QTemporaryDir here;
        const QStringList get{QStringLiteral("--port"), phone.device(),        QStringLiteral("--delay"),
                              QStringLiteral("400"),    QStringLiteral("get"), QStringLiteral("/a.txt")};
        QCOMPARE(cli(get, here.path()).status, 0);
        QCOMPARE(cli(get, here.path()).status, 0);
        const auto events = phone.timeline();
        QCOMPARE(events.size(), 4);
        QCOMPARE(events.at(1).first, QStringLiteral("answer"));
        QCOMPARE(events.at(2).first, QStringLiteral("command"));
        QVERIFY2(events.at(2).second - events.at(1).second >= 400,
                 qPrintable(QString::number(events.at(2).second - events.at(1).second)));
    }

    void exitStatuses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::newRow("no command") << QStringList() << 2;
        QTest::newRow("unknown command") << QStringList{"format"} << 2;
        QTest::newRow("ls without folder") << QStringList{"ls"} << 2;
        QTest::newRow("bad time-out") << QStringList{"--timeout", "0", "battery"} << 2;
        QTest::newRow("missing phone file") << QStringList{"get", "/none.txt"} << 1;
        QTest::newRow("missing local file") << QStringList{"put", "/no/such/file", "/ml"} << 1;
        QTest::newRow("rm refused") << QStringList{"rm", "/none.txt"} << 1;
    }

    void exitStatuses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        SimulatedPhone phone;
        QVERIFY(phone.start());
        QTemporaryDir here;
        QCOMPARE(cli(onPhone(phone, arguments), here.path()).status, status);
        QCOMPARE(QDir(here.path()).entryList(QDir::Files), QStringList());
    }

    void unreachablePortFails()
    {
        const Run run = cli({QStringLiteral("--port"), QStringLiteral("/dev/no-such-port"),
                             QStringLiteral("ls"), QStringLiteral("/")});
        QCOMPARE(run.status, 1);
        QVERIFY(run.err.contains(QStringLiteral("Could not open port /dev/no-such-port!")));
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
