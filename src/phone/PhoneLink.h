#pragma once

#include "Exchange.h"
#include "LineMarks.h"
#include "LinkTiming.h"
#include "PhoneIdentity.h"
#include "PhoneReport.h"
#include "PhoneTypes.h"
#include "RepairJournal.h"
#include "SerialLine.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>

#include <functional>
#include <optional>

class LanguageTable;
class LineTrace;
class PhoneObserver;

// The one object the window and the client hold for the phone. Each phone
// operation writes its command and waits for the answer in a nested event
// loop, so the window stays alive; only one exchange runs at a time and a
// second one asked for meanwhile is refused. The serial port lives in the
// line, the rules of one exchange in the exchange.
class PhoneLink : public QObject
{
    Q_OBJECT
public:
    using Timing = LinkTiming;

    PhoneLink(const LanguageTable& texts, PhoneObserver& observer, QObject* parent = nullptr);
    ~PhoneLink() override;

    void setTiming(const Timing& timing);
    const Timing& timing() const { return exchange_.timing(); }
    void setTempFolder(const QString& folder) { TempFolder = folder; }
    QString tempFolder() const { return TempFolder; }
    // Where repairs that must outlive the run are recorded, and how the line
    // was left: the one journal of the process.
    RepairJournal& journal() { return journal_; }
    const RepairJournal& journal() const { return journal_; }
    void setDisplayCharge(bool on) { displayCharge_ = on; }
    void setShowInternal(bool on) { showInternal_ = on; }
    // Every byte written and read passes it; none (nullptr) costs nothing.
    void setLineTrace(LineTrace* trace) { line_.setTrace(trace); }

    // Opens the device for a port number (the label in the texts) or a device path.
    bool OpenPort(const QString& portLabel, const QString& device);
    // Closes the line; one left in step is noted as such for the next run.
    void ClosePort();
    // Asks the phone who it is (once per connection); false when it did not answer.
    bool IdentifyPhone();
    const PhoneIdentity& identity() const { return identity_; }
    // Carries out what the journal holds for the phone on the line (partial
    // uploads to delete, old files to put back), each only after a listing
    // shows that what it finds is this program's leftover; says so in the
    // status. The number of repairs done.
    int CarryOutRepairs();
    // What the last CarryOutRepairs said; empty when it had nothing to say.
    const QString& repairReport() const { return repairReport_; }
    // For a program that ends at once (Ctrl-C, the window closed during a
    // transfer): the exchange in progress is cancelled and the line let go
    // without waiting for the phone; the next run brings it back in step.
    void abandonLine();
    bool isOpen() const { return line_.isOpen(); }
    bool isExchangeRunning() const { return exchange_.isRunning(); }
    QString portLabel() const { return report_.portLabel(); }
    QString device() const { return device_; }

    // Ends the exchange in progress; it returns Cancelled and reports nothing more.
    void cancel() { exchange_.cancel(); }
    // The user's Stop: a download abandons its answer at once, an upload ends
    // after the slice on its way and deletes what reached the phone; either
    // returns Stopped. Any other exchange is cancelled. Holds until the next
    // command begins.
    void stopTransfer() { exchange_.requestStop(); }
    bool stopRequested() const { return exchange_.stopRequested(); }
    // For the step that must follow a Stop (putting back a file the stopped
    // upload was to replace): the Stop has done its work.
    void forgetStop() { exchange_.forgetStop(); }
    bool isTransferRunning() const { return exchange_.isTransferRunning(); }
    // The phone may still be sending an earlier answer.
    bool isDraining() const { return exchange_.isDraining(); }

    // Waits out the pause the phone needs after the last exchange; for a
    // program about to end, whose next command may come from another process.
    // A line out of step is left to the next run, which settles it.
    void waitOutPause() { exchange_.waitOutPause(); }

    // Busy state around a whole command (several exchanges); nests.
    void beginBusy() { exchange_.beginCommand(); }
    void endBusy() { exchange_.endCommand(); }

    ListingResult ListFolder(const QString& folder);
    BatteryResult ShowBatteryCharge();
    BatteryResult QueryBatteryCharge();
    // The file is saved as `localName` when given, else under its phone name;
    // `listedSize`: the size the folder's listing gave, which the answer must announce.
    Outcome ReadFile(const QString& folder, const QString& name, const QString& localFolder,
                     const QString& localName = {}, std::optional<qint64> listedSize = std::nullopt);
    Outcome SendFile(const UploadItem& item);
    Outcome DeleteFile(const QString& name, const QString& folder);

    QString text(int number) const { return report_.text(number); }
    // The operation text shown last, and a new one for steps built on the
    // link's operations (keeping a replaced file, the Java sending).
    const QString& operationText() const { return report_.operationText(); }
    void setOperationText(const QString& text) { setStatus(1, text); }
    // Names from the phone in status texts never carry a raw control
    // character: the window shows them as replacement characters, a
    // terminal quotes them as `ls` does.
    void setNameForm(std::function<QString(const QString&)> form) { report_.setNameForm(std::move(form)); }
    QString shownName(const QString& name) const { return report_.shownName(name); }

    // True once the last download, slice or battery query has succeeded.
    bool commandDone() const { return report_.commandDone(); }
    // The file names of the last listing of "/java/".
    const QStringList& javaFileNames() const { return JavaFileNames; }
    // What the last exchange received.
    const QByteArray& lastAnswer() const { return exchange_.answer(); }
    // The system's reason why the last download's file could not be written; empty when it could.
    const QString& localWriteError() const { return report_.localWriteError(); }

private:
    QString openFailureText(const QString& portLabel, const QString& device) const;
    void setStatus(int panel, const QString& text) { report_.setStatus(panel, text); }
    void onLineLost();

    PhoneReport report_;
    SerialLine line_;
    Exchange exchange_;
    RepairJournal journal_;
    LineMarks marks_;
    PhoneIdentity identity_;
    QString repairReport_;
    QString TempFolder;
    QStringList JavaFileNames;
    QString device_;
    bool displayCharge_ = false;
    bool showInternal_ = false;
};
