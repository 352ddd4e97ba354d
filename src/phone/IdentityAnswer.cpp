#include "IdentityAnswer.h"

#include "UnsolicitedCodes.h"

#include <QByteArrayList>

namespace {

constexpr qsizetype kLongestIdentityText = 64;

// The result code that ended the answer, or an empty one while it has not.
QByteArray finalResult(const QByteArray& answer)
{
    const QByteArrayList lines = answer.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        // The last piece may be the start of a longer line.
        const bool ended = i + 1 < lines.size() || lines.at(i).endsWith('\r');
        const QByteArray trimmed = lines.at(i).trimmed();
        if (ended && (trimmed == "OK" || trimmed == "ERROR"))
            return trimmed;
    }
    return {};
}

} // namespace

QString informationLine(const QByteArray& answer, const QByteArray& command)
{
    for (QByteArray line : answer.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line == "OK" || line == command || isUnsolicitedCode(line))
            continue;
        QString text;
        // Printable ASCII only: the text lands in file names' neighbours and on screens.
        for (const char c : line.left(kLongestIdentityText)) {
            if (c >= 0x20 && c < 0x7f)
                text += QLatin1Char(c);
        }
        return text.trimmed();
    }
    return {};
}

bool finalResultArrived(const QByteArray& answer)
{
    return !finalResult(answer).isEmpty();
}

bool answeredError(const QByteArray& answer)
{
    return finalResult(answer) == "ERROR";
}

bool holdsAnotherAnswer(const QByteArray& answer)
{
    return answer.contains("+QF") || answer.contains("+CBC:");
}
