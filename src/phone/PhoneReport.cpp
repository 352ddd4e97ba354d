#include "PhoneReport.h"

#include "DisplayName.h"
#include "PhoneObserver.h"
#include "settings/LanguageTable.h"

QString PhoneReport::text(int number) const
{
    return texts_.GetString(number);
}

void PhoneReport::setStatus(int panel, const QString& text)
{
    if (panel == 1)
        panel1_ = text;
    if (panel == 3)
        panel3_ = text;
    observer_.statusText(panel, text);
}

QString PhoneReport::shownName(const QString& name) const
{
    return nameForm_ ? nameForm_(name) : withVisibleControls(name);
}

void PhoneReport::progress(qint64 done, qint64 total)
{
    // The percentage first: an observer showing both reads it with the bytes.
    if (total >= 0) {
        // Whole percent, rounded down: 100 only once every byte is there.
        const qint64 percent = total > 0 ? done * 100 / total : 100;
        const QString shown = QString::number(percent) + QLatin1Char('%');
        if (shown != panel3_ || (done == 0 && total > 0))
            setStatus(3, shown);
    }
    observer_.transferProgress(done, total);
}
