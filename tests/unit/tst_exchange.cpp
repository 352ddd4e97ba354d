// Where the line stands as exchanges end early, against a fake line: no phone,
// no pseudo-terminal. Each row walks a sequence of steps and names the stand
// after each.

#include "phone/Exchange.h"
#include "phone/Line.h"
#include "phone/PhoneReport.h"
#include "settings/LanguageTable.h"
#include "support/RecordingObserver.h"

#include <QtTest>

#include <utility>

namespace {

// A line whose phone speaks only when the test says so.
class FakeLine : public Line
{
public:
    bool open(const QString&) override
    {
        open_ = true;
        return true;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    PortOpenFailure openFailure(const QString&) const override { return PortOpenFailure::Other; }
    QString errorString() const override { return {}; }
    void discard() override { waiting_.clear(); }
    qint64 bytesToWrite() const override { return 0; }
    qint64 baudRate() const override { return 115200; }

    void deliver(const QByteArray& bytes)
    {
        waiting_ += bytes;
        emit readable();
    }
    void drop()
    {
        open_ = false;
        emit lost(true);
    }
    QByteArray sent;

protected:
    QByteArray takeArrived() override { return std::exchange(waiting_, {}); }
    void send(const QByteArray& bytes) override
    {
        sent += bytes;
        emit written();
    }

private:
    QByteArray waiting_;
    bool open_ = false;
};

enum class Step
{
    Send,            // a command goes out (the line brought in step first)
    Answer,          // the phone answers OK and the exchange ends
    EndEarly,        // the exchange ends before its answer
    TimeOut,         // the answer does not come within the bound; the exchange ends
    AbandonDownload, // a download stopped with 100 bytes still to come
    DeliverRest,     // the phone sends those 100 bytes
    OpenSlice,       // the phone waits for an 8-byte slice
    LateAnswer,      // an answer comes after its exchange ended
    LoseLine
};

using Kind = LineStand::Kind;

} // namespace

Q_DECLARE_METATYPE(QList<Step>)
Q_DECLARE_METATYPE(QList<LineStand::Kind>)

class TestExchange : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void transitions_data();
    void transitions();
    void killedSliceIsFilledBeforeTheCommand();

private:
    void take(Step step);

    LanguageTable texts_;
    RecordingObserver observer_;
    PhoneReport report_{texts_, observer_};
    FakeLine line_;
    Exchange exchange_{line_, report_};
    WaitEnd lastSend_ = WaitEnd::Satisfied;
};

void TestExchange::init()
{
    LinkTiming timing;
    timing.TimeOutTime = 100;
    timing.DelayTime = 10;
    timing.LineSettle = 30;
    timing.AnswerSilence = 30;
    exchange_.setTiming(timing);
    line_.open(QString());
    exchange_.resume(LineStand{}, 0);
    exchange_.newCommand();
}

void TestExchange::transitions_data()
{
    QTest::addColumn<QList<Step>>("steps");
    QTest::addColumn<QList<Kind>>("stands");

    QTest::newRow("clean exchange") << QList{Step::Send, Step::Answer}
                                    << QList{Kind::AnswerDue, Kind::InStep};
    QTest::newRow("early end, settle, in step")
        << QList{Step::Send, Step::EndEarly, Step::Send, Step::Answer}
        << QList{Kind::AnswerDue, Kind::Settling, Kind::AnswerDue, Kind::InStep};
    QTest::newRow("abandoned download, draining, in step")
        << QList{Step::Send, Step::AbandonDownload, Step::DeliverRest, Step::Send, Step::Answer}
        << QList{Kind::AnswerDue, Kind::Draining, Kind::InStep, Kind::AnswerDue, Kind::InStep};
    QTest::newRow("abandoned download, drained by silence")
        << QList{Step::Send, Step::AbandonDownload, Step::Send, Step::Answer}
        << QList{Kind::AnswerDue, Kind::Draining, Kind::AnswerDue, Kind::InStep};
    QTest::newRow("killed slice, fill, in step")
        << QList{Step::Send, Step::OpenSlice, Step::EndEarly, Step::Send, Step::Answer}
        << QList{Kind::AnswerDue, Kind::AnswerDue, Kind::SliceOpen, Kind::AnswerDue, Kind::InStep};
    QTest::newRow("lost") << QList{Step::Send, Step::LoseLine, Step::EndEarly}
                          << QList{Kind::AnswerDue, Kind::Lost, Kind::Lost};
    QTest::newRow("time-out, then silence: phone silent")
        << QList{Step::Send, Step::TimeOut, Step::Send}
        << QList{Kind::AnswerDue, Kind::Settling, Kind::PhoneSilent};
    QTest::newRow("time-out, then a late answer: in step")
        << QList{Step::Send, Step::TimeOut, Step::LateAnswer, Step::Send, Step::Answer}
        << QList{Kind::AnswerDue, Kind::Settling, Kind::Settling, Kind::AnswerDue, Kind::InStep};
}

void TestExchange::take(Step step)
{
    switch (step) {
    case Step::Send:
        QVERIFY(exchange_.begin());
        lastSend_ = exchange_.send(QStringLiteral("AT"));
        // A command that did not go out leaves no exchange running.
        if (lastSend_ != WaitEnd::Satisfied)
            exchange_.end();
        break;
    case Step::Answer:
        line_.deliver("\r\nOK\r\n");
        QCOMPARE(exchange_.waitUntil([this] { return exchange_.answer().contains("OK"); }),
                 WaitEnd::Satisfied);
        exchange_.answerEnded();
        exchange_.end();
        break;
    case Step::EndEarly:
        if (exchange_.isRunning())
            exchange_.end();
        break;
    case Step::TimeOut:
        QCOMPARE(exchange_.waitUntil([] { return false; }), WaitEnd::TimedOut);
        exchange_.end();
        break;
    case Step::AbandonDownload:
        line_.deliver("\r\n+QFRF: 120\r\n0123456789");
        exchange_.abandonAnswer(100);
        exchange_.end();
        break;
    case Step::DeliverRest:
        line_.deliver(QByteArray(100, 'x'));
        break;
    case Step::OpenSlice:
        exchange_.sliceOpened(8);
        break;
    case Step::LateAnswer:
        line_.deliver("\r\nOK\r\n");
        break;
    case Step::LoseLine:
        line_.drop();
        break;
    }
}

void TestExchange::transitions()
{
    QFETCH(QList<Step>, steps);
    QFETCH(QList<Kind>, stands);
    for (qsizetype i = 0; i < steps.size(); ++i) {
        take(steps.at(i));
        QCOMPARE(exchange_.stand().kind, stands.at(i));
    }
    // A phone found silent is not asked again until the next command.
    if (exchange_.phoneSilent())
        QCOMPARE(lastSend_, WaitEnd::TimedOut);
    if (exchange_.stand().kind == Kind::Lost)
        QVERIFY(!exchange_.begin());
}

void TestExchange::killedSliceIsFilledBeforeTheCommand()
{
    LineStand killed;
    killed.kind = Kind::SliceOpen;
    killed.slice = 8;
    exchange_.resume(killed, 0);
    line_.sent.clear();
    take(Step::Send);
    QCOMPARE(line_.sent, QByteArray(10, '\0') + "\r\nAT\r\n");
    take(Step::Answer);
    QCOMPARE(exchange_.stand().kind, Kind::InStep);
}

QTEST_MAIN(TestExchange)
#include "tst_exchange.moc"
