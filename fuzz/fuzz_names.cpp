// Names: any hex text from the phone decodes; any name survives the way there
// and back; the shown forms hold no control character, and the pipe form reads back.
#include "Pieces.h"
#include "phone/DisplayName.h"
#include "phone/NameCodec.h"

#include <algorithm>
#include <cstring>

namespace {

bool holdsControl(const QString& text)
{
    return std::any_of(text.begin(), text.end(), isControlCharacter);
}

// Reads the pipe form back: \\, the short C escapes and \ooo octal bytes.
QString unescapedPipeForm(const QString& escaped)
{
    QByteArray bytes;
    const QByteArray utf8 = escaped.toUtf8();
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        if (utf8[i] != '\\' || i + 1 >= utf8.size()) {
            bytes += utf8[i];
            continue;
        }
        const char next = utf8[++i];
        const char* shortForms = "a\ab\bt\tn\nv\vf\fr\r\\\\";
        const char* found = std::strchr(shortForms, next);
        if (found && (found - shortForms) % 2 == 0) {
            bytes += found[1];
        } else {
            bytes += static_cast<char>(utf8.mid(i, 3).toInt(nullptr, 8));
            i += 2;
        }
    }
    return QString::fromUtf8(bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString hex = QString::fromLatin1(bytes);
    (void)DecodeName(hex);
    (void)HexToNumber(hex);

    // The same bytes as UTF-16 text: a name as the phone may hold it.
    QString name(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
    std::memcpy(name.data(), data, static_cast<std::size_t>(name.size()) * 2);
    const QString encoded = EncodeName(name);
    FUZZ_CHECK(encoded.size() == name.size() * 4 + 2);
    FUZZ_CHECK(DecodeName(encoded.mid(1, encoded.size() - 2)) == QString(name).remove(QChar(0)));

    const QString shown = withVisibleControls(name);
    FUZZ_CHECK(shown.size() == name.size() && !holdsControl(shown));
    FUZZ_CHECK(!holdsControl(quotedForTerminal(name)));
    const QString piped = escapedForPipe(name);
    FUZZ_CHECK(!holdsControl(piped));
    // Lone surrogates do not survive UTF-8; the rest must come back exactly.
    if (QString::fromUtf8(name.toUtf8()) == name)
        FUZZ_CHECK(unescapedPipeForm(piped) == name);
    return 0;
}
