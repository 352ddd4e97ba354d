#include "phone/RepairJournal.h"
#include "support/LocalFiles.h"
#include "support/SimulatedPhone.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <memory>
#include <pty.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

// vantrel-cli as a user runs it: its own settings folder, the simulated phone.
class CliTest : public QObject
{
    Q_OBJECT

    QTemporaryDir config_;
    QString extraPorts_; // the ports the client is to ask besides the system's

    struct Run
    {
        int status = -1;
        QString out, err;
    };

    QString scratch() const
    {
        const QString folder = config_.filePath(u"tmp"_s);
        QDir().mkpath(folder);
        return folder;
    }

    // The client's settings, its repair record and its temporary folders stay
    // in the test's own folder.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_CONFIG_HOME"_s, config_.path());
        environment.insert(u"XDG_DATA_HOME"_s, config_.filePath(u"data"_s));
        environment.insert(u"TMPDIR"_s, scratch());
        if (!extraPorts_.isEmpty())
            environment.insert(u"VANTREL_EXTRA_PORTS"_s, extraPorts_);
        return environment;
    }

    // A run to its end; `fileSizeLimit` bytes, when given, is the most it may write to one file.
    Run cli(const QStringList& arguments, const QString& workingFolder = QString(), int fileSizeLimit = 0)
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        if (!workingFolder.isEmpty())
            process.setWorkingDirectory(workingFolder);
        if (fileSizeLimit > 0)
            process.setChildProcessModifier([fileSizeLimit] {
                const rlimit limit{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            });
        process.start(SimulatedPhone::binary(u"vantrel-cli"_s), arguments);
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
        return QStringList{u"--port"_s, phone.device(), u"--delay"_s, u"50"_s} + command;
    }

    QString journalPath() const { return config_.filePath(u"data/Vantrel/Vantrel/repair-journal.json"_s); }

    // A run under way: the client started, and `underWay` true within a bound.
    bool startUnderWay(QProcess& process, const QStringList& arguments, const std::function<bool()>& underWay)
    {
        process.setProcessEnvironment(environment());
        process.start(SimulatedPhone::binary(u"vantrel-cli"_s), arguments);
        QDeadlineTimer bound(15000);
        while (!underWay() && !bound.hasExpired())
            process.waitForFinished(20);
        return underWay();
    }

