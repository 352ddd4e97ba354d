#include "phone/BatteryAnswer.h"
#include "phone/DisplayName.h"
#include "phone/DownloadFrame.h"
#include "phone/LineLogFormat.h"
#include "phone/ListingAnswer.h"
#include "phone/NameCodec.h"
#include "phone/TransferMeter.h"
#include "settings/SizeText.h"

#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
QByteArray entryLine(const QByteArray& hexName, char flag, const QByteArray& size)
{
    return "\r\n+QFSL: \"" + hexName + "\"," + flag + ",0," + size + ",\"2007/05/12 10:00\"";
}
} // namespace

class AnswersTest : public QObject
{
    Q_OBJECT
private slots:
    void listingStates_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("entries");
        using S = ListingAnswer::State;
        const QByteArray two = entryLine("006D006C", '1', "0") + entryLine("0061", '0', "2048");
        QTest::newRow("complete") << two + "\r\n\r\nOK\r\n" << int(S::Complete) << 2;
        QTest::newRow("empty folder") << QByteArray("\r\nOK\r\n") << int(S::Complete) << 0;
        QTest::newRow("echo before the answer") << QByteArray("AT+QFSL=\"002F\",0\r") + two + "\r\n\r\nOK\r\n"
                                                << int(S::Complete) << 2;
        QTest::newRow("final OK without line end") << two + "\r\n\r\nOK" << int(S::Incomplete) << 0;
        QTest::newRow("OK without line end before it") << QByteArray("OK\r\n") << int(S::Malformed) << 0;
        QTest::newRow("tail of another answer") << QByteArray("xyz\r\n\r\nOK\r\n") << int(S::Malformed) << 0;
        QTest::newRow("line that is no entry") << two + "\r\nstray\r\n\r\nOK\r\n" << int(S::Malformed) << 0;
        QTest::newRow("folder without size")
            << QByteArray("\r\n+QFSL: \"0041\",1\r\n\r\nOK\r\n") << int(S::Complete) << 1;
        QTest::newRow("cut inside an entry") << two.left(30) << int(S::Incomplete) << 0;
        QTest::newRow("entry without fourth comma")
            << QByteArray("\r\n+QFSL: \"0061\",0,0\r\n\r\nOK\r\n") << int(S::Malformed) << 0;
        for (const char* size : {"1e19", "inf", "nan", "-5", "9007199254740994"})
            QTest::newRow(size) << entryLine("0061", '0', size) + "\r\n\r\nOK\r\n" << int(S::Malformed) << 0;
        QTest::newRow("largest size") << entryLine("0061", '0', "9007199254740992") + "\r\n\r\nOK\r\n"
                                      << int(S::Complete) << 1;
        QByteArray overflowing;
        for (int i = 0; i < 1025; ++i)
            overflowing += entryLine("0061", '0', "9007199254740992");
        QTest::newRow("total beyond 64 bits") << overflowing + "\r\n\r\nOK\r\n" << int(S::Malformed) << 0;
        QByteArray thousand;
        for (int i = 0; i < 1000; ++i)
            thousand += entryLine(QByteArray::number(0x4E00 + i, 16).toUpper(), '0', QByteArray::number(i));
        QTest::newRow("no line limit") << thousand + "\r\n\r\nOK\r\n" << int(S::Complete) << 1000;
    }

    void listingStates()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, state);
        QFETCH(int, entries);
        const ListingAnswer parsed = parseListingAnswer(answer);
        QCOMPARE(int(parsed.state), state);
        QCOMPARE(parsed.entries.size(), entries);
    }

    // -1: no reading.
    void batteryPercent_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("percent");
        QTest::addColumn<int>("level");
        QTest::newRow("with OK") << QByteArray("\r\n+CBC: 0,5\r\n\r\nOK\r\n") << 5 << 1;
        // The edges of the six bands, and no picture above 100.
        for (const auto& [percent, level] :
             {std::pair{16, 1}, {17, 2}, {64, 4}, {65, 5}, {82, 5}, {83, 6}, {100, 6}, {101, 0}})
            QTest::addRow("%d", percent) << "\r\n+CBC: 1," + QByteArray::number(percent) + "\r\n"
                                         << percent << level;
        for (const char* unreadable :
             {"\r\nOK\r\n", "\r\n+CBC: 0,50", "\r\n+CBC: 50\r\n", "\r\n+CBC: 0,x\r\n"})
            QTest::newRow(unreadable) << QByteArray(unreadable) << -1 << 0;
    }

    void batteryPercent()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, percent);
        QFETCH(int, level);
        const auto parsed = parseBatteryPercent(answer);
        QCOMPARE(parsed.value_or(-1), percent);
        if (parsed)
            QCOMPARE(batteryLevelFor(*parsed), level);
    }

    void downloadFrame_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QByteArray>("content");
        const auto file = [](const char* row, const QByteArray& answer, const QByteArray& content) {
            QTest::newRow(row) << answer << true << content;
        };
        const auto refused = [](const char* row, const QByteArray& answer) {
            QTest::newRow(row) << answer << false << QByteArray();
        };
        const QByteArray echo("AT+QFRF=\"002F\",0,\"0061\",1\r\n");
        file("file", "\r\n+QFRF: 3\r\nabc\r\n\r\nOK\r\n", "abc");
        file("empty file", "\r\n+QFRF: 0\r\n\r\n\r\nOK\r\n", "");
        file("content with line ends", "\r\n+QFRF: 6\r\n\r\nOK\r\n\r\n\r\nOK\r\n", "\r\nOK\r\n");
        file("echo with its line end", echo + "\r\n+QFRF: 3\r\nabc\r\n\r\nOK\r\n", "abc");
        file("RING before the size", "\r\nRING\r\n\r\n+QFRF: 2\r\nab\r\n\r\nOK\r\n", "ab");
        refused("no size announced", "\r\n\r\nxy\r\n\r\nOK\r\n");
        refused("another command's answer", "\r\n+QFSL: \"0041\",0,0,3,\"d\"\r\n\r\nOK\r\n");
        file("leading line end lost", "+QFRF: 3\r\nabc\r\n\r\nOK\r\n", "abc");
        refused("opening line lost, no size", "FRF: 2\r\n\r\n\r\nab\r\n\r\nOK\r\n");
        refused("size's first bytes lost", "FRF: 12\r\nline\r\nsecond\r\n\r\nOK\r\n");
        refused("size not a number", "\r\n+QFRF: 12x\r\n0123456789ab\r\n\r\nOK\r\n");
        refused("size beyond 2^63", "\r\n+QFRF: 99999999999999999999\r\nab\r\n\r\nOK\r\n");
        refused("negative size", "\r\n+QFRF: -2\r\nab\r\n\r\nOK\r\n");
        refused("ERROR", "\r\nERROR\r\n");
        refused("echo, then ERROR", echo + "\r\nERROR\r\n");
        refused("cut short", "\r\n+QFRF: 10\r\nabc");
        refused("fewer bytes than announced", "\r\n+QFRF: 4\r\nabc\r\n\r\nOK\r\n");
        refused("more bytes than announced", "\r\n+QFRF: 2\r\nabc\r\n\r\nOK\r\n");
        refused("nothing", "");
    }

    // The same answer, whole and in pieces of every size, gives the same bytes.
    void downloadFrame()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, valid);
        QFETCH(QByteArray, content);
        for (qsizetype piece = 1; piece <= qMax<qsizetype>(1, answer.size()); ++piece) {
            QByteArray delivered;
            DownloadFrameParser parser([&](QByteArrayView bytes) { delivered += bytes; });
            for (qsizetype at = 0; at < answer.size(); at += piece)
                parser.feed(QByteArrayView(answer).sliced(at, qMin(piece, answer.size() - at)));
            QCOMPARE(parser.complete(), valid);
            if (valid)
                QCOMPARE(delivered, content);
        }
    }

    // The line log: each event is ">" (to the phone) or "<" (from it) and its bytes.
    void lineLogLines_data()
    {
        QTest::addColumn<QByteArrayList>("events");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("listing, its lines cut anywhere")
            << QByteArrayList{">AT+QFSL=\"002F\",0\r\n", "<\r\n+QFSL: \"0041\",1\r\n+QF",
                              "<SL: \"0042\",0,12\r\n\r\nOK\r\n"}
            << QStringList{"→ AT+QFSL=\"002F\",0\\r\\n",   "← \\r\\n", "← +QFSL: \"0041\",1\\r\\n",
                           "← +QFSL: \"0042\",0,12\\r\\n", "← \\r\\n", "← OK\\r\\n"};
        QTest::newRow("download of a text file: content as count and first bytes")
            << QByteArrayList{">AT+QFRF=\"002F\",0,\"0061\",1\r\n", "<\r\n+QFRF: 23\r\nsecret line",
                              "< one\r\nsecret\r\n\r\nOK\r\n"}
            << QStringList{"→ AT+QFRF=\"002F\",0,\"0061\",1\\r\\n",
                           "← \\r\\n",
                           "← +QFRF: 23\\r\\n",
                           "← [23 B] 73 65 63 72 65 74 20 6C 69 6E 65 20 6F 6E 65 0D …",
                           "← \\r\\n",
                           "← \\r\\n",
                           "← OK\\r\\n"};
        QTest::newRow("upload: prompt, slice as count and first bytes, confirmation")
            << QByteArrayList{">AT+QFWF=\"002F\",0,\"0061\",1,3,1,0\r\n", "<> ", ">abcbc", "<\r\nOK\r\n"}
            << QStringList{"→ AT+QFWF=\"002F\",0,\"0061\",1,3,1,0\\r\\n", "← > ", "→ [5 B] 61 62 63 62 63",
                           "← \\r\\n", "← OK\\r\\n"};
        QTest::newRow("control bytes and noise")
            << QByteArrayList{"<RING\t\\\r\n", QByteArray("<\x01\x02\xff\n", 5)}
            << QStringList{"← RING\\t\\\\\\r\\n", "← [4 B] 01 02 FF 0A"};
    }

    void lineLogLines()
    {
        QFETCH(QByteArrayList, events);
        QFETCH(QStringList, lines);
        QStringList logged;
        LineLogFormat format([&](const QString& line) { logged << line; });
        for (const QByteArray& event : events) {
            if (event.startsWith('>'))
                format.sent(event.mid(1));
            else
                format.received(event.mid(1));
        }
        format.flush();
        const QRegularExpression stamp(u"^ +\\d+\\.\\d{3} "_s);
        for (QString& line : logged) {
            QVERIFY2(stamp.match(line).hasMatch(), qPrintable(line));
            line.remove(stamp);
        }
        QCOMPARE(logged, lines);
    }

    // Sizes as people read them, in the language's number format.
    void sizesReadAsPeopleReadThem_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("shown");
        for (const auto& [row, bytes, locale, shown] : {std::tuple{"nothing", 0, "en_GB", "0 B"},
                                                        {"just under a KB", 1023, "en_GB", "1,023 B"},
                                                        {"one KB", 1024, "en_GB", "1.0 KB"},
                                                        {"300 KB, no decimal", 307200, "en_GB", "300 KB"},
                                                        {"1.5 MB in German", 1572864, "de_DE", "1,5 MB"},
                                                        {"just under a MB", 1048575, "en_GB", "1.0 MB"}})
            QTest::newRow(row) << qint64(bytes) << QString(locale) << QString(shown);
    }

    void sizesReadAsPeopleReadThem()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, locale);
        QFETCH(QString, shown);
        const SizeUnits latin{QLocale(locale), {u"B"_s, u"KB"_s, u"MB"_s, u"GB"_s, u"TB"_s}, u"/s"_s};
        QCOMPARE(sizeInUnits(bytes, latin), shown);
    }

    // Names on the wire: four hex digits a UTF-16 unit, read leniently.
    void namesOnTheWire_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("hex");
        QTest::addColumn<bool>("writtenSo"); // false: only read so
        QTest::newRow("empty") << QString() << QString() << true;
        QTest::newRow("code below 16") << u"\t"_s << u"0009"_s << true;
        QTest::newRow("Cyrillic") << u"Фото"_s << u"0424043E0442043E"_s << true;
        QTest::newRow("path") << u"/ml/"_s << u"002F006D006C002F"_s << true;
        QTest::newRow("16-bit character stays one") << u"сB"_s << u"04410042"_s << true;
        QTest::newRow("zero skipped") << QString() << u"0000"_s << false;
        QTest::newRow("zero between") << u"AB"_s << u"004100000042"_s << false;
        QTest::newRow("lower case digits") << u"é"_s << u"00e9"_s << false;
        QTest::newRow("short trailing group") << u"AA"_s << u"004141"_s << false;
    }

    void namesOnTheWire()
    {
        QFETCH(QString, name);
        QFETCH(QString, hex);
        QFETCH(bool, writtenSo);
        QCOMPARE(DecodeName(hex), name);
        if (writtenSo)
            QCOMPARE(EncodeName(name), u'"' + hex + u'"');
    }

    void namesAreShownHarmlessly_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("inList");
        QTest::addColumn<QString>("onTerminal");
        QTest::addColumn<QString>("inPipe");
        QTest::newRow("plain") << u"a b.txt"_s << u"a b.txt"_s << u"a b.txt"_s << u"a b.txt"_s;
        QTest::newRow("line feed") << u"a\nb"_s << u"a\uFFFDb"_s << u"'a'$'\\n''b'"_s << u"a\\nb"_s;
        QTest::newRow("escape sequence")
            << u"\x1b[2Jx"_s << u"\uFFFD[2Jx"_s << u"$'\\033''[2Jx'"_s << u"\\033[2Jx"_s;
        QTest::newRow("backslash") << u"e\\f"_s << u"e\\f"_s << u"e\\f"_s << u"e\\\\f"_s;
        QTest::newRow("quote and tab")
            << u"it's\t"_s << u"it's\uFFFD"_s << u"'it'\\''s'$'\\t'"_s << u"it's\\t"_s;
        QTest::newRow("C1 control and DEL") << u"a\u0085b\x7f"_s << u"a\uFFFDb\uFFFD"_s
                                            << u"'a'$'\\302\\205''b'$'\\177'"_s << u"a\\302\\205b\\177"_s;
    }

    void namesAreShownHarmlessly()
    {
        QFETCH(QString, name);
        QFETCH(QString, inList);
        QFETCH(QString, onTerminal);
        QFETCH(QString, inPipe);
        QCOMPARE(withVisibleControls(name), inList);
        QCOMPARE(quotedForTerminal(name), onTerminal);
        QCOMPARE(escapedForPipe(name), inPipe);
    }
};

QTEST_GUILESS_MAIN(AnswersTest)
#include "tst_answers.moc"
