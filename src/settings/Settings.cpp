#include "Settings.h"

bool Settings::chargeDisplayAsBoolean() const
{
    return DisplayCharge.trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}
