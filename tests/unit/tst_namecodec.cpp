#include "phone/DisplayName.h"
#include "phone/NameCodec.h"

#include <QTest>

class NameCodecTest : public QObject
{
    Q_OBJECT
private slots:
    void encodes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("encoded");
        QTest::newRow("empty") << QString() << QStringLiteral("\"\"");
        QTest::newRow("code below 16") << QStringLiteral("\t") << QStringLiteral("\"0009\"");
        QTest::newRow("Cyrillic") << QStringLiteral("Фото") << QStringLiteral("\"0424043E0442043E\"");
        QTest::newRow("path") << QStringLiteral("/ml/") << QStringLiteral("\"002F006D006C002F\"");
    }

    void encodes()
    {
        QFETCH(QString, name);
        QFETCH(QString, encoded);
        QCOMPARE(EncodeName(name), encoded);
        if (!name.isEmpty())
            QCOMPARE(DecodeName(encoded.mid(1, encoded.size() - 2)), name);
    }

    void decodes_data()
    {
        QTest::addColumn<QString>("hex");
        QTest::addColumn<QString>("decoded");
        QTest::newRow("zero skipped") << QStringLiteral("0000") << QString();
        QTest::newRow("zero between") << QStringLiteral("004100000042") << QStringLiteral("AB");
        QTest::newRow("16-bit character stays one") << QStringLiteral("04410042") << QStringLiteral("сB");
        QTest::newRow("lower case digits") << QStringLiteral("00e9") << QStringLiteral("é");
        QTest::newRow("short trailing group") << QStringLiteral("004141") << QStringLiteral("AA");
    }

    void decodes()
    {
        QFETCH(QString, hex);
        QFETCH(QString, decoded);
        QCOMPARE(DecodeName(hex), decoded);
    }

    void namesAreShownHarmlessly_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("inList");
        QTest::addColumn<QString>("onTerminal");
        QTest::addColumn<QString>("inPipe");
        QTest::newRow("plain") << QStringLiteral("a b.txt") << QStringLiteral("a b.txt")
                               << QStringLiteral("a b.txt") << QStringLiteral("a b.txt");
        QTest::newRow("line feed") << QStringLiteral("a\nb") << QStringLiteral("a\uFFFDb")
                                   << QStringLiteral("'a'$'\\n''b'") << QStringLiteral("a\\nb");
        QTest::newRow("escape sequence") << QStringLiteral("\x1b[2Jx") << QStringLiteral("\uFFFD[2Jx")
                                         << QStringLiteral("$'\\033''[2Jx'") << QStringLiteral("\\033[2Jx");
        QTest::newRow("backslash") << QStringLiteral("e\\f") << QStringLiteral("e\\f")
                                   << QStringLiteral("e\\f") << QStringLiteral("e\\\\f");
        QTest::newRow("quote and tab") << QStringLiteral("it's\t") << QStringLiteral("it's\uFFFD")
                                       << QStringLiteral("'it'\\''s'$'\\t'") << QStringLiteral("it's\\t");
        QTest::newRow("C1 control and DEL")
            << QStringLiteral("a\u0085b\x7f") << QStringLiteral("a\uFFFDb\uFFFD")
            << QStringLiteral("'a'$'\\302\\205''b'$'\\177'") << QStringLiteral("a\\302\\205b\\177");
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

QTEST_GUILESS_MAIN(NameCodecTest)
#include "tst_namecodec.moc"
