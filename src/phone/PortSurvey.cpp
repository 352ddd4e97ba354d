#include "PortSurvey.h"

#include "IdentityAnswer.h"
#include "LinkTiming.h"
#include "PhoneTexts.h"
#include "RepairJournal.h"
#include "settings/LanguageTable.h"

#include <QDateTime>
#include <QPointer>

#include <array>

namespace {

// AT first: a port where nothing answers it costs one bound, not four.
constexpr std::array<const char*, 4> kCommands = {"AT", "AT+CGMM", "AT+CGMR", "AT+CGSN"};

} // namespace

QString stateKeyword(PortFinding::State state)
{
    switch (state) {
    case PortFinding::State::Phone:
        return QStringLiteral("phone");
    case PortFinding::State::Silent:
        return QStringLiteral("silent");
    case PortFinding::State::Refused:
        return QStringLiteral("refused");
    case PortFinding::State::InUse:
        return QStringLiteral("busy");
    case PortFinding::State::NoPermission:
        return QStringLiteral("denied");
    case PortFinding::State::Missing:
        return QStringLiteral("missing");
    case PortFinding::State::Failed:
        break;
    }
    return QStringLiteral("failed");
}

QString describeFinding(const PortFinding& finding, const LanguageTable& texts)
{
    switch (finding.state) {
    case PortFinding::State::Phone: {
        const PhoneIdentity& phone = finding.identity;
        QStringList words{phone.model.isEmpty() ? texts.GetString(PhoneTexts::SurveyPhone) : phone.model};
        if (!phone.firmware.isEmpty())
            words << texts.GetString(PhoneTexts::SurveyFirmware) + QLatin1Char(' ') + phone.firmware;
        if (!phone.serial.isEmpty())
            words << texts.GetString(PhoneTexts::SurveySerial) + QLatin1Char(' ') + phone.serialTail();
        if (finding.connectedHere)
            words << texts.GetString(PhoneTexts::SurveyConnected);
        return words.join(QStringLiteral(", "));
    }
    case PortFinding::State::Silent:
        return texts.GetString(PhoneTexts::SurveySilent);
    case PortFinding::State::Refused:
        return texts.GetString(PhoneTexts::SurveyRefused);
    case PortFinding::State::InUse:
        return texts.GetString(PhoneTexts::SurveyInUse);
    case PortFinding::State::NoPermission:
        return texts.GetString(PhoneTexts::SurveyNoPermission);
    case PortFinding::State::Missing:
        return texts.GetString(PhoneTexts::SurveyMissing);
    case PortFinding::State::Failed:
        break;
    }
    return finding.error;
}

PortSurvey::PortSurvey(QObject* parent) : QObject(parent)
{
    // One timer for the next port: a survey cancelled and started again never asks a port twice.
    nextPort_.setSingleShot(true);
    nextPort_.setInterval(0);
    connect(&nextPort_, &QTimer::timeout, this, &PortSurvey::askNext);
    bound_.setSingleShot(true);
    settleCap_.setSingleShot(true);
    connect(&line_, &Line::readable, this, &PortSurvey::onReadable);
    connect(&line_, &Line::lost, this, &PortSurvey::onLineLost);
    connect(&bound_, &QTimer::timeout, this, [this] {
        if (step_ == Step::Settling)
            onSettled();
        else
            onBoundPassed();
    });
    connect(&settleCap_, &QTimer::timeout, this, &PortSurvey::onSettled);
}

PortSurvey::~PortSurvey()
{
    // Nobody listens any more, but the journal must still hear of an answer due.
    if (step_ == Step::Asking)
        noteAnswerDue();
    line_.close();
}

void PortSurvey::setConnected(const QString& device, const PhoneIdentity& identity)
{
    connectedDevice_ = device;
    connectedIdentity_ = identity;
}

void PortSurvey::start(const QList<PortCandidate>& candidates)
{
    cancel();
    candidates_ = candidates;
    findings_.clear();
    index_ = 0;
    running_ = true;
    // Reported from the event loop: whoever started us has connected by then.
    nextPort_.start();
}

void PortSurvey::cancel()
{
    if (!running_)
        return;
    nextPort_.stop();
    bound_.stop();
    settleCap_.stop();
    if (step_ == Step::Asking)
        noteAnswerDue();
    line_.close();
    step_ = Step::Idle;
    running_ = false;
    emit finished(true);
}

