#include "support/SimulatedPhone.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Every folder ("a/") and file ("a/b=content") below `root`, sorted.
QStringList readTree(const QString& root)
{
    QStringList found;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString relative = QDir(root).relativeFilePath(info.filePath());
        if (info.isDir()) {
            found << relative + QLatin1Char('/');
            continue;
        }
        QFile file(info.filePath());
        file.open(QIODevice::ReadOnly);
        found << relative + QLatin1Char('=') + QString::fromUtf8(file.readAll());
    }
    found.sort();
    return found;
}

} // namespace

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

    // A tree with Cyrillic names, an empty folder and a name that would leave
    // the destination: the folder lands in a local folder of its name.
    void copiesAFolderWithItsSubFolders()
    {
        SimulatedPhone phone;
        phone.putFile(QStringLiteral("ml/im/Фото.png"), "photo");
        phone.putFile(QStringLiteral("ml/im/Отпуск/море.jpg"), "sea!");
        phone.putFile(QStringLiteral("ml/top.txt"), "t");
        phone.putFile(QStringLiteral("other/x.txt"), "not asked for");
        QVERIFY(phone.start());
        QVERIFY(QDir().mkpath(phone.root() + QStringLiteral("/ml/Пусто")));
        QTemporaryDir here;

        const Run run = cli(onPhone(phone, {QStringLiteral("get"), QStringLiteral("-r"),
                                            QStringLiteral("/ml"), QStringLiteral("--to"), here.path()}));
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("copied 3 files, 10 bytes, 0 failed\n"));
        QCOMPARE(readTree(here.path()),
                 (QStringList{"ml/", "ml/im/", "ml/im/Отпуск/", "ml/im/Отпуск/море.jpg=sea!",
                              "ml/im/Фото.png=photo", "ml/top.txt=t", "ml/Пусто/"}));
    }

    // A second backup with --update reads only what changed; the first one
    // copies every folder, the phone's internal ones excepted.
    void backupUpdateSkipsUnchangedFiles()
    {
        SimulatedPhone phone;
        phone.putFile(QStringLiteral("ml/a.txt"), "aaa");
        phone.putFile(QStringLiteral("ml/im/b.png"), "bb");
        phone.putFile(QStringLiteral("root.txt"), "r");
        phone.putFile(QStringLiteral(".internal/secret.bin"), "no");
        QVERIFY(phone.start());
        QTemporaryDir here;
        const QString backup = here.filePath(QStringLiteral("phone backup"));
        const QStringList command{QStringLiteral("backup"), backup, QStringLiteral("--update")};

        Run run = cli(onPhone(phone, command));
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("copied 3 files, 6 bytes, 0 failed\n"));
        QCOMPARE(readTree(backup),
                 (QStringList{"ml/", "ml/a.txt=aaa", "ml/im/", "ml/im/b.png=bb", "root.txt=r"}));

        phone.putFile(QStringLiteral("ml/a.txt"), "changed");
        phone.putFile(QStringLiteral("ml/im/b.png"), "xx"); // same size: taken as unchanged
        phone.putFile(QStringLiteral("ml/new.txt"), "n");
        run = cli(onPhone(phone, command));
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("copied 2 files, 8 bytes, skipped 2 unchanged, 0 failed\n"));
        QCOMPARE(readTree(backup), (QStringList{"ml/", "ml/a.txt=changed", "ml/im/", "ml/im/b.png=bb",
                                                "ml/new.txt=n", "root.txt=r"}));
        const QStringList reads = phone.commands().filter(QStringLiteral("AT+QFRF"));
        QCOMPARE(reads.size(), 3 + 2);
    }

    // A folder name that would be read as a path, and a link standing where a
    // folder would go, are counted as failed and never followed.
    void folderCopyStaysInsideTheDestination()
    {
        SimulatedPhone phone;
        phone.putFile(QStringLiteral("ml/ok.txt"), "ok");
        phone.putFile(QStringLiteral("ml/a\\b/x.txt"), "x");
        phone.putFile(QStringLiteral("other/y.txt"), "y");
        QVERIFY(phone.start());
        QTemporaryDir here, elsewhere;
        QVERIFY(QFile::link(elsewhere.path(), here.filePath(QStringLiteral("other"))));

        const Run run = cli(onPhone(phone, {QStringLiteral("backup"), here.path()}));
        QCOMPARE(run.status, 1);
        QCOMPARE(run.out, QStringLiteral("copied 1 file, 2 bytes, 2 failed\n"));
        QVERIFY2(run.err.contains(QStringLiteral("not copied: /ml/a\\b/")), qPrintable(run.err));
        QVERIFY2(run.err.contains(QStringLiteral("not copied: /other/")), qPrintable(run.err));
        QCOMPARE(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        QCOMPARE(readTree(here.filePath(QStringLiteral("ml"))), QStringList{"ok.txt=ok"});
    }

    // A failed file is counted and named; the rest is still copied.
    void folderCopyCountsFailures()
    {
        SimulatedPhone phone({QStringLiteral("--fault"), QStringLiteral("QFRF=error@1")});
        phone.putFile(QStringLiteral("ml/a.txt"), "a");
        phone.putFile(QStringLiteral("ml/b.txt"), "b");
        QVERIFY(phone.start());
        QTemporaryDir here;
        const Run run = cli(onPhone(phone, {QStringLiteral("backup"), here.path()}));
        QCOMPARE(run.status, 1);
        QCOMPARE(run.out, QStringLiteral("copied 1 file, 1 byte, 1 failed\n"));
        QVERIFY2(run.err.contains(QStringLiteral("not copied: /ml/a.txt")), qPrintable(run.err));
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
        QTest::newRow("get -r without folder") << QStringList{"get", "-r"} << 2;
        QTest::newRow("missing phone folder") << QStringList{"get", "-r", "/none"} << 1;
        QTest::newRow("backup without folder") << QStringList{"backup"} << 2;
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
