#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

class LanguageTable;
class QWidget;
struct UploadItem;

// The file a transfer would replace and the one that would take its place.
struct ReplaceQuestion
{
    QString name;
    bool onPhone = false;
    QString folder;        // where the file there lies, as the user reads it
    qint64 thereSize = -1; // -1: not known
    QDateTime thereDate;
    qint64 newSize = -1;
    QDateTime newDate;
};

// What the user wants done with a file the destination holds already.
enum class Overwrite
{
    Yes,
    Skip,
    All,
    Cancel
};

// The phone's file of the upload's name, as the list shows it.
ReplaceQuestion uploadQuestion(const UploadItem& item, std::optional<qint64> phoneSize);
ReplaceQuestion downloadQuestion(const QString& name, const QString& localFolder, qint64 phoneSize);
QString replaceQuestionText(const ReplaceQuestion& question, const LanguageTable& texts);
Overwrite askOverwrite(const ReplaceQuestion& question, const LanguageTable& texts, QWidget* parent);
