// Installs the build into a scratch root, as a package would, and runs the
// installed programs from there: they must find their files without the
// build folder beside them.
#include "support/LocalFiles.h"
#include "support/ProgramRun.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int kProcessBound = 20000;

} // namespace

class InstallTest : public QObject
{
    Q_OBJECT

    QTemporaryDir root_;
    QTemporaryDir home_;
    QProcess phone_;
    QString device_;

    QString installed(const QString& relative) const { return root_.filePath(u"usr/"_s + relative); }
    QString phoneLog() const { return home_.filePath(u"commands.log"_s); }

    // A user with settings of their own: German texts, port 4 on the simulated phone.
    QProcessEnvironment user() const { return userEnvironment(home_.path()); }

private slots:
    void initTestCase()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DESTDIR"_s, root_.path());
        const ProgramRun install = runProgram(QStringLiteral(VANTREL_CMAKE_COMMAND),
                                              {"--install", VANTREL_BUILD_DIR, "--prefix", "/usr"},
                                              environment, QString(), kProcessBound);
        QVERIFY2(install.status == 0, qPrintable(install.err));

        QDir().mkpath(home_.filePath(u"phone/ml"_s));
        writeLocal(home_.filePath(u"phone/ml/tune.mid"_s), "MThd");
        phone_.start(installed(u"bin/vantrel-phonesim"_s),
                     {u"--root"_s, home_.filePath(u"phone"_s), u"--log"_s, phoneLog()});
        QVERIFY(phone_.waitForStarted(kProcessBound));
        QTRY_VERIFY_WITH_TIMEOUT(phone_.canReadLine() || phone_.waitForReadyRead(100), kProcessBound);
        device_ = QString::fromLocal8Bit(phone_.readLine()).trimmed();
        QVERIFY(!device_.isEmpty());
        writeLocal(home_.filePath(u"config/Vantrel/Vantrel.conf"_s),
                   "[Settings]\nsysLanguage=german.lng\n[Ports]\nCOM4=" + device_.toLocal8Bit() + "\n");
    }

    void cleanupTestCase()
    {
        phone_.terminate();
        phone_.waitForFinished(kProcessBound);
    }

    void filesInTheirPlaces_data()
    {
        QTest::addColumn<QString>("path");
        for (const char* path :
             {"share/applications/org.vantrel.Vantrel.desktop",
              "share/icons/hicolor/scalable/apps/org.vantrel.Vantrel.svg",
              "share/metainfo/org.vantrel.Vantrel.metainfo.xml", "share/man/man1/vantrel.1",
              "share/man/man1/vantrel-cli.1", "share/man/man1/vantrel-phonesim.1",
              "share/bash-completion/completions/vantrel-cli"})
            QTest::newRow(path) << QString::fromLatin1(path);
    }

    void filesInTheirPlaces()
    {
        QFETCH(QString, path);
        QVERIFY2(QFileInfo(installed(path)).size() > 0, qPrintable(path));
    }

    void clientSpeaksTheChosenLanguage()
    {
        const ProgramRun client =
            runProgram(installed(u"bin/vantrel-cli"_s), {"ls", "/ml"}, user(), QString(), kProcessBound);
        QCOMPARE(client.status, 0);
        QCOMPARE(client.out, QByteArray("tune.mid\t4\n"));
        // The status texts come from the installed German language file.
        QVERIFY2(client.err.contains(u"ist geöffnet"_s), qPrintable(client.err));
    }

    void windowStartsAndReachesThePhone()
    {
        const qint64 heardBefore = QFileInfo(phoneLog()).size();
        QProcess window;
        window.setProcessEnvironment(user());
        window.start(installed(u"bin/vantrel"_s), QStringList());
        QVERIFY(window.waitForStarted(kProcessBound));
        // Without its language files the window would stop at a warning before
        // opening the port; the phone hearing from it proves they were found.
        const auto listedRoot = [this, heardBefore] {
            QFile log(phoneLog());
            return log.open(QIODevice::ReadOnly) && log.seek(heardBefore) &&
                   log.readAll().contains("AT+QFSL=");
        };
        QTRY_VERIFY_WITH_TIMEOUT(listedRoot(), kProcessBound);
        QCOMPARE(window.state(), QProcess::Running);
        // Its working folder is its own in the user's cache, not one beside the installed program.
        QVERIFY(!QFileInfo::exists(installed(u"bin/Temp"_s)));
        QCOMPARE(QDir(home_.filePath(u"cache/Vantrel/Vantrel"_s))
                     .entryList({u"Vantrel-??????"_s}, QDir::Dirs)
                     .size(),
                 1);
        window.terminate();
        QVERIFY(window.waitForFinished(kProcessBound));
    }
};

QTEST_GUILESS_MAIN(InstallTest)
#include "tst_install.moc"
