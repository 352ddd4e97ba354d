#include "ReplaceQuestion.h"

#include "phone/PhoneTypes.h"
#include "settings/LanguageTable.h"
#include "settings/SizeText.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace {

constexpr int kCancel = 12;
constexpr int kExistsAlready = 145;
constexpr int kOverwrite = 146;
constexpr int kSkip = 147;
constexpr int kOverwriteAll = 148;
constexpr int kKeptBeforeReplacing = 463;
constexpr int kOnThePhone = 465;
constexpr int kInTheFolder = 466;
constexpr int kFileThere = 467;
constexpr int kNewFile = 468;
constexpr int kReplaceIt = 469;

} // namespace

ReplaceQuestion uploadQuestion(const UploadItem& item, std::optional<qint64> phoneSize)
{
    ReplaceQuestion question;
    question.name = item.FileName;
    question.onPhone = true;
    question.folder = item.PhoneFolder + QLatin1Char('/');
    question.thereSize = phoneSize.value_or(-1);
    const QFileInfo source(item.LocalPath);
    question.newSize = source.size();
    question.newDate = source.lastModified();
    return question;
}

ReplaceQuestion downloadQuestion(const QString& name, const QString& localFolder, qint64 phoneSize)
{
    ReplaceQuestion question;
    question.name = name;
    question.folder = QDir::toNativeSeparators(localFolder);
    const QFileInfo there(QDir(localFolder).filePath(name));
    question.thereSize = there.size();
    question.thereDate = there.lastModified();
    question.newSize = phoneSize;
    return question;
}

QString replaceQuestionText(const ReplaceQuestion& question, const LanguageTable& texts)
{
    const SizeUnits units = sizeUnitsOf(texts);
    auto describe = [&](int label, qint64 size, const QDateTime& date) {
        QStringList facts;
        if (size >= 0)
            facts << sizeInUnits(size, units);
        if (date.isValid())
            facts << units.locale.toString(date, QLocale::ShortFormat);
        return facts.isEmpty() ? QString()
                               : texts.GetString(label) + QLatin1Char(' ') + facts.join(QStringLiteral(", "));
    };
    // Where the file lies is not always known (deep in a folder copy): the plain question then.
    if (question.folder.isEmpty())
        return question.name + QLatin1Char(' ') + texts.GetString(kExistsAlready);
    QStringList lines{question.name + QLatin1Char(' ') +
                      texts.GetString(question.onPhone ? kOnThePhone : kInTheFolder) + QLatin1Char(' ') +
                      question.folder + QLatin1Char('.')};
    const QStringList files{describe(kFileThere, question.thereSize, question.thereDate),
                            describe(kNewFile, question.newSize, question.newDate)};
    if (!files.join(QString()).isEmpty())
        lines << QString() << files;
    if (question.onPhone)
        lines << QString() << texts.GetString(kKeptBeforeReplacing);
    lines << QString() << texts.GetString(kReplaceIt);
    return lines.join(QLatin1Char('\n'));
}

Overwrite askOverwrite(const ReplaceQuestion& question, const LanguageTable& texts, QWidget* parent)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Vantrel"), replaceQuestionText(question, texts),
                    QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("msgOverwrite"));
    const std::pair<const char*, int> buttons[] = {{"cmdOverwrite", kOverwrite},
                                                   {"cmdSkip", kSkip},
                                                   {"cmdOverwriteAll", kOverwriteAll},
                                                   {"cmdCancel", kCancel}};
    QList<QPushButton*> added;
    for (const auto& [name, text] : buttons) {
        const QMessageBox::ButtonRole role =
            text == kCancel ? QMessageBox::RejectRole
                            : (text == kSkip ? QMessageBox::NoRole : QMessageBox::AcceptRole);
        QPushButton* button = box.addButton(texts.GetString(text), role);
        button->setObjectName(QLatin1String(name));
        added << button;
    }
    box.setDefaultButton(added.at(1));
    box.setEscapeButton(added.at(3));
    box.exec();
    const qsizetype chosen = added.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    const Overwrite answers[] = {Overwrite::Yes, Overwrite::Skip, Overwrite::All, Overwrite::Cancel};
    return chosen < 0 ? Overwrite::Cancel : answers[chosen];
}
