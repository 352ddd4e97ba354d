#pragma once

#include "RecordingObserver.h"
#include "SimulatedPhone.h"
#include "phone/PhoneLink.h"
#include "settings/LanguageTable.h"

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
    }

    bool connect() { return phone.start() && link->OpenPort(QStringLiteral("COM9"), phone.device()); }

    // Files left in the working folder after an operation.
    QStringList leftovers() const { return QDir(temp.path()).entryList(QDir::Files | QDir::Hidden); }

    LanguageTable texts;
    RecordingObserver observer;
    SimulatedPhone phone;
    QTemporaryDir temp;
    std::unique_ptr<PhoneLink> link;
};
