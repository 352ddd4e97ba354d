#include "settings/LanguageTable.h"
#include "settings/SizeText.h"

#include <QDir>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {
QString writeIn(const QTemporaryDir& folder, const QString& name, const QByteArray& content)
{
    const QString path = folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}
} // namespace

class LanguageTableTest : public QObject
{
    Q_OBJECT

    QTemporaryDir folder_;

    QString writeFile(const QString& name, const QByteArray& content)
    {
        return writeIn(folder_, name, content);
    }

private slots:
    void parsesLines_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("expected");

        const auto row = [](const char* name, const QByteArray& content, int number, const char* expected) {
            QTest::newRow(name) << content << number << QString::fromUtf8(expected);
        };
        row("blanks around the text", "57=  word with blanks  \r\n", 57, "word with blanks");
        row("blanks before and inside the number", "  1 2 = twelve\r\n", 12, "twelve");
        row("letters give zero", "abc=zero\r\n", 0, "zero");
        row("number stops at a letter", "42abc=x\r\n", 42, "x");
        row("second equals sign cut off", "7=a=b\r\n", 7, "a");
        row("rounded half to even down", "2.5=down\r\n", 2, "down");
        row("rounded up", "2.7=up\r\n", 3, "up");
        row("exponent", "1e2=hundred\r\n", 100, "hundred");
        row("later line wins", "9=first\r\n9=second\r\n", 9, "second");
        row("empty text", "5=old\r\n5=\r\n", 5, "");
        row("comment ignored", "#8=hidden\r\n", 8, "");
        row("line without equals ignored", "8 nothing\r\n", 8, "");
        row("LF line ends", "3=three\n4=four\n", 4, "four");
        row("last entry of the table", "1024=last\r\n", 1024, "last");
        row("UTF-8 accents", "6=L\xc3\xb6schen\r\n", 6, "Löschen");
        row("Latin-1 accents", "6=L\xf6schen\r\n", 6, "Löschen");
    }

    void parsesLines()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, number);
        QFETCH(QString, expected);
        LanguageTable table;
        const auto result = table.LoadLanguage(writeFile(u"t.lng"_s, content));
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
        const auto result = table.LoadLanguage(writeFile(u"range.lng"_s, line + "1=kept\r\n"));
        QCOMPARE(result.status, LanguageTable::LoadStatus::Loaded);
        QCOMPARE(table.GetString(1), u"kept"_s);
        QCOMPARE(table.GetString(0), QString());
        QCOMPARE(table.GetString(1024), QString());
    }

    void reportsFormatErrorWithLineNumber()
    {
        LanguageTable table;
        const QString path = writeFile(u"bad.lng"_s, "# comment\r\n\r\n=broken\r\n4=after\r\n");
        const auto result = table.LoadLanguage(path);
        QCOMPARE(result.status, LanguageTable::LoadStatus::FormatError);
        QCOMPARE(result.errorLine, 3);
        QCOMPARE(result.message, u"An error occured while parsing "_s + path +
                                     u" at line 3.\r\nTry replacing this file with another one."_s);
        QCOMPARE(table.GetString(4), QString());
    }

    // A file replaces only the texts it defines; no readable file replaces none.
    void keepsTextsNothingReplaces()
    {
        LanguageTable table;
        table.LoadLanguage(writeFile(u"a.lng"_s, "300=about\r\n1=one\r\n"));
        table.LoadLanguage(writeFile(u"b.lng"_s, "1=eins\r\n# nothing else\r\n"));
        QCOMPARE(table.GetString(300), u"about"_s);
        QCOMPARE(table.GetString(1), u"eins"_s);
        QTemporaryDir empty;
        const auto result = LoadInterfaceLanguage(table, empty.path(), u"german.lng"_s);
        QVERIFY(!result.warning.isEmpty());
        QVERIFY(result.fatalMessage.isEmpty());
        QCOMPARE(table.GetString(1), u"eins"_s);
    }

    // "few 78 = ..." is text 78 after the counts the language calls few; the
    // plain text stands where the file gives no form, and goes with the file.
    void pluralFormsFollowTheLanguagesRule_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<qint64>("count");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* locale, qint64 count, const char* expected) {
            QTest::addRow("%s %lld", locale, count) << QString::fromLatin1(locale) << count << expected;
        };
        for (const char* locale : {"en_GB", "de_DE"}) {
            row(locale, 1, "one");
            row(locale, 0, "plain");
            row(locale, 21, "plain");
        }
        row("pl_PL", 1, "one");
        row("pl_PL", 22, "few");
        row("pl_PL", 21, "many");
        row("pl_PL", 12, "many");
        for (const char* locale : {"ru_RU", "uk_UA"}) {
            row(locale, 21, "one");
            row(locale, 11, "many");
            row(locale, 104, "few");
            row(locale, 114, "many");
            row(locale, -2, "few");
        }
    }

    void pluralFormsFollowTheLanguagesRule()
    {
        QFETCH(QString, locale);
        QFETCH(qint64, count);
        QFETCH(QString, expected);
        LanguageTable table;
        table.LoadLanguage(writeFile(
            u"forms.lng"_s,
            "one 78 = one\nfew 78=few\n  many  78 = many\n78 = plain\n138 = " + locale.toLatin1() + '\n'));
        QCOMPARE(table.GetPlural(78, count), expected);
        QCOMPARE(table.GetString(0), QString());
        table.LoadLanguage(writeFile(u"plain.lng"_s, "78 = again\n"));
        QCOMPARE(table.GetPlural(78, count), u"again"_s);
    }

    void sizesInTheLanguagesOwnUnits_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("expected"); // the size, then as a speed
        QTest::newRow("bytes") << u"russian.lng"_s << 512LL << u"512 Б 512 Б/с"_s;
        QTest::newRow("KB") << u"ukrainian.lng"_s << 1536LL << u"1,5 КБ 1,5 КБ/с"_s;
        QTest::newRow("MB") << u"english.lng"_s << 3LL * 1024 * 1024 << u"3.0 MB 3.0 MB/s"_s;
        QTest::newRow("a file without units") << QString() << 2048LL << u"2.0 KB 2.0 KB/s"_s;
    }

    void sizesInTheLanguagesOwnUnits()
    {
        QFETCH(QString, file);
        QFETCH(qint64, bytes);
        QFETCH(QString, expected);
        LanguageTable table;
        table.LoadLanguage(file.isEmpty() ? writeFile(u"old.lng"_s, "138 = en_GB\n")
                                          : QStringLiteral(VANTREL_SOURCE_DIR "/lng/") + file);
        const SizeUnits units = sizeUnitsOf(table);
        QCOMPARE(sizeInUnits(bytes, units) + u' ' + speedInUnits(bytes, units), expected);
    }

    void fallsBackToEnglish()
    {
        QTemporaryDir lng;
        writeIn(lng, u"english.lng"_s, "1=File\r\n");

        for (const QString& chosen : {QString(), u"gone.lng"_s, u"../english.lng"_s}) {
            LanguageTable table;
            const auto result = LoadInterfaceLanguage(table, lng.path(), chosen);
            QVERIFY2(result.warning.isEmpty(), qPrintable(chosen));
            QCOMPARE(table.GetString(1), u"File"_s);
        }
    }

    void refusesFilesFarBeyondAnyLanguage()
    {
        QTemporaryDir lng;
        const QString english = writeIn(lng, u"english.lng"_s, "1=File\r\n");
        QByteArray lines(LanguageTable::kLargestFile, '\n');
        lines.replace(0, 8, "1=Datei\n");
        const QString huge = writeIn(lng, u"huge.lng"_s, lines);
        LanguageTable table;
        QCOMPARE(table.LoadLanguage(huge).status, LanguageTable::LoadStatus::Loaded);
        QCOMPARE(table.GetString(1), u"Datei"_s);

        writeIn(lng, u"huge.lng"_s, lines + '\n');
        const auto result = LoadInterfaceLanguage(table, lng.path(), u"huge.lng"_s);
        QVERIFY(result.fatalMessage.isEmpty());
        QVERIFY2(result.warning.contains(huge), qPrintable(result.warning));
        QCOMPARE(result.loadedPath, english);
        QCOMPARE(table.GetString(1), u"File"_s);
    }

    // A pipe in the language folder would block the start for ever.
    void refusesWhatIsNoPlainFile()
    {
        QTemporaryDir lng;
        const QString pipe = lng.filePath(u"pipe.lng"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        LanguageTable table;
        QCOMPARE(table.LoadLanguage(pipe).status, LanguageTable::LoadStatus::CannotOpen);
    }

    void shippedLanguagesDefineTheSameNumbers_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("deleteCaption");
        const QString folder = QStringLiteral(VANTREL_SOURCE_DIR "/lng");
        const QStringList files = QDir(folder).entryList({u"*.lng"_s}, QDir::Files, QDir::Name);
        QVERIFY(files.size() >= 5);
        const QHash<QString, QString> deleteCaptions = {{u"english.lng"_s, u"Delete"_s},
                                                        {u"german.lng"_s, u"Löschen"_s},
                                                        {u"polish.lng"_s, u"Usuń"_s},
                                                        {u"russian.lng"_s, u"Удалить"_s},
                                                        {u"ukrainian.lng"_s, u"Видалити"_s}};
        for (const QString& file : files)
            QTest::newRow(qPrintable(file)) << folder + QLatin1Char('/') + file << deleteCaptions.value(file);
    }

    void shippedLanguagesDefineTheSameNumbers()
    {
        QFETCH(QString, file);
        QFETCH(QString, deleteCaption);
        QFile raw(file);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        // Read as anything but UTF-8, a language's letters would turn to garbage.
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString decoded = utf8(raw.readAll());
        QVERIFY2(!utf8.hasError() && !decoded.isEmpty(), "not UTF-8");
        LanguageTable english, language;
        QCOMPARE(english.LoadLanguage(QStringLiteral(VANTREL_SOURCE_DIR "/lng/english.lng")).status,
                 LanguageTable::LoadStatus::Loaded);
        QCOMPARE(language.LoadLanguage(file).status, LanguageTable::LoadStatus::Loaded);
        for (int number = 0; number <= LanguageTable::kLastNumber; ++number)
            QVERIFY2(english.GetString(number).isEmpty() == language.GetString(number).isEmpty(),
                     qPrintable(QString::number(number)));
        QCOMPARE(language.GetString(43), deleteCaption);
    }
};

QTEST_GUILESS_MAIN(LanguageTableTest)
#include "tst_languagetable.moc"
