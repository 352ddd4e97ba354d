#include "java/JavaTexts.h"
#include "java/Packages.h"
#include "java/QueueCheck.h"
#include "java/SelectorFile.h"
#include "support/LocalFiles.h"
#include "support/StoredRar.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A jar is a ZIP archive: it ends in a ZIP directory, which an all-formats
// reader would take for the package itself.
const QByteArray kJar =
    QByteArray("PK\x03\x04 midlet classes ") + QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0');
const QByteArray kJad = "MIDlet-1: Snake, /icon.png, snake.Main\r\n";
// Keys in any order, the number's leading digits.
const QByteArray kIndex = "midlet=Snake Game\r\nsuite=Snake\r\nnum=3x\r\ndomain=untrusted\r\nicon=/i.png\r\n"
                          "class=snake.Main\r\n";

// Every file below a folder, relative to it.
QStringList filesBelow(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

SelectorModel gamesMenu()
{
    SelectorModel model;
    model.NextRoot = 7;
    model.JavaFolders[1] = {"Games", "1", "0"};
    model.JavaFolders[2] = {"Tools", "1", "0"};
    model.JavaSuites[1] = {1, "Chess", "s0_", 1, "", "Chess", "", "c.Main"};
    model.JavaSuites[2] = {2, "Calc", "s1_", 1, "", "Calc", "", "k.Main"};
    model.JavaSuites[3] = {1, "Go", "s2_", 1, "", "Go", "", "g.Main"};
    return model;
}

} // namespace

class PackagesTest : public QObject
{
    Q_OBJECT

    QTemporaryDir folder_;

    QString package(const QString& name, const QList<RarEntry>& entries)
    {
        return writeLocal(folder_.filePath(name), storedRar4(entries));
    }

private slots:
    void unpacksOnlyHarmlessArchives_data()
    {
        QTest::addColumn<QByteArray>("archive");
        QTest::addColumn<QStringList>("unpacked");
        const RarEntry index{"vnjava.ini", kIndex};
        QTest::newRow("files and a folder")
            << storedRar4({index, {"java.jar", kJar}, {"extra", "", 040755}, {"extra/read me.txt", "hi"}})
            << QStringList{"deep/inside/extra/read me.txt", "deep/inside/java.jar", "deep/inside/vnjava.ini",
                           "p.vnj"};
        const auto refused = [](const char* row, const QByteArray& archive) {
            QTest::newRow(row) << archive << QStringList{"p.vnj"};
        };
        refused("a parent part", storedRar4({index, {"../evil.txt", "x"}}));
        refused("a parent part further in", storedRar4({index, {"a/../../evil.txt", "x"}}));
        refused("an absolute path", storedRar4({index, {"/tmp/evil.txt", "x"}}));
        refused("a link", storedRar4({{"java.jar", "/etc/passwd", 0120777}, index}));
        refused("a device", storedRar4({index, {"java.jar", "", 020644}}));
        refused("more than the bytes allowed", storedRar4({index, {"java.jar", QByteArray(2000, 'j')}}));
        refused("more entries than allowed", storedRar4({index, {"a", ""}, {"b", ""}, {"c", ""}, {"d", ""}}));
        refused("no entries", storedRar4({}));
        refused("a ZIP archive", kJar);
        // Stored entries carry no check the reader makes; only the size shows a short one.
        refused("a truncated entry",
                storedRar4({index, {"java.jar", QByteArray(300, 'j')}}).chopped(7 + 100));
        refused("an entry shorter than it claims",
                storedRar4({index, {"java.jar", QByteArray(300, 'j'), 0100644, 400}}));
    }

    void unpacksOnlyHarmlessArchives()
    {
        QFETCH(QByteArray, archive);
        QFETCH(QStringList, unpacked);
        QTemporaryDir area;
        const QString target = area.filePath(QStringLiteral("deep/inside"));
        QVERIFY(QDir().mkpath(target));
        const UnpackLimits limits{.maxEntries = 4, .maxBytes = 1500}; // entries: as many as the first row has
        QCOMPARE(UnpackArchive(writeLocal(area.filePath(QStringLiteral("p.vnj")), archive), target, limits),
                 unpacked.size() > 1);
        // Nothing lands beside or above the folder.
        QCOMPARE(filesBelow(area.path()), unpacked);
        if (unpacked.size() > 1)
            QCOMPARE(readLocal(target + QStringLiteral("/java.jar")), kJar);
    }

    void installsIntoTheChosenFolder_data()
    {
        QTest::addColumn<int>("freedSlot");
        QTest::addColumn<int>("nextRoot");
        QTest::addColumn<int>("slot");
        QTest::addColumn<QByteArray>("root");
        QTest::newRow("the first free slot") << 0 << 7 << 4 << QByteArray("s7_");
        QTest::newRow("a freed slot is reused in its place") << 1 << 7 << 1 << QByteArray("s7_");
        // The menu's number lags behind its suites: s1_ and s2_ stay theirs.
        QTest::newRow("a root in use is passed over") << 0 << 1 << 4 << QByteArray("s3_");
    }
    void installsIntoTheChosenFolder()
    {
        QFETCH(int, freedSlot);
        QFETCH(int, nextRoot);
        QFETCH(int, slot);
        QFETCH(QByteArray, root);
        SelectorModel model = gamesMenu();
        model.NextRoot = static_cast<qint16>(nextRoot);
        if (freedSlot)
            model.clearSlot(freedSlot);
        QTemporaryDir working;
        const QString path =
            package(QStringLiteral("snake.vnj"), {{"vnjava.ini", QByteArray(kIndex).replace("\r\n", "\r")},
                                                  {"java.jad", kJad},
                                                  {"java.jar", kJar},
                                                  {"java.res.png", "png"}});

        const PackageResult result = InstallPackage(model, path, working.path(), 1);
        QVERIFY(result.ok());
        QCOMPARE(result.slot, slot);
        QVERIFY(model.JavaSuites[slot] ==
                (JavaSuite{1, "Snake", root, 3, "untrusted", "Snake Game", "/i.png", "snake.Main"}));
        QCOMPARE(model.NextRoot, qint16(root.mid(1, 1).toInt() + 1));
        // Only the suite's files stay, under their phone names; the rest of the package is gone.
        const QString prefix = QString::fromLatin1(root) + QStringLiteral("suite.");
        QCOMPARE(filesBelow(working.path()),
                 (QStringList{prefix + "jad", prefix + "jar", prefix + "res.png"}));
        QCOMPARE(readLocal(working.filePath(prefix + "jar")), kJar);
    }

