#pragma once

#include "Settings.h"

#include <QString>
#include <QStringList>

#include <memory>

class QSettings;
class QTemporaryDir;

// The per-user store: application "Vantrel", section "Settings", text values only.
// The file can be injected so tests and demos never touch the user's own store.
class SettingsStore
{
public:
    // An empty path means the platform's per-user location.
    explicit SettingsStore(const QString& filePath = QString());
    ~SettingsStore();

    QString read(const QString& key) const;
    void write(const QString& key, const QString& text);

    QString readPortDevice(int portNumber) const;
    void writePortDevice(int portNumber, const QString& device);

    bool sync();

    // The settings file that was refused (a pipe or device, which would block
    // the start for ever, or one of no sane size); the store then holds the
    // defaults in memory only. Empty when the file was taken.
    QString refusedFile() const { return refusedFile_; }

private:
    std::unique_ptr<QSettings> store_;
    std::unique_ptr<QTemporaryDir> scratch_;
    QString refusedFile_;
};

namespace SettingsKeys {
inline constexpr const char* SliceSize = "sieSliceSize";
inline constexpr const char* Delay = "sieDelay";
inline constexpr const char* TimeOut = "sieTimeOut";
inline constexpr const char* DisplayCharge = "sieDisplayCharge";
inline constexpr const char* COMPort = "sieCOMPort";
inline constexpr const char* LastFolder = "sysLastFolder";
inline constexpr const char* Language = "sysLanguage";
} // namespace SettingsKeys

struct LoadSettingsResult
{
    Settings values;
    // True when some value could not be read; the program then shows text 101
    // and runs with the default for each such value.
    bool hadUnreadableValue = false;
    QStringList unreadableKeys;
};

// Writes the default of every missing or empty key, then reads and converts the
// values. A value that is not a usable number is replaced by its default.
LoadSettingsResult LoadSettings(SettingsStore& store, const QString& defaultLastFolder);
