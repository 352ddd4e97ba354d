#include "DisplayName.h"

#include <algorithm>

namespace {

// The short C escape of a control character, if it has one.
const char* shortEscape(QChar c)
{
    switch (c.unicode()) {
    case '\a':
        return "\\a";
    case '\b':
        return "\\b";
    case '\t':
        return "\\t";
    case '\n':
        return "\\n";
    case '\v':
        return "\\v";
    case '\f':
        return "\\f";
    case '\r':
        return "\\r";
    default:
        return nullptr;
    }
}

// A control character as C escapes: its short form, else each UTF-8 byte in octal.
QString escapedControl(QChar c)
{
    if (const char* escape = shortEscape(c))
        return QLatin1String(escape);
    QString escaped;
    for (char byte : QString(c).toUtf8())
        escaped += QStringLiteral("\\%1").arg(static_cast<unsigned char>(byte), 3, 8, QLatin1Char('0'));
    return escaped;
}

} // namespace

bool isControlCharacter(QChar c)
{
    const char16_t code = c.unicode();
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x2028 || code == 0x2029;
}

QString withVisibleControls(const QString& name)
{
    QString shown = name;
    std::replace_if(shown.begin(), shown.end(), isControlCharacter, QChar(QChar::ReplacementCharacter));
    return shown;
}

QString quotedForTerminal(const QString& name)
{
    if (std::none_of(name.begin(), name.end(), isControlCharacter))
        return name;
    // Runs of plain characters in '...', each control character as $'...'.
    QString quoted;
    bool inRun = false;
    for (QChar c : name) {
        if (isControlCharacter(c)) {
            if (inRun)
                quoted += QLatin1Char('\'');
            inRun = false;
            quoted += QStringLiteral("$'") + escapedControl(c) + QLatin1Char('\'');
            continue;
        }
        if (!inRun)
            quoted += QLatin1Char('\'');
        inRun = true;
        quoted += c == QLatin1Char('\'') ? QStringLiteral("'\\''") : QString(c);
    }
    if (inRun)
        quoted += QLatin1Char('\'');
    return quoted;
}

QString escapedForPipe(const QString& name)
{
    QString escaped;
    escaped.reserve(name.size());
    for (QChar c : name) {
        if (c == QLatin1Char('\\'))
            escaped += QStringLiteral("\\\\");
        else if (isControlCharacter(c))
            escaped += escapedControl(c);
        else
            escaped += c;
    }
    return escaped;
}
