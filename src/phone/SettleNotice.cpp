#include "SettleNotice.h"

#include "PhoneReport.h"

SettleNotice::SettleNotice(PhoneReport& report, QObject* parent) : QObject(parent), report_(report)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] {
        shown_ = true;
        report_.setStatus(1, text_());
    });
}

void SettleNotice::start(std::function<QString()> text)
{
    before_ = report_.operationText();
    text_ = std::move(text);
    shown_ = false;
    timer_.start(kNoticeMillis);
}

void SettleNotice::end(bool inStep)
{
    timer_.stop();
    if (shown_ && inStep)
        report_.setStatus(1, before_);
}