private slots:
    // Pseudo-terminal names come again: no test inherits another's repairs.
    void init()
    {
        extraPorts_.clear();
        RepairJournal journal(journalPath());
        for (const RepairJournal::Entry& entry : journal.entries())
            journal.remove(entry.id);
        QDir(journal.copiesFolder()).removeRecursively();
    }

    void listsAndReadsTheBattery()
    {
        SimulatedPhone phone({u"--battery"_s, u"1,64"_s, u"--serial"_s, u"42"_s});
        phone.putFile(u"ml/im/a b.jpg"_s, "12345");
        phone.putFile(u"ml/Мелодия.mid"_s, "12");
        phone.putFile(u"ml/a\nfake\t9.txt"_s, "123");
        phone.putFile(u"ml/\x1b[2Jx/b.txt"_s, "1");
        QVERIFY(phone.start());

        Run run = cli(onPhone(phone, {u"ls"_s, u"/ml"_s}));
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, u"\\033[2Jx/\nim/\na\\nfake\\t9.txt\t3\nМелодия.mid\t2\n"_s);
        QCOMPARE(run.err,
                 u"Port "_s + phone.device() + u" is open.\n"_s); // a listing that went well says no more

        run = cli(onPhone(phone, {u"battery"_s}));
        QCOMPARE(run.out, u"64\n"_s);

        // The line log: every line stamped, a file's content only as its count and first bytes.
        const QString trace = config_.filePath(u"line.log"_s);
        run =
            cli(QStringList{"--trace", trace} + onPhone(phone, {"get", "/ml/im/a b.jpg", "--to", scratch()}));
        QCOMPARE(run.status, 0);
        const QString lines = QString::fromUtf8(readLocal(trace));
        QVERIFY2(lines.startsWith(u"   0.000 → AT+CGSN\\r\\n"_s) && lines.contains(u" → AT+QFRF="_s) &&
                     lines.endsWith(u"← OK\\r\\n\n"_s),
                 qPrintable(lines));
        QVERIFY2(lines.contains(u"← [5 B] 31 32 33 34 35\n"_s) && !lines.contains(u"12345"_s),
                 qPrintable(lines));
    }

    // One line per file on stderr, "vantrel-cli: FILE: cause", whatever went wrong; nothing of
    // the link's steps under way; the summary of several files comes last.
    void eachFileIsToldInOneLine_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("fileSizeLimit");
        QTest::addColumn<QStringList>("told"); // the lines naming a file, and the summary
        const QStringList get{"get", "/ml/a.txt", "/ml/b.txt"}, putW{"put", "w.bin", "/ml"};
        const QString a = u"vantrel-cli: /ml/a.txt: "_s, w = u"vantrel-cli: /ml/w.bin: "_s;
        const QString copiedB = u"vantrel-cli: /ml/b.txt: copied to ./b.txt"_s;
        const QString oneOfTwo = u"vantrel-cli: files done: 1 of 2, failed: 1"_s;
        QTest::newRow("download refused")
            << get << "QFRF=error@1" << 0
            << QStringList{a + "the phone refused it (ERROR)", copiedB, oneOfTwo};
        QTest::newRow("download silent") << QStringList{"get", "/ml/a.txt"} << "QFRF=silent" << 0
                                         << QStringList{a + "no answer within the time-out"};
        QTest::newRow("download, line lost") << QStringList{"get", "/ml/a.txt"} << "QFRF=drop:100" << 0
                                             << QStringList{a + "the line to the phone was lost"};
        QTest::newRow("download of the wrong size")
            << QStringList{"get", "/ml/a.txt"} << "QFRF=nosize" << 0
            << QStringList{a + "the phone's answer had the wrong shape or size"};
        QTest::newRow("download, the disk full")
            << get << "" << 8192
            << QStringList{a + "cannot write ./a.txt: File too large", copiedB, oneOfTwo};
        QTest::newRow("no such file")
            << QStringList{"get", "/ml/nothing.txt", "/ml/b.txt"} << "" << 0
            << QStringList{"vantrel-cli: /ml/nothing.txt: the phone has no such file", copiedB, oneOfTwo};
        QTest::newRow("upload refused")
            << putW << "QFWF=error" << 0 << QStringList{w + "the phone refused it (ERROR)"};
        QTest::newRow("upload silent")
            << putW << "QFWF=silent" << 0 << QStringList{w + "no answer within the time-out"};
        QTest::newRow("upload, line lost")
            << putW << "QFWF=drop:100#2" << 0
            << QStringList{w + "the line to the phone was lost; an incomplete copy stays on the phone until "
                               "the next connection deletes it"};
        QTest::newRow("upload of a missing file")
            << QStringList{"put", "none.bin", "w.bin", "/ml"} << "" << 0
            << QStringList{"vantrel-cli: none.bin: No such file or directory", w + "sent",
                           u"vantrel-cli: files done: 1 of 2, failed: 1"_s};
    }

    void eachFileIsToldInOneLine()
    {
        QFETCH(QStringList, command);
        QFETCH(QString, fault);
        QFETCH(int, fileSizeLimit);
        QFETCH(QStringList, told);
        SimulatedPhone phone(fault.isEmpty() ? QStringList() : QStringList{u"--fault"_s, fault});
        phone.putFile(u"ml/a.txt"_s, QByteArray(12000, 'a'));
        phone.putFile(u"ml/b.txt"_s, "bee");
        QVERIFY(phone.start());
        QTemporaryDir here;
        writeLocal(here.filePath(u"w.bin"_s), QByteArray(6000, 'w'));
        const Run run = cli(QStringList{"--timeout", "1000", "--slice", "2048"} + onPhone(phone, command),
                            here.path(), fileSizeLimit);
        QCOMPARE(run.status, 1);
        const QStringList lines = run.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        // Waiting for the phone after a silence may be said on a line of its own; nothing else is.
        const QStringList aboutFiles =
            lines.filter(QRegularExpression(u"^vantrel-cli: (/ml/|none.bin|files done)"_s));
        QCOMPARE(aboutFiles, told);
        QStringList events = lines;
        events.removeIf([](const QString& line) {
            return line.startsWith(u"Waiting for the phone"_s) || line.endsWith(u" is open."_s);
        });
        QVERIFY2(events.size() == told.size(), qPrintable(run.err));
        QCOMPARE(events.last(), told.last());
        QVERIFY2(!run.err.contains(u"Sending"_s) && !run.err.contains(u"Reading"_s), qPrintable(run.err));
    }

    // -q leaves errors and the summary.
    void quietSaysErrorsAndTheSummaryOnly_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("told");
        const QString failed = u"vantrel-cli: /ml/nothing.txt: the phone has no such file"_s;
        const QString summary = u"vantrel-cli: files done: 1 of 2, failed: 1"_s;
        QTest::newRow("plain") << QStringList()
                               << QStringList{u"vantrel-cli: /ml/a.txt: copied to ./a.txt"_s, failed,
                                              summary};
        QTest::newRow("-q") << QStringList{"-q"} << QStringList{failed, summary};
        QTest::newRow("--quiet after the command") << QStringList{"--quiet"} << QStringList{failed, summary};
    }

    void quietSaysErrorsAndTheSummaryOnly()
    {
        QFETCH(QStringList, options);
        QFETCH(QStringList, told);
        SimulatedPhone phone;
        phone.putFile(u"ml/a.txt"_s, "a");
        QVERIFY(phone.start());
        QTemporaryDir here;
        QStringList command = onPhone(phone, {u"get"_s, u"/ml/a.txt"_s, u"/ml/nothing.txt"_s});
        if (options.contains(u"-q"_s))
            command = options + command;
        else
            command += options;
        const Run run = cli(command, here.path());
        QCOMPARE(run.status, 1);
        const QStringList lines = run.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        // Which port was opened is said, but not with -q.
        QCOMPARE(lines, (options.isEmpty() ? QStringList{u"Port "_s + phone.device() + u" is open."_s}
                                           : QStringList()) +
                            told);
        QCOMPARE(readTree(here.path()), QStringList{"a.txt=a"});
    }

    // --json: one document, names as they are (escaped by JSON alone), sizes as numbers.
    void jsonListsNamesAsTheyAre()
    {
        SimulatedPhone phone;
        phone.putFile(u"ml/a\tb\nc.txt"_s, "123");
        phone.putFile(u"ml/Мелодия.mid"_s, QByteArray(70000, 'm'));
        phone.putFile(u"ml/im/x.jpg"_s, "1");
        QVERIFY(phone.start());
        const Run run = cli(onPhone(phone, {u"ls"_s, u"/ml"_s, u"--json"_s}));
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains(u"\"a\\tb\\nc.txt\""_s) && run.out.contains(u"Мелодия.mid"_s),
                 qPrintable(run.out));
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(run.out.toUtf8(), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QJsonArray entries = document.array();
        QCOMPARE(entries.size(), 3);
        QStringList seen;
        for (const QJsonValue& entry : entries) {
            const QJsonObject item = entry.toObject();
            seen << item[u"name"_s].toString() + u'=' + item[u"type"_s].toString() + u'=' +
                        (item.contains(u"size"_s) ? QString::number(item[u"size"_s].toInteger()) : u"-"_s);
            QVERIFY(!item.contains(u"size"_s) || item[u"size"_s].isDouble());
        }
        seen.sort();
        QCOMPARE(seen, (QStringList{u"a\tb\nc.txt=file=3"_s, u"im=folder=-"_s, u"Мелодия.mid=file=70000"_s}));
        QVERIFY2(!run.err.contains(u"vantrel-cli:"_s), qPrintable(run.err));
    }

    // The next run may come at once: each run waits out the pause the phone
    // needs after its last exchange before it ends.
    void runsInARowKeepThePhonesPause()
    {
        SimulatedPhone phone;
        phone.putFile(u"a.txt"_s, "a");
        QVERIFY(phone.start());
        QTemporaryDir here;
        const QStringList get{u"--port"_s, phone.device(), u"--delay"_s, u"400"_s, u"get"_s, u"/a.txt"_s};
        QCOMPARE(cli(get, here.path()).status, 0);
        QCOMPARE(cli(get, here.path()).status, 0);
        // Each run: who the phone is (serial, model, firmware), the folder's listing, the download.
        const auto events = phone.timeline();
        QCOMPARE(events.size(), 20);
        QCOMPARE(events.at(9).first, u"answer"_s);
        QCOMPARE(events.at(10).first, u"command"_s);
        QVERIFY2(events.at(10).second - events.at(9).second >= 400,
                 qPrintable(QString::number(events.at(10).second - events.at(9).second)));
    }

    // A second backup with --update reads only what changed; the first one
    // copies every folder, the phone's internal ones excepted.
    void backupUpdateSkipsUnchangedFiles()
    {
        SimulatedPhone phone;
        phone.putFile(u"ml/a.txt"_s, "aaa");
        phone.putFile(u"ml/im/b.png"_s, "bb");
        phone.putFile(u"root.txt"_s, "r");
        phone.putFile(u".internal/secret.bin"_s, "no");
        QVERIFY(phone.start());
        QTemporaryDir here;
        const QString backup = here.filePath(u"phone backup"_s);
        const QStringList command{u"backup"_s, backup, u"--update"_s};

        Run run = cli(onPhone(phone, command));
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, u"copied 3 files, 6 bytes, 0 failed\n"_s);
        QCOMPARE(readTree(backup),
                 (QStringList{"ml/", "ml/a.txt=aaa", "ml/im/", "ml/im/b.png=bb", "root.txt=r"}));

        phone.putFile(u"ml/a.txt"_s, "changed");
        phone.putFile(u"ml/im/b.png"_s, "xx"); // same size: taken as unchanged
        phone.putFile(u"ml/new.txt"_s, "n");
        run = cli(onPhone(phone, command));
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, u"copied 2 files, 8 bytes, skipped 2 unchanged, 0 failed\n"_s);
        QCOMPARE(readTree(backup), (QStringList{"ml/", "ml/a.txt=changed", "ml/im/", "ml/im/b.png=bb",
                                                "ml/new.txt=n", "root.txt=r"}));
        QCOMPARE(phone.commands().filter(u"AT+QFRF"_s).size(), 3 + 2);
    }

    // Folder copies as a user runs them: what lands where, what the run says.
    // A name that would be read as a path, a link standing where a folder
    // would go and a name with control characters are counted as failed,
    // named harmlessly and never followed; a walk deeper than its bound (as a
    // folder listing itself would be) ends there, keeping what it copied.
    void folderCopies_data()
    {
        QTest::addColumn<QStringList>("files"); // "path=content" on the phone; "path/" an empty folder
        QTest::addColumn<QString>("special");
        QTest::addColumn<QStringList>("command"); // the destination is added
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<QStringList>("tree");
        const QStringList getR{"get", "-r", "/ml", "--to"}, backup{"backup"};
        QTest::newRow("sub-folders, Cyrillic and empty ones")
            << QStringList{"ml/im/Фото.png=photo", "ml/im/Отпуск/море.jpg=sea!", "ml/top.txt=t",
                           "other/x.txt=not asked for", "ml/Пусто/"}
            << "" << getR << 0 << "copied 3 files, 10 bytes, 0 failed\n"
            << QStringList()
            << u"ml/|ml/im/|ml/im/Отпуск/|ml/im/Отпуск/море.jpg=sea!|ml/im/Фото.png=photo|ml/top.txt=t|ml/Пусто/"_s
                   .split(u'|');
        QTest::newRow("two files of one name")
            << QStringList{"ml/im/a.jpg=picture", "ml/a.jpg=other"} << ""
            << QStringList{"get", "/ml/im/a.jpg", "/ml/a.jpg", "--to"} << 0 << ""
            << QStringList{"name taken, kept as a (2).jpg: /ml/a.jpg\n"}
            << QStringList{"a (2).jpg=other", "a.jpg=picture"};
        QTest::newRow("a refused file")
            << QStringList{"ml/a.txt=a", "ml/b.txt=b"} << "QFRF=error@1" << backup << 1
            << "copied 1 file, 1 byte, 1 failed\n"
            << QStringList{"\nnot copied: /ml/a.txt\n"} << QStringList{"ml/", "ml/b.txt=b"};
        QTest::newRow("names that leave the folder or drive the terminal")
            << QStringList{"ml/ok.txt=ok", "ml/a\\b/x.txt=x", "other/y.txt=y", "ml/a\nfake\t9.txt=123",
                           "ml/\x1b[2Jx/b.txt=1"}
            << "link" << backup << 1 << "copied 1 file, 2 bytes, 4 failed\n"
            << QStringList{"\nnot copied: /ml/a\\\\b/\n", "\nnot copied: /other/\n",
                           "\nnot copied: /ml/a\\nfake\\t9.txt\n", "\nnot copied: /ml/\\033[2Jx/\n"}
            << QStringList{"ml/", "ml/ok.txt=ok", "other/"};
        QTest::newRow("deeper than the walk goes")
            << QStringList{"ml/x.txt=x", "ml/" + QString("d/").repeated(65) + "y.txt=y"} << "deep" << getR
            << 1 << "copied 1 file, 1 byte, 1 failed\n"
            << QStringList{"(deeper than 64 levels: the rest was not copied)"} << QStringList{"ml/x.txt=x"};
    }

    void folderCopies()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, special);
        QFETCH(QStringList, command);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QStringList, said);
        QFETCH(QStringList, tree);
        SimulatedPhone phone(special.contains(QLatin1Char('=')) ? QStringList{u"--fault"_s, special}
                                                                : QStringList());
        for (const QString& file : files) {
            if (file.endsWith(QLatin1Char('/')))
                QVERIFY(QDir().mkpath(phone.root() + QLatin1Char('/') + file));
            else
                phone.putFile(file.section(QLatin1Char('='), 0, 0),
                              file.section(QLatin1Char('='), 1).toUtf8());
        }
        QVERIFY(phone.start());
        QTemporaryDir here, elsewhere;
        if (special == QLatin1String("link"))
            QVERIFY(QFile::link(elsewhere.path(), here.filePath(u"other"_s)));

        const Run run = cli(onPhone(phone, command << here.path()));
        QCOMPARE(run.status, status);
        QCOMPARE(run.out, out);
        for (const QString& text : said)
            QVERIFY2(run.err.contains(text), qPrintable(run.err.right(300)));
        QVERIFY2(!run.err.contains(QChar(0x1b)) && !run.err.contains(QChar('\t')), qPrintable(run.err));
        const QStringList found = readTree(here.path());
        QCOMPARE(special == QLatin1String("deep") ? found.filter(u"="_s) : found, tree);
        QCOMPARE(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    }

    // get and put replace files like cp; --no-clobber keeps what is there and
    // sends nothing when the phone cannot tell what is there. A failed file
    // fails the run wherever it comes in the list. Wrong use is status 2 and
    // a failed command 1; neither leaves anything behind.
    void commandsAndTheirStatus_data()
    {
        QTest::addColumn<QStringList>("command"); // "a.txt": the local one
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("local"); // the local a.txt afterwards
        QTest::addColumn<QByteArray>("phone"); // the phone's ml/a.txt afterwards
        const QStringList get{"get", "/ml/a.txt", "/ml/b.txt"}, put{"put", "a.txt", "/ml"};
        const QStringList keep{"--no-clobber"};
        const auto row = [](const char* name, const QStringList& command, const char* fault, int status,
                            const char* local = "local", const char* phone = "phone's") {
            QTest::newRow(name) << command << QString(fault) << status << QByteArray(local)
                                << QByteArray(phone);
        };
        row("get replaces", get, "", 0, "phone's");
        row("get --no-clobber keeps", get + keep, "", 0);
        row("get, the first file refused", get, "QFRF=error@1", 1);
        row("put replaces", put, "", 0, "local", "local");
        row("put --no-clobber keeps", put + keep, "", 0);
        row("put --no-clobber, the folder unreadable", put + keep, "QFSL=error", 1);
        row("rm", {"rm", "/ml/a.txt", "/ml/b.txt"}, "", 0, "local", "");
        row("no command", {}, "", 2);
        row("unknown command", {"format"}, "", 2);
        row("ls without folder", {"ls"}, "", 2);
        row("bad time-out", {"--timeout", "0", "battery"}, "", 2);
        row("slice beyond the settings", {"--slice", "40000", "battery"}, "", 2);
        row("missing phone file", {"get", "/none.txt"}, "", 1);
        row("missing local file", {"put", "/no/such/file", "/ml"}, "", 1);
        row("rm refused", {"rm", "/none.txt"}, "", 1);
        row("get -r without folder", {"get", "-r"}, "", 2);
        row("missing phone folder", {"get", "-r", "/none"}, "", 1);
        row("backup without folder", {"backup"}, "", 2);
        row("unreachable port", {"--port", "/dev/no-such-port", "ls", "/"}, "", 1);
    }

    void commandsAndTheirStatus()
    {
        QFETCH(QStringList, command);
        QFETCH(QString, fault);
        QFETCH(int, status);
        QFETCH(QByteArray, local);
        QFETCH(QByteArray, phone);
        SimulatedPhone device(fault.isEmpty() ? QStringList() : QStringList{u"--fault"_s, fault});
        device.putFile(u"ml/a.txt"_s, "phone's");
        device.putFile(u"ml/b.txt"_s, "phone's b");
        QVERIFY(device.start());
        QTemporaryDir here;
        const QString mine = writeLocal(here.filePath(u"a.txt"_s), "local");
        command.replaceInStrings(QRegularExpression(u"^a\\.txt$"_s), mine);
        const Run run = cli(onPhone(device, command), here.path());
        QCOMPARE(run.status, status);
        QCOMPARE(readLocal(mine), local);
        QCOMPARE(device.fileContent(u"ml/a.txt"_s), phone);
        QCOMPARE(run.err.contains(u"exists already: a.txt"_s),
                 command.contains(u"--no-clobber"_s) && !status);
        const bool bothNamed = command.contains(u"/ml/b.txt"_s);
        QStringList left{"a.txt=" + local};
        if (bothNamed && command.first() == QLatin1String("get"))
            left << u"b.txt=phone's b"_s;
        QCOMPARE(readTree(here.path()), left);
        QCOMPARE(device.hasFile(u"ml/b.txt"_s), !bothNamed || command.first() != QLatin1String("rm"));
        if (command.contains(u"/dev/no-such-port"_s))
            QVERIFY2(run.err.contains(u"Could not open port /dev/no-such-port!"_s), qPrintable(run.err));
    }

    // An answer that comes after its time-out, or that the run cannot write,
    // is never read as the next command's: every file that is said to be
    // copied holds its own bytes, and every failure is named.
    void earlyEndsLeaveTheLineInStep_data()
    {
        QTest::addColumn<QStringList>("phoneFaults");
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QStringList>("copied");
        QTest::addColumn<int>("fileSizeLimit");
        QTest::newRow("late download") << QStringList{"--fault", "QFRF=late:2500#1"}
                                       << QStringList{"get", "/d/A/a1.txt", "/d/B/b1.txt", "/d/B/b2.txt"}
                                       << QStringList{"b1.txt=bee one", "b2.txt=bee two"} << 0;
        QTest::newRow("late listing in a folder copy")
            << QStringList{"--fault", "QFSL=late:2500#2"} << QStringList{"get", "-r", "/d"}
            << QStringList{"d/B/b1.txt=bee one", "d/B/b2.txt=bee two"} << 0;
        // The whole file fits the write buffer: only the check before the commit can see the cut,
        // however the pieces arrive.
        QTest::newRow("unwritable download")
            << QStringList() << QStringList{"get", "/d/A/a1.txt", "/d/B/b1.txt", "/d/B/b2.txt"}
            << QStringList{"b1.txt=bee one", "b2.txt=bee two"} << 8192;
    }

    void earlyEndsLeaveTheLineInStep()
    {
        QFETCH(QStringList, phoneFaults);
        QFETCH(QStringList, command);
        QFETCH(QStringList, copied);
        QFETCH(int, fileSizeLimit);
        SimulatedPhone phone(phoneFaults);
        phone.putFile(u"d/A/a1.txt"_s, QByteArray(12000, 'a'));
        phone.putFile(u"d/B/b1.txt"_s, "bee one");
        phone.putFile(u"d/B/b2.txt"_s, "bee two");
        QVERIFY(phone.start());
        QTemporaryDir here;
        const Run run =
            cli(QStringList{"--port", phone.device(), "--delay", "50", "--timeout", "1000"} + command,
                here.path(), fileSizeLimit);
        QCOMPARE(run.status, 1);
        QCOMPARE(readTree(here.path()).filter(u"="_s), copied);
        QVERIFY2(run.err.contains(u"a1.txt"_s) || run.out.contains(u" 1 failed"_s), qPrintable(run.err));
    }

    // Ctrl-C ends the run at once with status 130 (a second signal, or a kill,
    // is not even needed): a partly received file is never written, and the
    // next run waits for the phone to finish, deletes a partly sent file and
    // gets its own answers.
    void ctrlCStopsATransfer_data()
    {
        QTest::addColumn<bool>("get");
        QTest::addColumn<int>("signal");
        QTest::newRow("get") << true << SIGINT;
        QTest::newRow("put") << false << SIGINT;
        QTest::newRow("get, killed") << true << SIGKILL;
        QTest::newRow("put, killed") << false << SIGKILL;
    }

    void ctrlCStopsATransfer()
    {
        QFETCH(bool, get);
        QFETCH(int, signal);
        SimulatedPhone phone({u"--baud"_s, u"115200"_s});
        phone.putFile(u"ml/big.bin"_s, QByteArray(16000, 'p'));
        QVERIFY(phone.start());
        QTemporaryDir here;
        const QString source = writeLocal(here.filePath(u"up.bin"_s), QByteArray(30000, 'u'));

        QProcess process;
        process.setProcessEnvironment(environment());
        process.setWorkingDirectory(here.path());
        process.start(SimulatedPhone::binary(u"vantrel-cli"_s),
                      onPhone(phone, get ? QStringList{"get", "/ml/big.bin", "--to", "got"}
                                         : QStringList{"--slice", "2048", "put", source, "/ml"}));
        QDir(here.path()).mkdir(u"got"_s);
        // Under way: the phone is sending the file, or has stored a slice of it.
        QString err;
        QTRY_VERIFY_WITH_TIMEOUT(
            (err += QString::fromUtf8(process.readAllStandardError()),
             get ? phone.commands().size() >= 1 : phone.commands().filter(u"AT+QFWF="_s).size() >= 2),
            10000);
        ::kill(static_cast<pid_t>(process.processId()), signal);
        // At once, with the phone still sending or waiting for the rest of a slice.
        QVERIFY(process.waitForFinished(2000));
        err += QString::fromUtf8(process.readAllStandardError());
        if (signal == SIGINT) {
            QCOMPARE(process.exitStatus(), QProcess::NormalExit);
            QCOMPARE(process.exitCode(), 130);
            QVERIFY2(err.contains(u"Stopped."_s), qPrintable(err));
        }
        QCOMPARE(QDir(here.filePath(u"got"_s)).entryList(QDir::Files | QDir::Hidden), QStringList());
        // A folder a running program holds stays; the killed run's goes.
        QDir(scratch()).mkpath(u"Vantrel-inuse1"_s);
        QLockFile held(scratch() + u"/Vantrel-inuse1/.in-use.lock"_s);
        QVERIFY(held.tryLock(0));
        // The next run waits for the line to settle and deletes the partial file first.
        const Run next = cli(onPhone(phone, {u"ls"_s, u"/ml"_s}));
        QCOMPARE(QDir(scratch()).entryList({u"Vantrel-*"_s}, QDir::Dirs), QStringList{"Vantrel-inuse1"});
        QCOMPARE(next.status, 0);
        QCOMPARE(next.out, u"big.bin\t16000\n"_s);
        QCOMPARE(next.err.contains(u"deleted the incomplete file /ml/up.bin"_s), !get);
    }

    // A put over a file the phone holds, cut however it is: the next connection to that phone, on
    // whatever port, leaves it holding the old file; another phone on the same port path and a file
    // someone replaced meanwhile are left as they are, the copy kept.
    void putOverAFileKeepsTheOldOne_data()
    {
        QTest::addColumn<int>("cut"); // a signal, or 0: the line lost
        QTest::addColumn<QStringList>("nextPhone");
        QTest::addColumn<QByteArray>("replacedBy");
        QTest::addColumn<QString>("said");
        const QStringList same;
        QTest::newRow("killed") << SIGKILL << same << QByteArray() << "put back the earlier /ml/f.bin";
        QTest::newRow("Ctrl-C") << SIGINT << same << QByteArray() << "put back the earlier /ml/f.bin";
        QTest::newRow("line lost") << 0 << same << QByteArray() << "put back the earlier /ml/f.bin";
        QTest::newRow("another phone on the port")
            << SIGKILL << QStringList{"--serial", "999"} << QByteArray() << "";
        QTest::newRow("replaced meanwhile") << SIGKILL << same << QByteArray(7777, 'r') << "Left as it is";
    }
    void putOverAFileKeepsTheOldOne()
    {
        QFETCH(int, cut);
        QFETCH(QStringList, nextPhone);
        QFETCH(QByteArray, replacedBy);
        QFETCH(QString, said);
        QTemporaryDir here;
        const QString port = here.filePath(u"phone"_s);
        const QStringList paced{"--baud", "460800", "--link", port};
        SimulatedPhone phone(paced + (cut ? QStringList() : QStringList{"--fault", "QFWF=drop:500#3"}));
        const QByteArray old(9000, 'o');
        phone.putFile(u"ml/f.bin"_s, old);
        QVERIFY(phone.start());
        const QString source = writeLocal(here.filePath(u"f.bin"_s), QByteArray(30000, 'n'));
        QProcess client;
        const QStringList put{"--port", port, "--delay", "50", "--slice", "2048", "put", source, "/ml"};
        QVERIFY(startUnderWay(client, put, [&] {
            return phone.commands().filter(u"AT+QFWF="_s).size() >= 3 ||
                   client.state() == QProcess::NotRunning;
        }));
        if (cut)
            ::kill(static_cast<pid_t>(client.processId()), cut);
        QVERIFY(client.waitForFinished(5000));
        QCOMPARE(RepairJournal(journalPath()).entries().size(), 2); // the partial file, the old one's copy
        QVERIFY(phone.restart(paced + nextPhone));
        if (!replacedBy.isEmpty())
            phone.putFile(u"ml/f.bin"_s, replacedBy);
        const QByteArray before = phone.fileContent(u"ml/f.bin"_s);
        const Run next = cli({"--port", port, "--delay", "50", "ls", "/ml"});
        QCOMPARE(next.status, 0);
        QVERIFY2(said.isEmpty() ? !next.err.contains(u"/ml/f.bin"_s) : next.err.contains(said),
                 qPrintable(next.err));
        const bool otherPhone = !nextPhone.isEmpty();
        QCOMPARE(phone.fileContent(u"ml/f.bin"_s), otherPhone || !replacedBy.isEmpty() ? before : old);
        QCOMPARE(RepairJournal(journalPath()).entries().size(), otherPhone ? 2 : 0);
        if (otherPhone) {
            // The first phone's entries wait for it; the user may list and forget them.
            const QStringList listed = cli({u"repairs"_s}).out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            QCOMPARE(listed.size(), 2);
            QVERIFY(listed.at(0).contains(u"\tput-back\t/ml/f.bin\t"_s) &&
                    listed.at(1).contains(u"\tdelete-partial\t"_s));
            QCOMPARE(cli({u"repairs"_s, u"--forget"_s, listed.at(0).section(QLatin1Char('\t'), 0, 0)}).status,
                     0);
            QCOMPARE(RepairJournal(journalPath()).entries().size(), 1);
        }
        // The copy goes once it is back on the phone; otherwise it stays.
        QCOMPARE(QDir(config_.filePath(u"data/Vantrel/Vantrel/replaced"_s))
                     .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                     .size(),
                 otherPhone || !replacedBy.isEmpty() ? 1 : 0);
    }

    // Nothing risky starts without its journal entry, and the texts say what is true: a refused
    // clean-up stays for the next connection, which does it; a mute phone is not asked again.
    void journalEntriesComeFirstAndTellTheTruth_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<QString>("dataHome"); // "file": the data folder cannot be made
        QTest::addColumn<int>("fileSizeLimit");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("nextSaid");
        QTest::newRow("data folder impossible")
            << QStringList() << "file" << 0 << "repair journal could not be written"
            << "";
        QTest::newRow("file size limit")
            << QStringList() << "" << 200 << "repair journal could not be written"
            << "";
        QTest::newRow("clean-up refused") << QStringList{"--fault", "QFWF=error#2", "--fault", "QFDF=error"}
                                          << "" << 0 << "an incomplete copy stays on the phone"
                                          << "deleted the incomplete file /ml/up.bin";
        QTest::newRow("mute phone") << QStringList{"--fault", "CGSN=silent", "--fault", "QFSL=silent"} << ""
                                    << 0 << "does not answer"
                                    << "";
    }
    void journalEntriesComeFirstAndTellTheTruth()
    {
        QFETCH(QStringList, faults);
        QFETCH(QString, dataHome);
        QFETCH(int, fileSizeLimit);
        QFETCH(QString, said);
        QFETCH(QString, nextSaid);
        SimulatedPhone phone(faults);
        phone.putFile(u"ml/other"_s, "x");
        QVERIFY(phone.start());
        QTemporaryDir here;
        const QString source = writeLocal(here.filePath(u"up.bin"_s), QByteArray(5000, 'u'));
        if (dataHome == QLatin1String("file"))
            writeLocal(config_.filePath(u"data-file"_s), "not a folder");
        QElapsedTimer clock;
        clock.start();
        QProcessEnvironment env = environment();
        if (!dataHome.isEmpty())
            env.insert(u"XDG_DATA_HOME"_s, config_.filePath(u"data-file/x"_s));
        QProcess process;
        process.setProcessEnvironment(env);
        if (fileSizeLimit > 0)
            process.setChildProcessModifier([fileSizeLimit] {
                const rlimit limit{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            });
        process.start(SimulatedPhone::binary(u"vantrel-cli"_s),
                      {"--port", phone.device(), "--delay", "50", "--timeout", "1500", "--slice", "2048",
                       "put", source, "/ml"});
        QVERIFY(process.waitForFinished(30000));
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(process.exitCode(), 1);
        QVERIFY2(err.contains(said) && !err.contains(u"Tidied up"_s), qPrintable(err));
        if (said.contains(u"journal"_s))
            QCOMPARE(phone.commands().filter(u"AT+QFWF"_s), QStringList());
        // A silent phone costs its first question and one settling, not a time-out per clean-up step.
        if (faults.contains(u"CGSN=silent"_s))
            QVERIFY2(clock.elapsed() < 3 * 1500, qPrintable(QString::number(clock.elapsed())));
        if (nextSaid.isEmpty())
            return;
        QVERIFY(phone.hasFile(u"ml/up.bin"_s));
        QVERIFY(phone.restart({}));
        const Run next = cli(onPhone(phone, {u"ls"_s, u"/ml"_s}));
        QVERIFY2(next.status == 0 && next.err.contains(nextSaid), qPrintable(next.err));
        QVERIFY(!phone.hasFile(u"ml/up.bin"_s));
        QCOMPARE(RepairJournal(journalPath()).entries().size(), 0);
    }

    // An answer that came after the run gave up waiting is the next run's to let pass: its get
    // of another file writes that file's own bytes.
    void aLateAnswerIsNotTheNextRunsData()
    {
        SimulatedPhone phone({u"--fault"_s, u"QFRF=late:2500#1"_s});
        phone.putFile(u"d/a1.txt"_s, QByteArray(3000, 'a'));
        phone.putFile(u"d/b1.txt"_s, QByteArray(3000, 'b'));
        QVERIFY(phone.start());
        QTemporaryDir here;
        const QStringList timing{"--port", phone.device(), "--delay", "50", "--timeout", "1000"};
        QCOMPARE(cli(timing + QStringList{"get", "/d/a1.txt"}, here.path()).status, 1);
        const QString trace = config_.filePath(u"late.log"_s);
        const Run next =
            cli(QStringList{"--trace", trace} + timing + QStringList{"get", "/d/b1.txt"}, here.path());
        QCOMPARE(next.status, 0);
        QCOMPARE(readTree(here.path()), QStringList{"b1.txt=" + QString(3000, QLatin1Char('b'))});
        // The late answer passed while the line settled, before this run asked anything.
        const QString lines = QString::fromUtf8(readLocal(trace));
        QVERIFY2(lines.indexOf(u"+QFRF: 3000"_s) >= 0 &&
                     lines.indexOf(u"+QFRF: 3000"_s) < lines.indexOf(u"→"_s),
                 qPrintable(lines));
    }

    // `ports` and `--port auto` ask the ports named in the environment besides the system's: the
    // phones answer with who they are, a terminal nobody answers on is silent, a port another program
    // holds is busy, a path without a device is missing. --port auto takes the only phone, and a
    // command then works on it; with none or two it lists the ports and ends with status 2.
    void findsThePhoneAmongPorts_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<int>("phones");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("out"); // lines; PHONE1 and SILENT etc. stand for the paths
        QTest::addColumn<QStringList>("err");
        const QStringList autoLs{"--port", "auto", "ls", "/"};
        const QString silent = u"vantrel-cli: SILENT: does not answer"_s,
                      busy = u"vantrel-cli: BUSY: in use by another program"_s,
                      missing = u"vantrel-cli: MISSING: no such device"_s;
        QTest::newRow("ports") << QStringList{"ports"} << 1 << 0
                               << QStringList{"PHONE1\tphone\tST60\t21\t351234567890001\t",
                                              "SILENT\tsilent\t\t\t\t", "BUSY\tbusy\t\t\t\t",
                                              "MISSING\tmissing\t\t\t\t"}
                               << QStringList();
        QTest::newRow("ports, JSON")
            << QStringList{"--json", "ports"} << 1 << 0
            << QStringList{R"({"description":"","device":"PHONE1","firmware":"21","model":"ST60",)"
                           R"("serial":"351234567890001","state":"phone"})",
                           R"({"description":"","device":"SILENT","state":"silent"})"}
            << QStringList();
        QTest::newRow("auto, one phone")
            << autoLs << 1 << 0 << QStringList{"a.txt\t1"}
            << QStringList{u"vantrel-cli: PHONE1: using the phone ST60, firmware 21, serial number …0001"_s};
        QTest::newRow("auto, no phone")
            << autoLs << 0 << 2 << QStringList()
            << QStringList{"vantrel-cli: --port auto: no port answers as a phone", silent, busy, missing};
        QTest::newRow("auto, two phones")
            << autoLs << 2 << 2 << QStringList()
            << QStringList{
                   "vantrel-cli: --port auto: several ports answer as a phone; choose one with --port",
                   u"vantrel-cli: PHONE1: ST60, firmware 21, serial number …0001"_s,
                   u"vantrel-cli: PHONE2: ST60, firmware 21, serial number …0002"_s, silent};
    }

    void findsThePhoneAmongPorts()
    {
        QFETCH(QStringList, command);
        QFETCH(int, phones);
        QFETCH(int, status);
        QFETCH(QStringList, out);
        QFETCH(QStringList, err);
        QTemporaryDir here;
        std::vector<std::unique_ptr<SimulatedPhone>> simulated;
        QHash<QString, QString> paths;
        for (int i = 1; i <= phones; ++i) {
            const QString path = here.filePath(u"phone%1"_s.arg(i));
            simulated.push_back(std::make_unique<SimulatedPhone>(
                QStringList{"--link", path, "--serial", u"35123456789000%1"_s.arg(i)}));
            simulated.back()->putFile(u"a.txt"_s, "a");
            QVERIFY(simulated.back()->start());
            paths.insert(u"PHONE%1"_s.arg(i), path);
        }
        // Terminals nobody answers on; one of them held as another program holds a port.
        int silentMaster = -1, silentSlave = -1, busyMaster = -1, busySlave = -1;
        char silentName[256] = {}, busyName[256] = {};
        QVERIFY(::openpty(&silentMaster, &silentSlave, silentName, nullptr, nullptr) == 0);
        QVERIFY(::openpty(&busyMaster, &busySlave, busyName, nullptr, nullptr) == 0);
        const auto closeTerminals = qScopeGuard([&] {
            for (const int descriptor : {silentMaster, silentSlave, busyMaster, busySlave})
                ::close(descriptor);
        });
        QSerialPort held(QString::fromLatin1(busyName));
        QVERIFY(held.open(QIODevice::ReadWrite));
        paths.insert(u"SILENT"_s, QString::fromLatin1(silentName));
        paths.insert(u"BUSY"_s, QString::fromLatin1(busyName));
        paths.insert(u"MISSING"_s, here.filePath(u"no-such-port"_s));
        QStringList extra;
        for (const QString& key : {u"PHONE1"_s, u"PHONE2"_s, u"SILENT"_s, u"BUSY"_s, u"MISSING"_s}) {
            if (paths.contains(key))
                extra << paths.value(key);
        }
        extraPorts_ = extra.join(u':');
        const auto named = [&](QString text) {
            for (auto path = paths.cbegin(); path != paths.cend(); ++path)
                text.replace(path.key(), path.value());
            return text;
        };

        const Run run = cli(QStringList{"--timeout", "300", "--delay", "50"} + command);
        QCOMPARE(run.status, status);
        // The system's own ports come too (and the settings' one): only ours are looked at.
        const QString compactOut = QString(run.out).remove(u' ').remove(u'\n');
        for (const QString& line : out) {
            const QString expected = named(line);
            QVERIFY2(command.contains(u"--json"_s) ? compactOut.contains(expected)
                                                   : run.out.split(u'\n').contains(expected),
                     qPrintable(expected + u"\n---\n"_s + run.out));
        }
        const QStringList errLines = run.err.split(u'\n');
        for (const QString& line : err)
            QVERIFY2(errLines.contains(named(line)), qPrintable(named(line) + u"\n---\n"_s + run.err));
        // The ports are listed in the order asked: the extra ones in the order named.
        if (command == QStringList{"ports"}) {
            qsizetype last = -1;
            for (const QString& path : extra) {
                const qsizetype at = run.out.indexOf(path + u'\t');
                QVERIFY2(at > last, qPrintable(run.out));
                last = at;
            }
        }
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
