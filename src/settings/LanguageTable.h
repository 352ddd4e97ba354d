#pragma once

#include <QString>

#include <array>

// The interface texts, numbered 0 to 1024. Loading a file only overwrites the
// entries it defines; nothing ever clears the table.
class LanguageTable
{
public:
    static constexpr int kLastNumber = 1024;

    enum class LoadStatus
    {
        Loaded,
        CannotOpen,
        FormatError
    };

    struct LoadResult
    {
        LoadStatus status = LoadStatus::Loaded;
        int errorLine = 0;
        // The complete message for a format error, ready to be shown.
        QString message;
    };

    LoadResult LoadLanguage(const QString& path);
    QString GetString(int number) const;

    // Reads the number piece the way the file format wants it: blanks anywhere are
    // skipped, reading stops at the first character that cannot continue the
    // number, no leading number gives 0, and the value is rounded half to even.
    static double parseNumberPiece(const QString& piece);

private:
    void storeLine(const QString& line);

    std::array<QString, kLastNumber + 1> texts_;
};

// Decodes a language file: UTF-8 when the bytes are valid UTF-8, else Latin-1.
QString decodeLanguageBytes(const QByteArray& bytes);

// The name a language file gives its language (its text 130), or the file's
// name when it gives none.
QString languageOwnName(const QString& languageFolder, const QString& fileName);

// Loads the chosen language from the language folder. A file that cannot be
// opened falls back to "english.lng"; when that fails too, the texts already
// loaded stay and `warning` says so. A malformed file is fatal for the program.
struct InterfaceLanguageResult
{
    QString loadedPath;
    QString warning;
    QString fatalMessage;
};
InterfaceLanguageResult LoadInterfaceLanguage(LanguageTable& table, const QString& languageFolder,
                                              const QString& languageFile);
