#pragma once

#include "phone/PhoneObserver.h"

#include <QList>
#include <QStringList>

#include <functional>

// Keeps everything the link reports, for the tests to look at.
class RecordingObserver : public PhoneObserver
{
public:
    void statusText(int panel, const QString& text) override;
    void busyChanged(bool busy) override { busyChanges << busy; }
    void transferProgress(qint64 done, qint64 total) override
    {
        progress << qMakePair(done, total);
        if (onProgress)
            onProgress(done, total);
    }
    void batteryLevel(int level) override { batteryLevels << level; }
    void message(const QString& text) override { messages << text; }
    void lineLost() override { ++linesLost; }

    QString lastStatus(int panel) const;
    QStringList panel1, panel2, panel3, messages;
    QList<bool> busyChanges;
    QList<int> batteryLevels;
    int linesLost = 0;
    QList<QPair<qint64, qint64>> progress;
    // Called with each progress report: a test acts in the middle of a transfer.
    std::function<void(qint64 done, qint64 total)> onProgress;
};

class LanguageTable;
// A table whose text N reads "TN", so tests can tell which text was shown.
void fillWithNumberedTexts(LanguageTable& table);
