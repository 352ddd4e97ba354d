#pragma once

#include <QString>

class LanguageTable;
class PhoneLink;
class StatusPanels;

// What every command of the window passes before it starts: one command at a
// time, none while the window closes, and none that needs the phone without a line.
class CommandGate
{
public:
    CommandGate(PhoneLink& link, const LanguageTable& texts, StatusPanels& status);

    // Beeps and says true while a command or an exchange runs, or the window closes.
    bool refuseWhileBusy() const;
    // Without a line: says why and the way back, beeps and says true.
    bool refuseWithoutLine();
    bool isCommandRunning() const { return depth_ > 0; }
    bool isClosing() const { return closing_; }
    void setClosing() { closing_ = true; }
    // Why there is no line to the phone, as the status said it.
    void noteLineFailure(const QString& reason) { lineFailure_ = reason; }

    // The controls stay disabled from a command's start to its end.
    class Scope
    {
    public:
        explicit Scope(CommandGate& gate);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        CommandGate& gate_;
    };

private:
    PhoneLink& link_;
    const LanguageTable& texts_;
    StatusPanels& status_;
    QString lineFailure_;
    int depth_ = 0;
    bool closing_ = false;
};
