#pragma once

#include "phone/LineTrace.h"
#include "phone/PhoneObserver.h"
#include "phone/TransferMeter.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QSet>
#include <QString>
#include <QStringList>

class LanguageTable;

// Numbers of the client's own texts in the language files.
namespace CliTexts {
enum : int
{
    NoSuchFile = 600,
    Refused = 601,
    NoAnswer = 602,
    LineLost = 603,
    WrongAnswer = 604,
    CannotWrite = 605,
    Stopped = 606,
    CopiedTo = 607,
    Sent = 608,
    Deleted = 609,
    FilesDone = 610,
    Of = 611,
    FilesFailed = 612,
    PartialStays = 613,
    NoPhoneAnswers = 614,
    SeveralPhonesAnswer = 615,
    UsingPhone = 616,
};
}

// What the client tells its user on stderr: one line per event, in the form
// the GNU tools use ("vantrel-cli: FILE: what happened").
namespace Console {

struct Modes
{
    bool quiet = false; // errors and summaries only
    bool json = false;  // listings as one JSON document
};
Modes& modes();

// Said even with --quiet.
void error(const QString& subject, const QString& text);
void summary(const QString& text);
// Not said with --quiet.
void note(const QString& subject, const QString& text);
void remark(const QString& text);
// A line as the phone link words it (a repair, a port that cannot be opened).
void linkLine(const QString& text);
// A step under way on a terminal, replaced by whatever is said next; not said with --quiet.
void transient(const QString& text);
void endTransient();

// While a command words each outcome itself, the link's own status texts are
// only noted: the first one that is not a step under way is the fallback cause.
class OwnWords
{
public:
    OwnWords();
    ~OwnWords();
    OwnWords(const OwnWords&) = delete;
    OwnWords& operator=(const OwnWords&) = delete;
};
// Forgets what the link said so far, before the next file.
void startFile();
QString linkSaid();

} // namespace Console

// Status texts and progress for a terminal or a pipe.
class ConsoleObserver : public PhoneObserver
{
public:
    explicit ConsoleObserver(const LanguageTable& texts);
    void statusText(int panel, const QString& text) override;
    void transferProgress(qint64 done, qint64 total) override;
    void message(const QString& text) override;
    // A line log on stderr would be torn by a progress line rewritten in place.
    void hideProgress() { showProgress_ = false; }

private:
    QString progressLine() const;

    const LanguageTable& texts_;
    TransferMeter meter_;
    QElapsedTimer started_, shown_;
    QString percent_;
    QSet<QString> seen_;
    bool showProgress_;
};

// Which commands the phone refused, read off the line itself: an answer line
// "ERROR" (or "+CME ERROR: n"). Passes every byte on to the line log, if any.
class AnswerWatch : public LineTrace
{
public:
    void setNext(LineTrace* next) { next_ = next; }
    void sent(const QByteArray& bytes) override;
    void received(const QByteArray& bytes) override;
    // Since the last forget(): whether a command starting with `command` went out, was refused.
    bool wasSent(const QByteArray& command) const;
    bool wasRefused(const QByteArray& command) const;
    void forget();

private:
    void judgeAnswer();

    LineTrace* next_ = nullptr;
    QByteArray command_, answer_;
    QList<QByteArray> sent_, refused_;
};
AnswerWatch& answerWatch();
