#include "TransferMeter.h"

#include "PhoneTexts.h"
#include "settings/LanguageTable.h"
#include "settings/SizeText.h"

#include <cmath>

QString durationText(qint64 seconds)
{
    const qint64 hours = seconds / 3600;
    const qint64 minutes = seconds / 60 % 60;
    const QString tail = QStringLiteral("%1").arg(seconds % 60, 2, 10, QLatin1Char('0'));
    if (hours > 0)
        return QStringLiteral("%1:%2:").arg(hours).arg(minutes, 2, 10, QLatin1Char('0')) + tail;
    return QString::number(minutes) + QLatin1Char(':') + tail;
}

void TransferMeter::start(qint64 total)
{
    clock_.start();
    done_ = 0;
    total_ = total;
}

void TransferMeter::update(qint64 done, qint64 total)
{
    if (!clock_.isValid() || done < done_)
        start(total);
    done_ = done;
    total_ = total;
}

double TransferMeter::bytesPerSecond() const
{
    const qint64 elapsed = clock_.isValid() ? clock_.elapsed() : 0;
    // The first half second says more about the phone's start than its speed.
    if (elapsed < 500 || done_ <= 0)
        return 0;
    return done_ * 1000.0 / elapsed;
}

qint64 TransferMeter::secondsLeft() const
{
    const double rate = bytesPerSecond();
    if (total_ < 0 || rate <= 0)
        return -1;
    return static_cast<qint64>(std::ceil((total_ - done_) / rate));
}

QLocale interfaceLocale(const LanguageTable& texts)
{
    const QString name = texts.GetString(PhoneTexts::LocaleName);
    return name.isEmpty() ? QLocale() : QLocale(name);
}

QString progressText(const TransferMeter& meter, const LanguageTable& texts, int fileNumber, int fileCount)
{
    const SizeUnits units = sizeUnitsOf(texts);
    const QLocale& locale = units.locale;
    const QString of = QLatin1Char(' ') + texts.GetString(PhoneTexts::Of) + QLatin1Char(' ');
    QString shown;
    if (fileCount > 1)
        shown = texts.GetString(PhoneTexts::File) + QLatin1Char(' ') + locale.toString(fileNumber) + of +
                locale.toString(fileCount) + QStringLiteral(": ");
    shown += sizeInUnits(meter.done(), units);
    if (meter.total() >= 0)
        shown += of + sizeInUnits(meter.total(), units);
    const double rate = meter.bytesPerSecond();
    if (rate > 0)
        shown += QStringLiteral(", ") + speedInUnits(static_cast<qint64>(rate), units);
    const qint64 left = meter.secondsLeft();
    if (left >= 0 && meter.done() < meter.total())
        shown +=
            QStringLiteral(", ") + durationText(left) + QLatin1Char(' ') + texts.GetString(PhoneTexts::Left);
    return shown;
}
