#pragma once

#include "phone/PhoneObserver.h"

#include <QList>
#include <QStringList>

// Keeps everything the link reports, for the tests to look at.
class RecordingObserver : public PhoneObserver
{
public:
    void statusText(int panel, const QString& text) override;
    void busyChanged(bool busy) override { busyChanges << busy; }
    void progressRange(int maximum) override { progressMaximum = maximum; }
    void progressValue(int value) override { progressValues << value; }
    void batteryLevel(int level) override { batteryLevels << level; }
    void message(const QString& text) override { messages << text; }

    QString lastStatus(int panel) const;
    QStringList panel1, panel2, panel3, messages;
    QList<bool> busyChanges;
    QList<int> progressValues, batteryLevels;
    int progressMaximum = -1;
};

class LanguageTable;
// A table whose text N reads "TN", so tests can tell which text was shown.
void fillWithNumberedTexts(LanguageTable& table);
