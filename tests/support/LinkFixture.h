#pragma once

#include "RecordingObserver.h"
#include "SimulatedPhone.h"
#include "phone/PhoneLink.h"
#include "settings/LanguageTable.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>

#include <memory>

// A phone link with numbered texts, connected to a fresh simulated phone.
struct LinkFixture
{
    explicit LinkFixture(const QStringList& simulatorArguments = {}, int timeOut = 2000)
        : phone(simulatorArguments)
    {
        fillWithNumberedTexts(texts);
        link = std::make_unique<PhoneLink>(texts, observer);
        PhoneLink::Timing timing;
        timing.TimeOutTime = timeOut;
        timing.DelayTime = 50;
        link->setTiming(timing);
        link->setTempFolder(temp.path() + QLatin1Char('/'));
        link->journal().setFilePath(journalFile());
    }

    // As after a run that left the line in step.
    bool connect() { return phone.start() && open(); }
    bool open()
    {
        link->journal().setLineMark(phone.device(), {0, 0, QDateTime::currentMSecsSinceEpoch(), 0});
        return link->OpenPort(QStringLiteral("COM9"), phone.device());
    }

    QString journalFile() const { return temp.filePath(QStringLiteral("journal/repair-journal.json")); }

    // Files left in the working folder after an operation.
    QStringList leftovers() const { return QDir(temp.path()).entryList(QDir::Files | QDir::Hidden); }

    LanguageTable texts;
    RecordingObserver observer;
    SimulatedPhone phone;
    QTemporaryDir temp;
    std::unique_ptr<PhoneLink> link;
};
