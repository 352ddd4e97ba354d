#include "java/JavaSending.h"
#include "java/JavaTexts.h"
#include "java/MenuCopies.h"
#include "java/Packages.h"
#include "java/SelectorFile.h"
#include "phone/NameCodec.h"
#include "support/LinkFixture.h"
#include "support/StoredRar.h"

#include <QDirIterator>
#include <QFile>
#include <QTest>

namespace {

QByteArray readLocal(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList filesBelow(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

QByteArray sampleMenu()
{
    return readLocal(QStringLiteral(VANTREL_SOURCE_DIR "/phone-sample/java/selector.utf"));
}

// Where in the phone's command log the first command of a kind stands; -1 when absent.
qsizetype firstCommand(const QStringList& commands, const QString& prefix)
{
    for (qsizetype index = 0; index < commands.size(); ++index) {
        if (commands.at(index).startsWith(prefix))
            return index;
    }
    return -1;
}

} // namespace

class JavaTest : public QObject
{
    Q_OBJECT

private slots:
    void exportsASuiteFromThePhone_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<QByteArray>("suite");
        QTest::addColumn<QByteArray>("midlet");
        QTest::addColumn<QStringList>("made");
        QTest::newRow("blanks in the MIDlet's name")
            << QStringList() << QByteArray("Snake") << QByteArray("Snake Game")
            << QStringList{"Snake_Game/java.jad", "Snake_Game/java.jar", "Snake_Game/vnjava.ini"};
        QTest::newRow("a MIDlet name that climbs out")
            << QStringList() << QByteArray("Snake") << QByteArray("../../up")
            << QStringList{".._.._up/java.jad", ".._.._up/java.jar", ".._.._up/vnjava.ini"};
        QTest::newRow("a failed download abandons the package")
            << QStringList{"--fault", "QFRF=error@1"} << QByteArray("Snake") << QByteArray("Snake Game")
            << QStringList();
        QTest::newRow("no such suite")
            << QStringList() << QByteArray("Tetris") << QByteArray("x") << QStringList();
    }
    void exportsASuiteFromThePhone()
    {
        QFETCH(QStringList, faults);
        QFETCH(QByteArray, suite);
        QFETCH(QByteArray, midlet);
        QFETCH(QStringList, made);
        LinkFixture fixture(faults, 800);
        fixture.phone.putFile(QStringLiteral("java/s3_suite.jad"), "jad");
        fixture.phone.putFile(QStringLiteral("java/s3_suite.jar"), "jar");
        fixture.phone.putFile(QStringLiteral("java/s30_suite.jar"), "another suite");
        QVERIFY(fixture.connect());
        QCOMPARE(fixture.link->ListFolder(QStringLiteral("/java/")).outcome, Outcome::Done);
        SelectorModel model;
        model.JavaFolders[1] = {"Games", "1", "0"};
        model.JavaSuites[2] = {"Games", "Snake", "s3_", 5, "untrusted", midlet, "", "snake.Main"};
        QTemporaryDir destination;

        const PackageResult result =
            CreatePackage(model, suite, destination.path(), *fixture.link, fixture.link->JavaFileNames);
        QCOMPARE(result.ok(), !made.isEmpty());
        QCOMPARE(filesBelow(destination.path()), made);
        if (made.isEmpty()) {
            QCOMPARE(result.text, int(JavaTexts::ExportFailed));
            return;
        }
        const QString folder = destination.filePath(made.first().section(QLatin1Char('/'), 0, 0));
        QCOMPARE(result.folder, folder);
        QCOMPARE(readLocal(folder + QStringLiteral("/java.jar")), QByteArray("jar"));
        QCOMPARE(readLocal(folder + QStringLiteral("/vnjava.ini")),
                 "suite=Snake\r\nnum=5\r\ndomain=untrusted\r\nmidlet=" + midlet +
                     "\r\nicon=\r\nclass=snake.Main\r\n");
    }

    void sendsTheMenuFirstAndKeepsACopyOfTheOldOne()
    {
        LinkFixture fixture;
        fixture.phone.putFile(QStringLiteral("java/selector.utf"), sampleMenu());
        QVERIFY(fixture.connect());
        QTemporaryDir working, copies;
        const PhoneMenu menu = DownloadSelector(*fixture.link, working.path());
        QVERIFY(menu.downloaded);
        SelectorModel model;
        QVERIFY(ReadSelector(menu.content, model).ok);
        const QString package = working.filePath(QStringLiteral("p.vnj"));
        QVERIFY(
            writeStoredRar4(package, {{"vnjava.ini", "suite=Go\r\nmidlet=Go\r\n"}, {"java.jar", "go jar"}}));
        QVERIFY(InstallPackage(model, package, working.path(), "Tools").ok());
        QFile::remove(package);

        const SendReport report =
            SendToPhone(*fixture.link, model, working.path(), menu, false, false, copies.path());
        QCOMPARE(report.text, 0);
        QCOMPARE(fixture.phone.fileContent(QStringLiteral("java/selector.utf")),
                 selectorBytes(model).value());
        QCOMPARE(fixture.phone.fileContent(QStringLiteral("java/s2_suite.jar")), QByteArray("go jar"));
        QCOMPARE(readLocal(report.menuCopy), sampleMenu());
        QCOMPARE(QFileInfo(report.menuCopy).absolutePath(), QDir(copies.path()).absolutePath());
        const QStringList commands = fixture.phone.commands();
        const qsizetype deletion = firstCommand(commands, QStringLiteral("AT+QFDF="));
        const qsizetype firstUpload = firstCommand(commands, QStringLiteral("AT+QFWF="));
        QVERIFY(deletion >= 0 && deletion < firstUpload);
        QVERIFY(commands.at(firstUpload).contains(EncodeName(QStringLiteral("selector.utf"))));
    }

    void sendsNothingItShouldNot_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<bool>("readError");
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<bool>("oversized");
        QTest::addColumn<int>("text");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("a menu read up to an error")
            << QStringList() << true << false << false << int(JavaTexts::ConfirmLoss) << false;
        QTest::newRow("a menu too large for its length field")
            << QStringList() << false << false << true << int(JavaTexts::WriteFailed) << false;
        QTest::newRow("an upload that fails names the copy")
            << QStringList{"--fault", "QFWF=error"} << false << false << false << int(JavaTexts::SendFailed)
            << true;
        QTest::newRow("a confirmed loss is sent") << QStringList() << true << true << false << 0 << true;
    }
    void sendsNothingItShouldNot()
    {
        QFETCH(QStringList, faults);
        QFETCH(bool, readError);
        QFETCH(bool, confirmed);
        QFETCH(bool, oversized);
        QFETCH(int, text);
        QFETCH(bool, deleted);
        LinkFixture fixture(faults, 800);
        fixture.phone.putFile(QStringLiteral("java/selector.utf"), sampleMenu());
        QVERIFY(fixture.connect());
        QTemporaryDir working, copies;
        const PhoneMenu menu = DownloadSelector(*fixture.link, working.path());
        SelectorModel model;
        QVERIFY(ReadSelector(menu.content, model).ok);
        if (oversized)
            model.JavaFolders[3].Name = QByteArray(70000, 'x');

        const SendReport report =
            SendToPhone(*fixture.link, model, working.path(), menu, readError, confirmed, copies.path());
        QCOMPARE(report.text, text);
        const QStringList commands = fixture.phone.commands();
        QCOMPARE(firstCommand(commands, QStringLiteral("AT+QFDF=")) >= 0, deleted);
        QCOMPARE(firstCommand(commands, QStringLiteral("AT+QFWF=")) >= 0, deleted);
        // Whenever the phone's menu was touched, its old one is kept.
        QCOMPARE(filesBelow(copies.path()).size(), deleted ? 1 : 0);
        if (deleted)
            QCOMPARE(readLocal(report.menuCopy), sampleMenu());
    }

