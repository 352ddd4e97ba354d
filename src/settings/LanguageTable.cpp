#include "LanguageTable.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QLocale>
#include <QStringDecoder>

#include <cmath>
#include <optional>

namespace {

QString formatErrorMessage(const QString& path, int line)
{
    return QStringLiteral("An error occured while parsing ") + path + QStringLiteral(" at line ") +
           QString::number(line) + QStringLiteral(".\r\nTry replacing this file with another one.");
}

QString tooLargeMessage(const QString& path)
{
    return QStringLiteral("The language file %1 is larger than %2 KB, far larger than any language file; "
                          "it was not read.")
        .arg(path, QString::number(LanguageTable::kLargestFile / 1024));
}

QByteArray readAtMost(QIODevice& device, qint64 limit)
{
    // Piece by piece: a buffer of the whole limit would be wasted on the usual few KB.
    constexpr qint64 kPiece = 16 * 1024;
    QByteArray bytes;
    while (bytes.size() < limit) {
        const QByteArray piece = device.read(qMin(kPiece, limit - bytes.size()));
        if (piece.isEmpty())
            break;
        bytes += piece;
    }
    return bytes;
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// "few 78" names the form "few" of text 78: the form's name, a blank, the
// number. A program that knows no forms reads the name as no number, so the
// line lands on text 0, which nothing shows.
std::optional<LanguageTable::Plural> takePluralForm(QStringView& piece)
{
    using Plural = LanguageTable::Plural;
    const std::pair<QLatin1StringView, Plural> names[] = {{QLatin1StringView("one"), Plural::One},
                                                          {QLatin1StringView("few"), Plural::Few},
                                                          {QLatin1StringView("many"), Plural::Many},
                                                          {QLatin1StringView("other"), Plural::Other}};
    const QStringView trimmed = piece.trimmed();
    for (const auto& [name, form] : names) {
        if (trimmed.size() > name.size() && trimmed.startsWith(name) && isBlank(trimmed.at(name.size()))) {
            piece = trimmed.mid(name.size());
            return form;
        }
    }
    return std::nullopt;
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

double LanguageTable::parseNumberPiece(QStringView piece)
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

void LanguageTable::storeLine(QStringView line)
{
    const qsizetype firstEquals = line.indexOf(QLatin1Char('='));
    const qsizetype secondEquals = line.indexOf(QLatin1Char('='), firstEquals + 1);
    QStringView numberPiece = line.left(firstEquals);
    const std::optional<Plural> form = takePluralForm(numberPiece);
    const double number = parseNumberPiece(numberPiece);
    // A number outside the table is skipped rather than written out of bounds.
    if (!(number >= 0 && number <= kLastNumber))
        return;
    const int index = static_cast<int>(number);
    forgetFormsOnce(index);
    const QString text = line.mid(firstEquals + 1, secondEquals < 0 ? -1 : secondEquals - firstEquals - 1)
                             .trimmed()
                             .toString();
    if (form)
        forms_[index][static_cast<std::size_t>(*form)] = text;
    else
        texts_[static_cast<std::size_t>(index)] = text;
}

void LanguageTable::forgetFormsOnce(int number)
{
    // Another language's forms of a text this file words anew would be wrong.
    if (definedByThisFile_.test(static_cast<std::size_t>(number)))
        return;
    definedByThisFile_.set(static_cast<std::size_t>(number));
    forms_.remove(number);
}

LanguageTable::LoadResult LanguageTable::LoadLanguage(const QString& path)
{
    QFile file(path);
    // A pipe or a device would block the start for ever.
    if (path.isEmpty() || !QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        LoadResult result;
        result.status = LoadStatus::CannotOpen;
        return result;
    }
    return readLanguage(file, path);
}

LanguageTable::LoadResult LanguageTable::readLanguage(QIODevice& device, const QString& path)
{
    LoadResult result;
    // One byte more than allowed tells a file at the limit from one beyond it,
    // without reading all of a huge (or endless) file.
    const QByteArray bytes = readAtMost(device, kLargestFile + 1);
    if (bytes.size() > kLargestFile) {
        result.status = LoadStatus::TooLarge;
        result.message = tooLargeMessage(path);
        return result;
    }
    const QString content = decodeLanguageBytes(bytes);
    definedByThisFile_.reset();

    int lineNumber = 0;
    qsizetype start = 0;
    // A final line end does not start another line.
    while (start < content.size()) {
        qsizetype end = content.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = content.size();
        QStringView line = QStringView(content).mid(start, end - start);
        start = end + 1;
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

QString LanguageTable::GetPlural(int number, qint64 count) const
{
    const auto forms = forms_.constFind(number);
    if (forms != forms_.cend()) {
        const Plural category = pluralCategory(GetString(kLocaleText), count);
        const QString& form = forms->at(static_cast<std::size_t>(category));
        if (!form.isEmpty())
            return form;
    }
    return GetString(number);
}

LanguageTable::Plural LanguageTable::pluralCategory(QStringView locale, qint64 count)
{
    // The sign says nothing about the form; unsigned, the lowest count has a magnitude too.
    const quint64 n = count < 0 ? 0 - static_cast<quint64>(count) : static_cast<quint64>(count);
    const quint64 lastDigit = n % 10, lastTwo = n % 100;
    const bool fewEnding = lastDigit >= 2 && lastDigit <= 4 && (lastTwo < 12 || lastTwo > 14);
    switch (QLocale(locale.toString()).language()) {
    case QLocale::Russian:
    case QLocale::Ukrainian:
        if (lastDigit == 1 && lastTwo != 11)
            return Plural::One;
        return fewEnding ? Plural::Few : Plural::Many;
    case QLocale::Polish:
        if (n == 1)
            return Plural::One;
        return fewEnding ? Plural::Few : Plural::Many;
    default:
        // English, German and every language without a rule of its own here.
        return n == 1 ? Plural::One : Plural::Other;
    }
}

QString countedText(const LanguageTable& texts, qint64 count, int one, int many)
{
    return count == 1 ? texts.GetString(one) : texts.GetPlural(many, count);
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

    // A refused file is said even when the fallback then loads.
    QStringList refusals;
    for (const QString& name : candidates) {
        const QString path = languageFolder + QLatin1Char('/') + name;
        const LanguageTable::LoadResult loaded = table.LoadLanguage(path);
        if (loaded.status == LanguageTable::LoadStatus::FormatError) {
            result.fatalMessage = loaded.message;
            return result;
        }
        if (loaded.status == LanguageTable::LoadStatus::Loaded) {
            result.loadedPath = path;
            result.warning = refusals.join(QLatin1Char('\n'));
            return result;
        }
        if (loaded.status == LanguageTable::LoadStatus::TooLarge)
            refusals << loaded.message;
    }
    refusals << QStringLiteral("No language file could be read from %1 (looked for: %2). "
                               "Texts already loaded are kept.")
                    .arg(languageFolder, candidates.join(QStringLiteral(", ")));
    result.warning = refusals.join(QLatin1Char('\n'));
    return result;
}
