#include "NameCodec.h"

namespace {
const QString kHexDigits = QStringLiteral("0123456789ABCDEF");
}

QString EncodeName(const QString& name)
{
    QString encoded;
    encoded.reserve(name.size() * 4 + 2);
    encoded += QLatin1Char('"');
    for (QChar c : name)
        encoded += QStringLiteral("%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    encoded += QLatin1Char('"');
    return encoded;
}

long HexToNumber(QString& digits)
{
    digits = digits.toUpper();
    // Unsigned, so a text longer than any name's group wraps instead of overflowing.
    unsigned long value = 0;
    for (QChar c : digits)
        value = value * 16 + static_cast<unsigned long>(kHexDigits.indexOf(c));
    return static_cast<long>(value);
}

QString DecodeName(const QString& hexDigits)
{
    QString decoded;
    for (qsizetype i = 0; i < hexDigits.size(); i += 4) {
        QString group = hexDigits.mid(i, 4);
        const long code = HexToNumber(group);
        if (code > 0 && code <= 0xFFFF)
            decoded += QChar(static_cast<char16_t>(code));
    }
    return decoded;
}
