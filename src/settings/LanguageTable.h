#pragma once

#include <QHash>
#include <QString>
#include <QStringView>

#include <array>
#include <bitset>

// The interface texts, numbered 0 to 1024. Loading a file only overwrites the
// entries it defines; nothing ever clears the table.
class QIODevice;

class LanguageTable
{
public:
    static constexpr int kLastNumber = 1024;
    // The locale the language writes numbers in ("pl_PL"); its language picks the plural rule.
    static constexpr int kLocaleText = 138;

    // The forms a counted text can take, as languages group their numbers.
    enum class Plural
    {
        One,
        Few,
        Many,
        Other
    };
    // 1025 texts fill a few dozen KB; anything far beyond that is no language file.
    static constexpr qint64 kLargestFile = 1024 * 1024;

    enum class LoadStatus
    {
        Loaded,
        CannotOpen,
        TooLarge,
        FormatError
    };

    struct LoadResult
    {
        LoadStatus status = LoadStatus::Loaded;
        int errorLine = 0;
        // The complete message for a format error or a refused file, ready to be shown.
        QString message;
    };

    LoadResult LoadLanguage(const QString& path);
    // Reads at most kLargestFile bytes from `device`; `path` names it in messages.
    LoadResult readLanguage(QIODevice& device, const QString& path);
    QString GetString(int number) const;
    // Text `number` in the form its language uses for `count` things. A line
    // "few 78 = ..." gives text 78's form for the counts the language calls
    // "few"; without a form for the count the plain text stands.
    QString GetPlural(int number, qint64 count) const;
    // Which form `count` takes in the language whose code starts `locale` ("ru_RU").
    static Plural pluralCategory(QStringView locale, qint64 count);

    // Reads the number piece the way the file format wants it: blanks anywhere are
    // skipped, reading stops at the first character that cannot continue the
    // number, no leading number gives 0, and the value is rounded half to even.
    static double parseNumberPiece(QStringView piece);

private:
    void storeLine(QStringView line);
    // A file that defines a text brings its own forms of it, or none.
    void forgetFormsOnce(int number);

    std::array<QString, kLastNumber + 1> texts_;
    QHash<int, std::array<QString, 4>> forms_;
    // The texts the file being read has defined so far.
    std::bitset<kLastNumber + 1> definedByThisFile_;
};

// The text that goes with `count` things: text `one` for a single one, else
// text `many` in the form the language uses for that count.
QString countedText(const LanguageTable& texts, qint64 count, int one, int many);

// Decodes a language file: UTF-8 when the bytes are valid UTF-8, else Latin-1.
QString decodeLanguageBytes(const QByteArray& bytes);

// The name a language file gives its language (its text 130), or the file's
// name when it gives none.
QString languageOwnName(const QString& languageFolder, const QString& fileName);

// Loads the chosen language from the language folder. A file that cannot be
// opened or is far too large falls back to "english.lng"; when that fails too,
// the texts already loaded stay. `warning` says what was refused or missing.
// A malformed file is fatal for the program.
struct InterfaceLanguageResult
{
    QString loadedPath;
    QString warning;
    QString fatalMessage;
};
InterfaceLanguageResult LoadInterfaceLanguage(LanguageTable& table, const QString& languageFolder,
                                              const QString& languageFile);
