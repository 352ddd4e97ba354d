#include "Console.h"

#include "phone/PhoneTexts.h"
#include "settings/LanguageTable.h"
#include "settings/SizeText.h"

#include <QTextStream>

#include <cstdio>
#include <unistd.h>

namespace {

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

qsizetype progressWidth = 0;
int ownWordsDepth = 0;
QString firstSaid;

void clearProgress()
{
    if (progressWidth > 0)
        err() << '\r' << QString(progressWidth, QLatin1Char(' ')) << '\r';
    progressWidth = 0;
}

void say(const QString& text)
{
    clearProgress();
    err() << text << Qt::endl;
}

QString prefixed(const QString& subject, const QString& text)
{
    return QStringLiteral("vantrel-cli: ") +
           (subject.isEmpty() ? QString() : subject + QStringLiteral(": ")) + text;
}

// A step under way ("Sending a.txt...") says nothing a line of its own should.
bool isStepUnderWay(const QString& text)
{
    return text.endsWith(QLatin1String("..."));
}

} // namespace

namespace Console {

Modes& modes()
{
    static Modes chosen;
    return chosen;
}

void error(const QString& subject, const QString& text)
{
    say(prefixed(subject, text));
}

void summary(const QString& text)
{
    say(prefixed(QString(), text));
}

void note(const QString& subject, const QString& text)
{
    if (!modes().quiet)
        say(prefixed(subject, text));
}

void remark(const QString& text)
{
    if (!modes().quiet)
        say(text);
}

void linkLine(const QString& text)
{
    say(text);
}

void transient(const QString& text)
{
    if (modes().quiet || !isatty(fileno(stderr)))
        return;
    clearProgress();
    err() << text << Qt::flush;
    progressWidth = text.size();
}

void endTransient()
{
    clearProgress();
    err() << Qt::flush;
}

OwnWords::OwnWords()
{
    ++ownWordsDepth;
}

OwnWords::~OwnWords()
{
    --ownWordsDepth;
}

void startFile()
{
    firstSaid.clear();
    answerWatch().forget();
}

QString linkSaid()
{
    return firstSaid;
}

} // namespace Console

ConsoleObserver::ConsoleObserver(const LanguageTable& texts)
    : texts_(texts), showProgress_(isatty(fileno(stderr)) != 0)
{}

void ConsoleObserver::statusText(int panel, const QString& text)
{
    if (panel == 3)
        percent_ = text;
    if (panel != 1 || text.isEmpty())
        return;
    // The link puts an earlier text back after a passing notice: each is said once.
    const bool firstTime = !seen_.contains(text);
    seen_.insert(text);
    if (ownWordsDepth > 0) {
        if (firstSaid.isEmpty() && !isStepUnderWay(text))
            firstSaid = text;
        // Waiting for the phone is an event of its own, whatever the command.
        const bool waiting = text.startsWith(texts_.GetString(PhoneTexts::WaitingForEarlierAnswer)) ||
                             text.startsWith(texts_.GetString(PhoneTexts::PhoneKeepsSending));
        if (!waiting || Console::modes().quiet)
            return;
    }
    // Which port was opened is news, not an error.
    const bool opened = text.endsWith(texts_.GetString(PhoneTexts::OpenedAfter) + QLatin1Char('.'));
    if (firstTime && !isStepUnderWay(text) && !(opened && Console::modes().quiet))
        say(text);
}

void ConsoleObserver::message(const QString& text)
{
    say(text);
}

void ConsoleObserver::transferProgress(qint64 done, qint64 total)
{
    if (!showProgress_ || Console::modes().quiet)
        return;
    // A new file: nothing moved of a size not yet known says nothing.
    if (done == 0 && total < 0) {
        started_.invalidate();
        return;
    }
    if (!started_.isValid() || done == 0 || done < meter_.done()) {
        meter_.start(total);
        started_.start();
    }
    meter_.update(done, total);
    // A few times a second is all a reader can follow.
    if (shown_.isValid() && shown_.elapsed() < 250 && done != total)
        return;
    shown_.start();
    const QString line = progressLine();
    clearProgress();
    err() << line << Qt::flush;
    progressWidth = line.size();
}

QString ConsoleObserver::progressLine() const
{
    // Speed and time left from the first bytes would be guesses.
    constexpr qint64 kMeaningfulMillis = 1000;
    if (started_.isValid() && started_.elapsed() >= kMeaningfulMillis)
        return percent_ + QLatin1Char(' ') + progressText(meter_, texts_, 0, 0);
    const SizeUnits units = sizeUnitsOf(texts_);
    QString line = percent_ + QLatin1Char(' ') + sizeInUnits(meter_.done(), units);
    if (meter_.total() >= 0)
        line += QLatin1Char(' ') + texts_.GetString(PhoneTexts::Of) + QLatin1Char(' ') +
                sizeInUnits(meter_.total(), units);
    return line;
}

void AnswerWatch::sent(const QByteArray& bytes)
{
    // A slice's data belongs to the command before it.
    if (bytes.startsWith("AT")) {
        command_ = bytes.trimmed();
        answer_.clear();
        sent_ << command_;
    }
    if (next_)
        next_->sent(bytes);
}

void AnswerWatch::received(const QByteArray& bytes)
{
    // A refusal comes first or right after a slice: the start of an answer is enough.
    constexpr qsizetype kLookedAt = 256;
    if (answer_.size() < kLookedAt) {
        answer_ += bytes.left(kLookedAt - answer_.size());
        judgeAnswer();
    }
    if (next_)
        next_->received(bytes);
}

void AnswerWatch::judgeAnswer()
{
    for (const QByteArray& line : answer_.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if ((trimmed == "ERROR" || trimmed.startsWith("+CME ERROR")) && !refused_.contains(command_))
            refused_ << command_;
    }
}

bool AnswerWatch::wasSent(const QByteArray& command) const
{
    for (const QByteArray& one : sent_) {
        if (one.startsWith(command))
            return true;
    }
    return false;
}

bool AnswerWatch::wasRefused(const QByteArray& command) const
{
    for (const QByteArray& one : refused_) {
        if (one.startsWith(command))
            return true;
    }
    return false;
}

void AnswerWatch::forget()
{
    sent_.clear();
    refused_.clear();
}

AnswerWatch& answerWatch()
{
    static AnswerWatch watch;
    return watch;
}
