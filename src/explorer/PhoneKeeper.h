#pragma once

#include "phone/PhoneIdentity.h"
#include "platform/PortWatcher.h"

#include <QObject>
#include <QString>

class LanguageTable;
class PhoneLink;
class StatusPanels;

// Gets the phone back by itself: after a lost line (or a port that did not
// open) it watches the device, a light look once a second, and when the
// device is there again it asks for the line to be opened. It remembers which
// phone it lost and which folder the list showed, so that the same phone comes
// back where the user was and another phone is shown from its root.
class PhoneKeeper : public QObject
{
    Q_OBJECT
public:
    PhoneKeeper(PhoneLink& link, const LanguageTable& texts, StatusPanels& status, QObject* parent = nullptr);

    // The line is open and the phone said who it is.
    void connected();
    // The line went away with the list showing `listedFolder`.
    void lineLost(const QString& device, const QString& listedFolder);
    // The port did not open: the phone may not be plugged in yet.
    void openFailed(const QString& device);
    // What the line, open again, found: watching ends.
    struct Back
    {
        bool hadPhone = false;  // a phone was lost (not a port that never opened)
        bool samePhone = false; // and it is the one that came back
        QString folder;         // where the list was, for the same phone
    };
    Back reconnected();
    // File > Reconnect, or F5 without a line: a look at once.
    void ReconnectCommand();
    void stop() { watcher_.stop(); }

signals:
    void reconnectWanted();

private:
    void watch(const QString& device);

    PhoneLink& link_;
    const LanguageTable& texts_;
    StatusPanels& status_;
    PortWatcher watcher_;
    // The phone last connected: the one a lost line may bring back.
    PhoneIdentity known_;
    QString lostFolder_;
};
