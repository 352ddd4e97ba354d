#pragma once

#include "PhoneLink.h"

// Marks one exchange: refuses a second one while it runs, keeps the window's
// controls disabled and leaves the timers stopped at its end.
class PhoneLink::ExchangeScope
{
public:
    explicit ExchangeScope(PhoneLink& link) : link_(link)
    {
        if (link_.exchangeRunning_ || !link_.line_.isOpen() || link_.abandoned_)
            return;
        admitted_ = true;
        link_.exchangeRunning_ = true;
        link_.cancelled_ = false;
        link_.beginBusy();
    }
    ~ExchangeScope()
    {
        if (!admitted_)
            return;
        link_.noteUnfinishedAnswer();
        link_.tmrTimeout_.stop();
        link_.graceTimer_.stop();
        link_.tmrProcessing_.stop();
        link_.binarySink_ = nullptr;
        link_.line_.stopBatching();
        link_.exchangeRunning_ = false;
        link_.endBusy();
    }
    ExchangeScope(const ExchangeScope&) = delete;
    ExchangeScope& operator=(const ExchangeScope&) = delete;

    bool admitted() const { return admitted_; }

private:
    PhoneLink& link_;
    bool admitted_ = false;
};
