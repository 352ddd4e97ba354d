#pragma once

#include <QString>
#include <QStringView>

#include <array>

// The interface texts, numbered 0 to 1024. Loading a file only overwrites the
// entries it defines; nothing ever clears the table.
class QIODevice;

class LanguageTable
{
public:
    static constexpr int kLastNumber = 1024;
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

    // Reads the number piece the way the file format wants it: blanks anywhere are
    // skipped, reading stops at the first character that cannot continue the
    // number, no leading number gives 0, and the value is rounded half to even.
    static double parseNumberPiece(QStringView piece);

private:
    void storeLine(QStringView line);

    std::array<QString, kLastNumber + 1> texts_;
};

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
