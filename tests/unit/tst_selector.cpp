#include "java/SelectorFile.h"
#include "support/LocalFiles.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kTerminator = QByteArray("\0\x0c", 2) + "EOF_SELECTOR";

// The body as the writer lays it out, wrapped in its length field and terminator.
QByteArray selectorFile(const QByteArray& body)
{
    return QByteArray(1, char(body.size() >> 8)) + char(body.size() & 0xFF) + body + kTerminator;
}

const QByteArray kGamesFolder = "folder=Games, \\\n\tmodifiable=1, \\\n\tremovable=0\n";

QByteArray suiteLines(const QByteArray& name, const QByteArray& root, const QByteArray& icon = {})
{
    return "suite=" + name + ", \\\n\troot=" + root +
           ", \\\n\tnum=1, \\\n\tdomain=untrusted\nmidlet=" + name + ", \\\n" +
           (icon.isEmpty() ? QByteArray() : "\ticon=" + icon + ", \\\n") + "\tclass=" + name + ".Main\n";
}

QString fields(const QByteArrayList& values)
{
    return QLatin1Char('[') + QString::fromLatin1(values.join('|')) + QLatin1Char(']');
}

// The model in one line, so a table row states what a file reads as.
QString describe(const SelectorModel& model)
{
    QStringList parts{QStringLiteral("next %1").arg(model.NextRoot)};
    for (const JavaFolder& folder : model.JavaFolders)
        if (folder.inUse())
            parts << "F" + fields({folder.Name, folder.Modifiable, folder.Removable});
    for (int slot = 0; slot <= SelectorModel::kSuiteCount; ++slot) {
        const JavaSuite& s = model.JavaSuites[slot];
        if (!s.SuiteName.isEmpty() || !s.MidletName.isEmpty())
            parts << QStringLiteral("S%1").arg(slot) +
                         fields({model.folderNameOf(s), s.SuiteName, s.Root, QByteArray::number(s.Num),
                                 s.Domain, s.MidletName, s.Icon, s.ClassName});
    }
    return parts.join(QLatin1Char(' '));
}

} // namespace

