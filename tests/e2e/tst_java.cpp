#include "java/JavaSending.h"
#include "java/JavaTexts.h"
#include "java/Packages.h"
#include "support/LinkFixture.h"
#include "support/LocalFiles.h"

#include <QTest>

// The Java road's steps that the client cannot show: its working folder is
// always fresh and its downloads of the menu come first.
class JavaTest : public QObject
{
    Q_OBJECT

private slots:
    // A package without its index and suite files would be refused by every install.
    void abandonsAnIncompletePackage()
    {
        LinkFixture fixture({QStringLiteral("--fault"), QStringLiteral("QFRF=error@1")}, 800);
        fixture.phone.putFile(QStringLiteral("java/s3_suite.jad"), "jad");
        fixture.phone.putFile(QStringLiteral("java/s3_suite.jar"), "jar");
        QVERIFY(fixture.connect());
        SelectorModel model;
        model.JavaFolders[1] = {"Games", "1", "0"};
        model.JavaSuites[2] = {1, "Snake", "s3_", 5, "untrusted", "Snake", "", "snake.Main"};
        QTemporaryDir destination;
        // First no suite files listed, then a download refused.
        for (const QStringList& listed :
             {QStringList{"s30_suite.jar"}, QStringList{"s3_suite.jad", "s3_suite.jar"}}) {
            QCOMPARE(CreatePackage(model, "Snake", destination.path(), *fixture.link, listed).text,
                     int(JavaTexts::ExportFailed));
            QVERIFY(QDir(destination.path()).isEmpty());
        }
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

    // A menu too large for its length field is never queued; the files of a
    // suite installed and removed again (s7_) stay behind.
    void queuesOnlyASoundMenu()
    {
        SelectorModel model;
        model.JavaFolders[1].Name = QByteArray(70000, 'n');
        model.JavaSuites[1] = {1, "Four", "s4_", 1, "", "", "", ""};
        QTemporaryDir working;
        writeLocal(working.filePath(QStringLiteral("s4_suite.jar")), "");
        writeLocal(working.filePath(QStringLiteral("s7_suite.jar")), "");
        const JavaQueue refused = QueueForPhone(model, working.path(), false, false);
        QCOMPARE(refused.text, int(JavaTexts::WriteFailed));
        QVERIFY(refused.items.isEmpty() &&
                !QFileInfo::exists(working.filePath(QStringLiteral("selector.utf"))));
        model.JavaFolders[1].Name = "Games";
        QStringList names;
        for (const UploadItem& item : QueueForPhone(model, working.path(), false, false).items)
            names << item.FileName;
        QCOMPARE(names, (QStringList{"selector.utf", "s4_suite.jar"}));
    }
};

QTEST_GUILESS_MAIN(JavaTest)
#include "tst_java.moc"
