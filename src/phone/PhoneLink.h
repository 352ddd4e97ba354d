#pragma once

#include "PhoneTypes.h"
#include "settings/Settings.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QStringList>
#include <QTimer>

#include <functional>

class LanguageTable;
class PhoneObserver;
class QEventLoop;
class QFile;

// The one owner of the serial line. Each phone operation writes its command and
// waits for the answer in a nested event loop, so the window stays alive; only
// one exchange runs at a time and a second one asked for meanwhile is refused.
class PhoneLink : public QObject
{
    Q_OBJECT
public:
    struct Timing
    {
        int TimeOutTime = 10000;
        int DelayTime = 1500;
        int SliceSize = 10240;
        // How long a listing waits for the line end after its final "OK".
        int FinalLineGrace = 500;

        static Timing from(const Settings& settings)
        {
            Timing timing;
            timing.TimeOutTime = settings.TimeOutTime;
            timing.DelayTime = settings.DelayTime;
            timing.SliceSize = settings.SliceSize;
            return timing;
        }
    };

    PhoneLink(const LanguageTable& texts, PhoneObserver& observer, QObject* parent = nullptr);
    ~PhoneLink() override;

    void setTiming(const Timing& timing);
    const Timing& timing() const { return timing_; }
    void setTempFolder(const QString& folder) { TempFolder = folder; }
    void setDisplayCharge(bool on) { displayCharge_ = on; }
    void setShowInternal(bool on) { showInternal_ = on; }

    // Opens the device for a port number (the label in the texts) or a device path.
    bool OpenPort(const QString& portLabel, const QString& device);
    void ClosePort();
    bool isOpen() const;
    bool isExchangeRunning() const { return exchangeRunning_; }
    QString portLabel() const { return portLabel_; }

    // Ends the exchange in progress; it returns Cancelled and reports nothing more.
    void cancel();

    // Busy state around a whole command (several exchanges); nests.
    void beginBusy();
    void endBusy();

    ListingResult ListFolder(const QString& folder);
    BatteryResult ShowBatteryCharge();
    BatteryResult QueryBatteryCharge();
    Outcome ReadFile(const QString& folder, const QString& name, const QString& localFolder);
    Outcome SendFile(const UploadItem& item);
    Outcome DeleteFile(const QString& name, const QString& folder);

    QString text(int number) const;

    // Shared state of the exchanges.
    bool TimedOut = false;
    bool Processing = false;
    bool CommandDone = false;
    QByteArray LastChunk;
    QByteArray ReceiveBuffer;
    QString TempFolder;
    QStringList JavaFileNames;

private:
    enum class WaitEnd
    {
        Satisfied,
        TimedOut,
        LineLost,
        Cancelled
    };

    class ExchangeScope;

    QString openFailureText(const QString& portLabel, const QString& device) const;

    void setStatus(int panel, const QString& text);
    void sendCommand(const QString& command);
    void discardStaleInput();
    void startTimeOut();
    void onTimeOutTick();
    void readWaiting();
    WaitEnd waitUntil(const std::function<bool()>& satisfied);
    WaitEnd delayWait(const std::function<void()>& onChunk);
    void runEventsUntilWoken();
    void wake();
    void onPortError(QSerialPort::SerialPortError error);

    Outcome writeSlice(const UploadItem& item, QFile& file, qint64 offset, qint64 length, qint64 total);

    const LanguageTable& texts_;
    PhoneObserver& observer_;
    QSerialPort port_;
    QTimer tmrTimeout_;
    QTimer tmrProcessing_;
    QTimer graceTimer_;
    QElapsedTimer lineActivity_;
    QEventLoop* activeLoop_ = nullptr;
    Timing timing_;
    QString portLabel_;
    QString panel1_;
    int busyDepth_ = 0;
    bool exchangeRunning_ = false;
    bool cancelled_ = false;
    bool lineLost_ = false;
    bool displayCharge_ = false;
    bool showInternal_ = false;
    // Bytes arriving on their own in binary reception go here instead of the buffer.
    std::function<void(const QByteArray&)> binarySink_;
};