class SelectorTest : public QObject
{
    Q_OBJECT

private slots:
    void readsWhatItWritesAndWritesItBackUnchanged_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("model");
        QTest::newRow("bytes that are not UTF-8, empty values")
            << selectorFile(
                   "nextroot=-4\nfolder=Spi\xe9le, \\\n\tmodifiable=, \\\n\tremovable=\nsuite=\xc3\xa9, "
                   "\\\n\troot=, \\\n\tnum=-32768, \\\n\tdomain=\nmidlet=, \\\n\tclass=\nendfolder=\n")
            << QString::fromLatin1("next -4 F[Spi\xe9le||] S1[Spi\xe9le|\xc3\xa9||-32768||||]");
        QTest::newRow("two folders of one name keep their own suites")
            << selectorFile("nextroot=2\n" + kGamesFolder + suiteLines("A", "s0_", "/i.png") +
                            "endfolder=\n" + kGamesFolder + suiteLines("B", "s1_") + "endfolder=\n")
            << "next 2 F[Games|1|0] F[Games|1|0] S1[Games|A|s0_|1|untrusted|A|/i.png|A.Main] "
               "S2[Games|B|s1_|1|untrusted|B||B.Main]";
        // Lengths whose low byte is "," (0x2C), "=" (0x3D) and TAB.
        for (const int length : {300, 317, 265}) {
            const QByteArray name(length - 61, 'a');
            QTest::addRow("a length field holding %d", length)
                << selectorFile("nextroot=2\nfolder=" + name +
                                ", \\\n\tmodifiable=, \\\n\tremovable=\nendfolder=\n")
                << QStringLiteral("next 2 F[%1||]").arg(QString::fromLatin1(name));
        }
    }
    void readsWhatItWritesAndWritesItBackUnchanged()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, model);
        SelectorModel read;
        QVERIFY(ReadSelector(file, read).ok);
        QCOMPARE(describe(read), model);
        QCOMPARE(selectorBytes(read).value(), file);
    }

    void followsTheReadingRules_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("model");
        // The length field shares the first line; these files give it a line of its own.
        const QByteArray folder = "\n" + kGamesFolder;
        const QByteArray end = "endfolder=\n";
        const auto row = [](const char* name, const QByteArray& file, bool ok, const QString& model) {
            QTest::newRow(name) << file << ok << model;
        };
        row("only continuation lines are trimmed",
            selectorFile("nextroot=1\nfolder= A , \\\n\t  modifiable=1 , \\\n removable=0  \n" + end), true,
            "next 1 F[ A |1 |0]");
        row("a value without an equals sign, one holding it",
            selectorFile("nextroot=1\nfolder Games, \\\nmodifiable=a=b, \\\nremovable=0\n"), true,
            "next 1 F[folder Games|a=b|0]");
        row("a group starts with its key's letters",
            selectorFile("nextroot=1\nfolders=X, \\\nremovable=0\nsuitely=Y, \\\nnumber=5\n"), true,
            "next 1 F[X||0] S1[X|Y||5||||]");
        row("other keys and lines are passed over",
            selectorFile("nextroot=1" + folder + "\tcolour=red\n\nvendor=Me\n" + end), true,
            "next 1 F[Games|1|0]");
        row("membership follows the last folder line",
            selectorFile("nextroot=1\nsuite=Lost, \\\nroot=s9_" + folder + end + suiteLines("Late", "s1_")),
            true, "next 1 F[Games|1|0] S1[|Lost|s9_|1||||] S2[Games|Late|s1_|1|untrusted|Late||Late.Main]");
        row("a MIDlet before any suite", selectorFile("nextroot=1\nmidlet=Early, \\\nclass=E\n"), true,
            "next 1 S0[|||1||Early||E]");
        row("no nextroot keeps the number", selectorFile(folder + end), true, "next 9 F[Games|1|0]");
        row("nextroot's leading number, rounded", selectorFile("nextroot=2.5xyz\n"), true, "next 2");
        // A length byte of 0x0A splits the first line; the number is still found.
        row("a length byte that is a line end", QByteArray("\x00\x0a", 2) + "nextroot=5\n" + kTerminator,
            true, "next 5");
        row("no line end at all", "nextroot=5", false, "next 9");
        row("nextroot beyond 16 bits", selectorFile("nextroot=40000\n"), false, "next 9");
        row("comma before the equals sign", selectorFile(folder + "suite,x=X\n"), false,
            "next 9 F[Games|1|0]");
        row("continuation past the last line", selectorFile(folder + "suite=X, \\\n"), false,
            "next 9 F[Games|1|0] S1[Games|X||1||||]");
        row("a 17th folder", selectorFile("\n" + QByteArray("folder=F\n").repeated(17)), false,
            "next 9" + QStringLiteral(" F[F||]").repeated(16));
        QString sixtyFourRead = QStringLiteral("next 9 F[Games|1|0]");
        for (int slot = 1; slot <= 64; ++slot)
            sixtyFourRead += QStringLiteral(" S%1[Games|S||1||||]").arg(slot);
        row("a 65th suite", selectorFile(folder + QByteArray("suite=S\n").repeated(65)), false,
            sixtyFourRead);
        for (const char* number : {"", "abc", "32768", "-32769", "1x"})
            QTest::addRow("num=%s", number)
                << selectorFile(folder + "suite=X, \\\nnum=" + number + ", \\\nroot=r\n") << false
                << "next 9 F[Games|1|0] S1[Games|X||1||||]";
        row("num with blanks and a sign", selectorFile(folder + "suite=X, \\\nnum= -7 , \\\nroot=r\n"), true,
            "next 9 F[Games|1|0] S1[Games|X|r|-7||||]");
    }
    void followsTheReadingRules()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, ok);
        QFETCH(QString, model);
        SelectorModel read;
        read.NextRoot = 9;
        read.JavaSuites[3] = {0, "Old", "s5_", 1, "", "", "", ""}; // replaced by any reading
        QCOMPARE(ReadSelector(file, read).ok, ok);
        QCOMPARE(describe(read), model);
    }

    // The largest menu the length field holds is written; one byte more leaves the old file as it was.
    void refusesOnlyWhatTheLengthFieldCannotHold()
    {
        QTemporaryDir folder;
        const QString path = writeLocal(folder.filePath(QStringLiteral("selector.utf")), "old menu");
        SelectorModel model;
        // "nextroot=0\n", one folder and its "endfolder=" take 61 bytes besides the name.
        model.JavaFolders[1].Name = QByteArray(65536 - 61, 'n');
        QVERIFY(!WriteSelector(model, path));
        QCOMPARE(readLocal(path), QByteArray("old menu"));
        model.JavaFolders[1].Name.chop(1);
        QVERIFY(WriteSelector(model, path));
        QCOMPARE(readLocal(path).size(), 65535 + 16);
        QCOMPARE(readLocal(path).left(2), QByteArray("\xff\xff"));
    }
};

QTEST_GUILESS_MAIN(SelectorTest)
#include "tst_selector.moc"
