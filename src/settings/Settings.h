#pragma once

#include <QString>

// The values the program runs with; loaded from the store, always usable.
struct Settings
{
    int SliceSize = 10240;
    int DelayTime = 1500;
    int TimeOutTime = 10000;
    int COMPort = 4;
    QString DisplayCharge = QStringLiteral("False");
    QString LanguageFile = QStringLiteral("english.lng");

    // Readers other than the start-up compare the text exactly.
    bool chargeDisplayOn() const { return DisplayCharge == QLatin1String("True"); }
    // The start-up converts the text as a Boolean, which accepts any letter case.
    bool chargeDisplayAsBoolean() const;
};