void PortSurvey::askNext()
{
    if (!running_)
        return;
    if (index_ >= candidates_.size()) {
        running_ = false;
        emit finished(false);
        return;
    }
    const PortCandidate& candidate = candidates_.at(index_);
    current_ = PortFinding{};
    current_.device = candidate.device;
    current_.description = candidate.description;
    QPointer<PortSurvey> alive(this);
    emit progress(int(index_), int(candidates_.size()), candidate.device);
    if (!alive || !running_)
        return;

    if (!connectedDevice_.isEmpty() && isSameDevice(candidate.device, connectedDevice_)) {
        // Opening it again under another name would mix our questions into the link's exchange.
        current_.state = PortFinding::State::Phone;
        current_.identity = connectedIdentity_;
        current_.connectedHere = true;
        finishPort(false);
        return;
    }
    if (!line_.open(candidate.device)) {
        switch (line_.openFailure(candidate.device)) {
        case PortOpenFailure::NoSuchDevice:
            current_.state = PortFinding::State::Missing;
            break;
        case PortOpenFailure::NoPermission:
            current_.state = PortFinding::State::NoPermission;
            break;
        case PortOpenFailure::InUse:
            current_.state = PortFinding::State::InUse;
            break;
        case PortOpenFailure::Other:
            current_.state = PortFinding::State::Failed;
            current_.error = line_.errorString();
            break;
        }
        finishPort(false);
        return;
    }
    current_.identity.device = candidate.device;
    command_ = 0;
    const qint64 quiet = owedQuiet(candidate.device);
    if (quiet > 0)
        settle(quiet);
    else
        sendCommand();
}

qint64 PortSurvey::owedQuiet(const QString& device) const
{
    if (!journal_)
        return 0;
    const std::optional<RepairJournal::LineMark> mark = journal_->lineMark(device);
    if (!mark)
        return 0;
    // A run that did not end (killed, or its line lost) may have left an answer coming.
    if (mark->pid != 0)
        return qMax<qint64>(LinkTiming{}.LineSettle, mark->quietMillis);
    const qint64 since = QDateTime::currentMSecsSinceEpoch() - mark->endedAt;
    return qMax<qint64>(0, mark->quietMillis - qMax<qint64>(0, since));
}

void PortSurvey::settle(qint64 quietMillis)
{
    step_ = Step::Settling;
    line_.discard();
    bound_.start(int(quietMillis));
    settleCap_.start(kLongestSettleMillis);
}

void PortSurvey::onSettled()
{
    if (step_ != Step::Settling)
        return;
    bound_.stop();
    settleCap_.stop();
    sendCommand();
}

void PortSurvey::sendCommand()
{
    step_ = Step::Asking;
    // A stray byte from before (a RING, an earlier run's late OK) would end the answer early.
    line_.discard();
    answer_.clear();
    line_.write(QByteArray(kCommands.at(command_)) + "\r\n");
    bound_.start(answerBound_);
}

void PortSurvey::onReadable()
{
    const QByteArray chunk = line_.read();
    if (step_ == Step::Settling) {
        // What comes now belongs to an earlier run: the quiet starts again.
        bound_.start();
        return;
    }
    if (step_ != Step::Asking)
        return;
    answer_ += chunk;
    if (finalResultArrived(answer_))
        onAnswerComplete();
}

void PortSurvey::onAnswerComplete()
{
    bound_.stop();
    const QByteArray command(kCommands.at(command_));
    const bool refused = answeredError(answer_);
    if (command_ == 0) {
        if (refused) {
            current_.state = PortFinding::State::Refused;
            finishPort(false);
            return;
        }
        current_.state = PortFinding::State::Phone;
        current_.identity.answered = true;
    } else {
        // Some phones refuse to tell: the text stays empty and the phone is still a phone.
        const QString text = refused ? QString() : informationLine(answer_, command);
        if (command == "AT+CGMM")
            current_.identity.model = text;
        else if (command == "AT+CGMR")
            current_.identity.firmware = text;
        else
            current_.identity.serial = text;
    }
    if (++command_ < qsizetype(kCommands.size())) {
        sendCommand();
        return;
    }
    finishPort(false);
}

void PortSurvey::onBoundPassed()
{
    if (step_ != Step::Asking)
        return;
    // A phone that stopped answering half-way is still the phone that answered AT.
    if (command_ == 0)
        current_.state = PortFinding::State::Silent;
    finishPort(true);
}

void PortSurvey::onLineLost()
{
    if (step_ == Step::Idle)
        return;
    bound_.stop();
    settleCap_.stop();
    if (current_.state != PortFinding::State::Phone) {
        current_.state = PortFinding::State::Failed;
        current_.error = line_.errorString();
    }
    finishPort(false);
}

void PortSurvey::noteAnswerDue()
{
    if (!journal_)
        return;
    // The answer may still come after we let go: the link's next open lets it
    // pass, as it does after its own time-outs (twice the bound of quiet).
    RepairJournal::LineMark mark;
    mark.quietMillis = qMax<qint64>(2 * answerBound_, owedQuiet(current_.device));
    mark.endedAt = QDateTime::currentMSecsSinceEpoch();
    journal_->setLineMark(current_.device, mark);
}

void PortSurvey::finishPort(bool answerDue)
{
    bound_.stop();
    settleCap_.stop();
    if (answerDue)
        noteAnswerDue();
    line_.close();
    step_ = Step::Idle;
    findings_.append(current_);
    const PortFinding done = current_;
    ++index_;
    QPointer<PortSurvey> alive(this);
    emit portSurveyed(done);
    if (alive && running_ && done.answered())
        emit portAnswered(done);
    if (alive && running_)
        nextPort_.start();
}
