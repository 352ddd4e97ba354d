#include "settings/LanguageTable.h"

#include <QTemporaryDir>
#include <QTest>

class LanguageTableTest : public QObject
{
    Q_OBJECT

    QTemporaryDir folder_;

    static QString writeFile(const QString& name, const QByteArray& content, const QTemporaryDir& folder)
    {
        const QString path = folder.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(content);
        return path;
    }
    QString writeFile(const QString& name, const QByteArray& content)
    {
        return writeFile(name, content, folder_);
    }

private slots:
    void parsesLines_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("expected");

        QTest::newRow("blanks around the text")
            << QByteArray("57=  word with blanks  \r\n") << 57 << QStringLiteral("word with blanks");
        QTest::newRow("blanks before and inside the number")
            << QByteArray("  1 2 = twelve\r\n") << 12 << QStringLiteral("twelve");
        QTest::newRow("letters give zero") << QByteArray("abc=zero\r\n") << 0 << QStringLiteral("zero");
        QTest::newRow("number stops at a letter") << QByteArray("42abc=x\r\n") << 42 << QStringLiteral("x");
        QTest::newRow("second equals sign cut off") << QByteArray("7=a=b\r\n") << 7 << QStringLiteral("a");
        QTest::newRow("rounded half to even down")
            << QByteArray("2.5=down\r\n") << 2 << QStringLiteral("down");
        QTest::newRow("rounded up") << QByteArray("2.7=up\r\n") << 3 << QStringLiteral("up");
        QTest::newRow("exponent") << QByteArray("1e2=hundred\r\n") << 100 << QStringLiteral("hundred");
        QTest::newRow("later line wins")
            << QByteArray("9=first\r\n9=second\r\n") << 9 << QStringLiteral("second");
        QTest::newRow("empty text") << QByteArray("5=old\r\n5=\r\n") << 5 << QString();
        QTest::newRow("comment ignored") << QByteArray("#8=hidden\r\n") << 8 << QString();
        QTest::newRow("line without equals ignored") << QByteArray("8 nothing\r\n") << 8 << QString();
        QTest::newRow("LF line ends") << QByteArray("3=three\n4=four\n") << 4 << QStringLiteral("four");
        QTest::newRow("last entry of the table")
            << QByteArray("1024=last\r\n") << 1024 << QStringLiteral("last");
        QTest::newRow("UTF-8 accents")
            << QByteArray("6=L\xc3\xb6schen\r\n") << 6 << QStringLiteral("Löschen");
        QTest::newRow("Latin-1 accents") << QByteArray("6=L\xf6schen\r\n") << 6 << QStringLiteral("Löschen");
    }

    void parsesLines()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, number);
        QFETCH(QString, expected);
        LanguageTable table;
        const auto result = table.LoadLanguage(writeFile(QStringLiteral("t.lng"), content));
        QCOMPARE(result.status, LanguageTable::LoadStatus::Loaded);
        QCOMPARE(table.GetString(number), expected);
    }

    void skipsNumbersOutsideTheTable_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("above 1024") << QByteArray("1025=x\r\n");
        QTest::newRow("far above") << QByteArray("99999999999=x\r\n");
        QTest::newRow("negative") << QByteArray("-1=x\r\n");
    }

    void skipsNumbersOutsideTheTable()
    {
        QFETCH(QByteArray, line);
        LanguageTable table;
        const auto result = table.LoadLanguage(writeFile(QStringLiteral("range.lng"), line + "1=kept\r\n"));
        QCOMPARE(result.status, LanguageTable::LoadStatus::Loaded);
        QCOMPARE(table.GetString(1), QStringLiteral("kept"));
        QCOMPARE(table.GetString(0), QString());
        QCOMPARE(table.GetString(1024), QString());
    }

    void reportsFormatErrorWithLineNumber()
    {
        LanguageTable table;
        const QString path = writeFile(QStringLiteral("bad.lng"), "# comment\r\n\r\n=broken\r\n4=after\r\n");
        const auto result = table.LoadLanguage(path);
        QCOMPARE(result.status, LanguageTable::LoadStatus::FormatError);
        QCOMPARE(result.errorLine, 3);
        QCOMPARE(result.message,
                 QStringLiteral("An error occured while parsing ") + path +
                     QStringLiteral(" at line 3.\r\nTry replacing this file with another one."));
        QCOMPARE(table.GetString(4), QString());
    }

    void keepsTextsAnotherFileDoesNotDefine()
    {
        LanguageTable table;
        table.LoadLanguage(writeFile(QStringLiteral("a.lng"), "300=about\r\n1=one\r\n"));
        table.LoadLanguage(writeFile(QStringLiteral("b.lng"), "1=eins\r\n# nothing else\r\n"));
        QCOMPARE(table.GetString(300), QStringLiteral("about"));
        QCOMPARE(table.GetString(1), QStringLiteral("eins"));
    }

    void fallsBackToEnglish()
    {
        QTemporaryDir lng;
        writeFile(QStringLiteral("english.lng"), "1=File\r\n", lng);

        for (const QString& chosen :
             {QString(), QStringLiteral("gone.lng"), QStringLiteral("../english.lng")}) {
            LanguageTable table;
            const auto result = LoadInterfaceLanguage(table, lng.path(), chosen);
            QVERIFY2(result.warning.isEmpty(), qPrintable(chosen));
            QCOMPARE(table.GetString(1), QStringLiteral("File"));
        }
    }

    void refusesFilesFarBeyondAnyLanguage()
    {
        QTemporaryDir lng;
        const QString english = writeFile(QStringLiteral("english.lng"), "1=File\r\n", lng);
        QByteArray lines(LanguageTable::kLargestFile, '\n');
        lines.replace(0, 8, "1=Datei\n");
        const QString huge = writeFile(QStringLiteral("huge.lng"), lines, lng);
        LanguageTable table;
        QCOMPARE(table.LoadLanguage(huge).status, LanguageTable::LoadStatus::Loaded);
        QCOMPARE(table.GetString(1), QStringLiteral("Datei"));

        writeFile(QStringLiteral("huge.lng"), lines + '\n', lng);
        const auto result = LoadInterfaceLanguage(table, lng.path(), QStringLiteral("huge.lng"));
        QVERIFY(result.fatalMessage.isEmpty());
        QVERIFY2(result.warning.contains(huge), qPrintable(result.warning));
        QCOMPARE(result.loadedPath, english);
        QCOMPARE(table.GetString(1), QStringLiteral("File"));
    }

    void keepsTextsWhenNoLanguageCanBeRead()
    {
        QTemporaryDir empty;
        LanguageTable table;
        table.LoadLanguage(writeFile(QStringLiteral("earlier.lng"), "2=Exit\r\n"));
        const auto result = LoadInterfaceLanguage(table, empty.path(), QStringLiteral("german.lng"));
        QVERIFY(!result.warning.isEmpty());
        QVERIFY(result.fatalMessage.isEmpty());
        QCOMPARE(table.GetString(2), QStringLiteral("Exit"));
    }

    void shippedLanguagesDefineTheSameNumbers()
    {
        const QString folder = QStringLiteral(VANTREL_SOURCE_DIR "/lng");
        LanguageTable english, german;
        QCOMPARE(english.LoadLanguage(folder + QStringLiteral("/english.lng")).status,
                 LanguageTable::LoadStatus::Loaded);
        QCOMPARE(german.LoadLanguage(folder + QStringLiteral("/german.lng")).status,
                 LanguageTable::LoadStatus::Loaded);
        const int used[] = {1,   2,   3,   4,   5,   6,   11,  12,  41,  46,  47,  48,  51,  55,  56,  57,
                            60,  61,  64,  65,  66,  69,  70,  74,  75,  76,  77,  101, 102, 107, 111, 191,
                            195, 200, 202, 250, 260, 267, 269, 272, 281, 295, 300, 301, 311, 317};
        for (int number : used) {
            QVERIFY2(!english.GetString(number).isEmpty(), qPrintable(QString::number(number)));
            QVERIFY2(!german.GetString(number).isEmpty(), qPrintable(QString::number(number)));
        }
        for (int number = 0; number <= LanguageTable::kLastNumber; ++number)
            QVERIFY2(english.GetString(number).isEmpty() == german.GetString(number).isEmpty(),
                     qPrintable(QString::number(number)));
        QCOMPARE(german.GetString(43), QStringLiteral("Löschen"));
    }
};

QTEST_GUILESS_MAIN(LanguageTableTest)
#include "tst_languagetable.moc"