    void refusesPackagesAndChangesNothing_data()
    {
        QTest::addColumn<QList<RarEntry>>("entries");
        QTest::addColumn<int>("folder");
        QTest::addColumn<int>("text");
        const RarEntry jar{"java.jar", kJar};
        QTest::newRow("no index") << QList<RarEntry>{jar} << 1 << int(JavaTexts::NoIndexFile);
        const auto failing = [](const char* row, const QList<RarEntry>& entries, int folder = 1) {
            QTest::newRow(row) << entries << folder << int(JavaTexts::InstallFailed);
        };
        failing("control bytes in the index", {{"vnjava.ini", "suite=A\001B\r\n"}, jar});
        failing("a number beyond 16 bits", {{"vnjava.ini", "suite=S\nnum=70000\n"}, jar});
        failing("comma before the equals sign", {{"vnjava.ini", "suite=S\nclass,x=Y\n"}, jar});
        failing("no suite name", {{"vnjava.ini", "midlet=M\r\n"}, jar});
        failing("no suite files", {{"vnjava.ini", kIndex}});
        failing("a folder the menu does not have", {{"vnjava.ini", kIndex}, jar}, 3);
    }
    // Each package unpacks into a folder of its own: nothing of one installed
    // before lends a refused one an index or files.
    void refusesPackagesAndChangesNothing()
    {
        QFETCH(QList<RarEntry>, entries);
        QFETCH(int, folder);
        QFETCH(int, text);
        SelectorModel model = gamesMenu();
        QTemporaryDir working;
        const QString good =
            package(QStringLiteral("good.vnj"), {{"vnjava.ini", kIndex}, {"java.jar", kJar}});
        QVERIFY(InstallPackage(model, good, working.path(), 1).ok());
        const SelectorModel before = model;
        QCOMPARE(
            InstallPackage(model, package(QStringLiteral("bad.vnj"), entries), working.path(), folder).text,
            text);
        QCOMPARE(selectorBytes(model), selectorBytes(before));
        QCOMPARE(filesBelow(working.path()), QStringList{QStringLiteral("s7_suite.jar")});
    }

    // Blanks become "_", and nothing in a name reaches outside the folder it is made in.
    void namesExportFoldersSafely()
    {
        const QByteArrayList midlets{"Snake Game 2", "../..\\etc/x", "..",         ".", "",
                                     "a\nb\x7f",     "Sp\xe9l",      "Sp\xc3\xa9l"};
        const QStringList folders{"Snake_Game_2", ".._.._etc_x", "__", "_", "_", "a_b_", "Spél", "Spél"};
        for (qsizetype i = 0; i < midlets.size(); ++i)
            QCOMPARE(packageFolderName(midlets[i]), folders.value(i));
    }

    // A menu goes only when each suite it lists will have its files on the phone: some
    // there already or queued, and every file an installation staged for it.
    void findsTheSuiteFilesAMenuWouldLack_data()
    {
        QTest::addColumn<QStringList>("onPhone");
        QTest::addColumn<QStringList>("queued");
        QTest::addColumn<QStringList>("missing");
        const QStringList phone{"s0_suite.jad", "s0_suite.jar", "s1_suite.jar", "selector.utf"};
        const QStringList staged{"s2_suite.jad", "s2_suite.jar"};
        QTest::newRow("all there or queued") << phone << staged << QStringList();
        QTest::newRow("a staged file lost")
            << phone << QStringList{"s2_suite.jar"} << QStringList{"s2_suite.jad"};
        QTest::newRow("a staged file on the phone already")
            << phone + QStringList{"s2_suite.jad"} << QStringList{"s2_suite.jar"} << QStringList();
        QTest::newRow("a suite without files")
            << QStringList{"s0_suite.jar"} << staged << QStringList{"s1_suite.*"};
        QTest::newRow("nothing anywhere")
            << QStringList() << QStringList() << QStringList{"s0_suite.*", "s1_suite.*", "s2_suite.*"};
    }

    void findsTheSuiteFilesAMenuWouldLack()
    {
        QFETCH(QStringList, onPhone);
        QFETCH(QStringList, queued);
        QFETCH(QStringList, missing);
        SelectorModel model = gamesMenu();
        // Not on the menu: its folder is gone.
        model.JavaSuites[4] = {3, "Gone", "s9_", 1, "", "Gone", "", "x.Main"};
        QList<UploadItem> queue{{u"/w/selector.utf"_s, u"</java>"_s, u"selector.utf"_s, 9}};
        for (const QString& name : queued)
            queue << UploadItem{u"/w/"_s + name, u"</java>"_s, name, 9};
        QCOMPARE(missingSuiteFiles(model, queue, {"s2_suite.jad", "s2_suite.jar"}, onPhone), missing);
    }
};

QTEST_GUILESS_MAIN(PackagesTest)
#include "tst_packages.moc"
