#include "java/JavaSending.h"
#include "java/JavaTexts.h"
#include "java/Packages.h"
#include "phone/RepairRecord.h"
#include "support/LinkFixture.h"

#include <QFile>
#include <QTest>

// The Java road's steps that the client cannot show: its working folder is
// always fresh and its downloads of the menu come first.
class JavaTest : public QObject
{
    Q_OBJECT

private slots:
    void abandonsAnIncompletePackage_data()
    {
        QTest::addColumn<QStringList>("fault");
        QTest::addColumn<QStringList>("javaFileNames");
        const QStringList both{QStringLiteral("s3_suite.jad"), QStringLiteral("s3_suite.jar")};
        QTest::newRow("download refused")
            << QStringList{QStringLiteral("--fault"), QStringLiteral("QFRF=error@1")} << both;
        // A package of its index alone would be refused by every install.
        QTest::newRow("no suite files listed")
            << QStringList() << QStringList{QStringLiteral("s30_suite.jar")};
    }

    void abandonsAnIncompletePackage()
    {
        QFETCH(QStringList, fault);
        QFETCH(QStringList, javaFileNames);
        LinkFixture fixture(fault, 800);
        fixture.phone.putFile(QStringLiteral("java/s3_suite.jad"), "jad");
        fixture.phone.putFile(QStringLiteral("java/s3_suite.jar"), "jar");
        QVERIFY(fixture.connect());
        SelectorModel model;
        model.JavaFolders[1] = {"Games", "1", "0"};
        model.JavaSuites[2] = {1, "Snake", "s3_", 5, "untrusted", "Snake", "", "snake.Main"};
        QTemporaryDir destination;
        const PackageResult result =
            CreatePackage(model, "Snake", destination.path(), *fixture.link, javaFileNames);
        QCOMPARE(result.text, int(JavaTexts::ExportFailed));
        QVERIFY(QDir(destination.path()).isEmpty());
    }

    // An export must never go by the names of an earlier listing.
    void forgetsTheJavaNamesWhenTheListingFails()
    {
        LinkFixture fixture;
        fixture.phone.putFile(QStringLiteral("java/s0_suite.jar"), "jar");
        QVERIFY(fixture.connect());
        QCOMPARE(fixture.link->ListFolder(QStringLiteral("/java/")).outcome, Outcome::Done);
        QCOMPARE(fixture.link->javaFileNames(), QStringList{QStringLiteral("s0_suite.jar")});
        QVERIFY(QDir(fixture.phone.root() + QStringLiteral("/java")).removeRecursively());
        QCOMPARE(fixture.link->ListFolder(QStringLiteral("/java/")).outcome, Outcome::Failed);
        QCOMPARE(fixture.link->javaFileNames(), QStringList());
    }

    void neverOpensAnOlderCopyAfterAFailedDownload()
    {
        LinkFixture fixture;
        QVERIFY(fixture.connect());
        QTemporaryDir working;
        QFile old(working.filePath(QStringLiteral("selector.utf")));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("an older menu\n") > 0);
        old.close();
        const PhoneMenu menu = DownloadSelector(*fixture.link, working.path());
        QVERIFY(!menu.downloaded);
        RepairRecord repairs(working.filePath(QStringLiteral("repairs.ini")));
        QVERIFY(!QFileInfo::exists(old.fileName()));
        QCOMPARE(SendToPhone(*fixture.link, SelectorModel(), working.path(), menu, false, false,
                             working.path(), repairs)
                     .text,
                 int(JavaTexts::OpenFailed));
        for (const QString& command : fixture.phone.commands())
            QVERIFY(!command.startsWith(QLatin1String("AT+QFDF")));
    }

    void queuesOnlyASoundMenu_data()
    {
        QTest::addColumn<bool>("readError");
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<int>("nameSize");
        QTest::addColumn<int>("text");
        QTest::newRow("a sound menu") << false << false << 10 << 0;
        QTest::newRow("read up to an error") << true << false << 10 << int(JavaTexts::ConfirmLoss);
        QTest::newRow("read up to an error, loss confirmed") << true << true << 10 << 0;
        QTest::newRow("too large for its length field")
            << false << false << 70000 << int(JavaTexts::WriteFailed);
    }
    void queuesOnlyASoundMenu()
    {
        QFETCH(bool, readError);
        QFETCH(bool, confirmed);
        QFETCH(int, nameSize);
        QFETCH(int, text);
        SelectorModel model;
        model.JavaFolders[1].Name = QByteArray(nameSize, 'n');
        model.JavaSuites[1] = {1, "Four", "s4_", 1, "", "", "", ""};
        QTemporaryDir working;
        // The files of a suite installed and removed again (s7_) stay behind.
        for (const char* name : {"s4_suite.jar", "s7_suite.jar"}) {
            QFile suiteFile(working.filePath(QLatin1String(name)));
            QVERIFY(suiteFile.open(QIODevice::WriteOnly));
        }

        const JavaQueue queue = QueueForPhone(model, working.path(), readError, confirmed);
        QCOMPARE(queue.text, text);
        QStringList names;
        for (const UploadItem& item : queue.items)
            names << item.FileName;
        QCOMPARE(names, (text == 0 ? QStringList{"selector.utf", "s4_suite.jar"} : QStringList()));
        QCOMPARE(QFileInfo::exists(working.filePath(QStringLiteral("selector.utf"))), text == 0);
    }
};

QTEST_GUILESS_MAIN(JavaTest)
#include "tst_java.moc"
