#include "CommandGate.h"

#include "StatusPanels.h"
#include "phone/PhoneLink.h"
#include "settings/LanguageTable.h"

#include <QApplication>

namespace {
constexpr int kNoLine = 82;
} // namespace

CommandGate::CommandGate(PhoneLink& link, const LanguageTable& texts, StatusPanels& status)
    : link_(link), texts_(texts), status_(status)
{}

bool CommandGate::refuseWhileBusy() const
{
    if (depth_ == 0 && !link_.isExchangeRunning() && !closing_)
        return false;
    QApplication::beep();
    return true;
}

bool CommandGate::refuseWithoutLine()
{
    if (link_.isOpen())
        return false;
    // The reason and the way back stay in view beside the refusal.
    status_.setText(1, texts_.GetString(kNoLine) + QLatin1Char(' ') + lineFailure_);
    QApplication::beep();
    return true;
}

CommandGate::Scope::Scope(CommandGate& gate) : gate_(gate)
{
    ++gate_.depth_;
    gate_.link_.beginBusy();
}

CommandGate::Scope::~Scope()
{
    gate_.link_.endBusy();
    --gate_.depth_;
}
