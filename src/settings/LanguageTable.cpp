#include "LanguageTable.h"

#include <QFile>
#include <QStringDecoder>

#include <cmath>

namespace {

QString formatErrorMessage(const QString& path, int line)
{
    return QStringLiteral("An error occured while parsing ") + path + QStringLiteral(" at line ") +
           QString::number(line) + QStringLiteral(".\r\nTry replacing this file with another one.");
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

} // namespace

QString decodeLanguageBytes(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes);
}

double LanguageTable::parseNumberPiece(const QString& piece)
{
    // Collect the characters that continue a decimal number, skipping blanks.
    std::string number;
    bool seenDigit = false, seenPoint = false, seenExponent = false;
    for (QChar c : piece) {
        if (isBlank(c))
            continue;
        const char ch = c.toLatin1();
        const char last = number.empty() ? '\0' : number.back();
        if (ch >= '0' && ch <= '9') {
            number += ch;
            seenDigit = true;
        } else if ((ch == '+' || ch == '-') && (number.empty() || last == 'e')) {
            number += ch;
        } else if (ch == '.' && !seenPoint && !seenExponent) {
            number += ch;
            seenPoint = true;
        } else if ((ch == 'e' || ch == 'E' || ch == 'd' || ch == 'D') && seenDigit && !seenExponent) {
            number += 'e';
            seenExponent = true;
        } else {
            break;
        }
    }
    if (!seenDigit)
        return 0;
    // A dangling exponent or sign ("12e", "12e-") reads as the digits before it.
    while (!number.empty() && (number.back() == 'e' || number.back() == '+' || number.back() == '-'))
        number.pop_back();
    const double value = std::strtod(number.c_str(), nullptr);
    return std::nearbyint(value);
}

void LanguageTable::storeLine(const QString& line)
{
    const QStringList pieces = line.split(QLatin1Char('='));
    const double number = parseNumberPiece(pieces.at(0));
    // A number outside the table is skipped rather than written out of bounds.
    if (!(number >= 0 && number <= kLastNumber))
        return;
    texts_[static_cast<std::size_t>(number)] = pieces.at(1).trimmed();
}

LanguageTable::LoadResult LanguageTable::LoadLanguage(const QString& path)
{
    LoadResult result;
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        result.status = LoadStatus::CannotOpen;
        return result;
    }
    const QString content = decodeLanguageBytes(file.readAll());
    file.close();

    QStringList lines = content.split(QLatin1Char('\n'));
    // A final line end does not start another line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();

    int lineNumber = 0;
    for (QString line : lines) {
        ++lineNumber;
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.startsWith(QLatin1Char('#')) || !line.contains(QLatin1Char('=')))
            continue;
        if (line.startsWith(QLatin1Char('='))) {
            result.status = LoadStatus::FormatError;
            result.errorLine = lineNumber;
            result.message = formatErrorMessage(path, lineNumber);
            return result;
        }
        storeLine(line);
    }
    return result;
}

QString LanguageTable::GetString(int number) const
{
    if (number < 0 || number > kLastNumber)
        return QString();
    return texts_[static_cast<std::size_t>(number)];
}

QString languageOwnName(const QString& languageFolder, const QString& fileName)
{
    constexpr int kOwnName = 130;
    LanguageTable table;
    table.LoadLanguage(languageFolder + QLatin1Char('/') + fileName);
    const QString name = table.GetString(kOwnName);
    return name.isEmpty() ? fileName : name;
}

InterfaceLanguageResult LoadInterfaceLanguage(LanguageTable& table, const QString& languageFolder,
                                              const QString& languageFile)
{
    InterfaceLanguageResult result;
    QStringList candidates;
    // Only a bare file name is taken, so the setting cannot point outside the folder.
    if (!languageFile.isEmpty() && !languageFile.contains(QLatin1Char('/')) &&
        !languageFile.contains(QLatin1Char('\\')))
        candidates << languageFile;
    if (!candidates.contains(QLatin1String("english.lng")))
        candidates << QStringLiteral("english.lng");

    for (const QString& name : candidates) {
        const QString path = languageFolder + QLatin1Char('/') + name;
        const LanguageTable::LoadResult loaded = table.LoadLanguage(path);
        if (loaded.status == LanguageTable::LoadStatus::FormatError) {
            result.fatalMessage = loaded.message;
            return result;
        }
        if (loaded.status == LanguageTable::LoadStatus::Loaded) {
            result.loadedPath = path;
            return result;
        }
    }
    result.warning = QStringLiteral("No language file could be read from %1 (looked for: %2). "
                                    "Texts already loaded are kept.")
                         .arg(languageFolder, candidates.join(QStringLiteral(", ")));
    return result;
}