    void neverOpensAnOlderCopyAfterAFailedDownload()
    {
        LinkFixture fixture;
        QVERIFY(fixture.connect());
        QTemporaryDir working;
        QFile old(working.filePath(QStringLiteral("selector.utf")));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write(sampleMenu()) > 0);
        old.close();
        const PhoneMenu menu = DownloadSelector(*fixture.link, working.path());
        QVERIFY(!menu.downloaded);
        QVERIFY(!QFileInfo::exists(old.fileName()));
        SelectorModel model;
        QCOMPARE(SendToPhone(*fixture.link, model, working.path(), menu, false, false, working.path()).text,
                 int(JavaTexts::OpenFailed));
        QCOMPARE(firstCommand(fixture.phone.commands(), QStringLiteral("AT+QFDF=")), -1);
    }

    void neverReplacesAnEarlierCopy()
    {
        QTemporaryDir copies;
        const QString first = saveMenuCopy("first", copies.path());
        const QString second = saveMenuCopy("second", copies.path());
        QVERIFY(!first.isEmpty() && !second.isEmpty() && first != second);
        QCOMPARE(readLocal(first), QByteArray("first"));
        QCOMPARE(readLocal(second), QByteArray("second"));
    }
};

QTEST_GUILESS_MAIN(JavaTest)
#include "tst_java.moc"
