#include "SettingsStore.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <limits>

namespace {

const QString kSection = QStringLiteral("Settings");
const QString kPortsSection = QStringLiteral("Ports");

QString sectionKey(const QString& section, const QString& key)
{
    return section + QLatin1Char('/') + key;
}

struct KeyDefault
{
    const char* key;
    QString defaultText;
};

// Parses decimal text into a 16-bit signed value, as the store's numbers are.
bool toInt16(const QString& text, int& value)
{
    bool ok = false;
    const qlonglong parsed = text.trimmed().toLongLong(&ok);
    if (!ok || parsed < std::numeric_limits<qint16>::min() || parsed > std::numeric_limits<qint16>::max())
        return false;
    value = static_cast<int>(parsed);
    return true;
}

// A positive 16-bit value; zero or less would stall a timer or divide by zero.
void readPositive(SettingsStore& store, const char* key, int& target, LoadSettingsResult& result)
{
    int value = 0;
    if (toInt16(store.read(QLatin1String(key)), value) && value >= 1) {
        target = value;
        return;
    }
    result.hadUnreadableValue = true;
    result.unreadableKeys << QLatin1String(key);
}

// Far beyond the few keys the program keeps.
constexpr qint64 kLargestStoreFile = 1024 * 1024;

QString storeFilePath(const QString& filePath)
{
#ifdef Q_OS_WIN
    // The registry has no file to look at.
    return filePath;
#else
    return filePath.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                                    QStringLiteral("/Vantrel/Vantrel.conf")
                              : filePath;
#endif
}

bool isUnreadableStoreFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    if (!info.isFile() || info.size() > kLargestStoreFile)
        return true;
    // The store keeps texts only. A serialised value ("@Variant(...)") is read
    // by a decoder that believes the counts it holds: a few bytes can ask for
    // gigabytes.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    static const QRegularExpression serialised(QStringLiteral("=\\s*\"?@Variant\\("));
    return serialised.match(QString::fromLatin1(file.readAll())).hasMatch();
}

} // namespace

SettingsStore::SettingsStore(const QString& filePath)
{
    const QString path = storeFilePath(filePath);
    if (!path.isEmpty() && isUnreadableStoreFile(path)) {
        refusedFile_ = path;
        scratch_ = std::make_unique<QTemporaryDir>();
        store_ = std::make_unique<QSettings>(scratch_->filePath(QStringLiteral("Vantrel.conf")),
                                             QSettings::IniFormat);
        return;
    }
    if (filePath.isEmpty())
        // Native: the registry on Windows, ~/.config/Vantrel/Vantrel.conf elsewhere.
        store_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("Vantrel"), QStringLiteral("Vantrel"));
    else
        store_ = std::make_unique<QSettings>(filePath, QSettings::IniFormat);
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::read(const QString& key) const
{
    return store_->value(sectionKey(kSection, key)).toString();
}

void SettingsStore::write(const QString& key, const QString& text)
{
    store_->setValue(sectionKey(kSection, key), text);
}

QString SettingsStore::readPortDevice(int portNumber) const
{
    return store_->value(sectionKey(kPortsSection, QStringLiteral("COM%1").arg(portNumber))).toString();
}

void SettingsStore::writePortDevice(int portNumber, const QString& device)
{
    store_->setValue(sectionKey(kPortsSection, QStringLiteral("COM%1").arg(portNumber)), device);
}

bool SettingsStore::sync()
{
    store_->sync();
    return store_->status() == QSettings::NoError;
}

LoadSettingsResult LoadSettings(SettingsStore& store, const QString& defaultLastFolder)
{
    using namespace SettingsKeys;
    const Settings defaults;
    const KeyDefault table[] = {
        {SliceSize, QString::number(defaults.SliceSize)},
        {Delay, QString::number(defaults.DelayTime)},
        {TimeOut, QString::number(defaults.TimeOutTime)},
        {DisplayCharge, defaults.DisplayCharge},
        {COMPort, QString::number(defaults.COMPort)},
        {LastFolder, defaultLastFolder},
        {Language, defaults.LanguageFile},
    };
    for (const KeyDefault& entry : table) {
        if (store.read(QLatin1String(entry.key)).isEmpty())
            store.write(QLatin1String(entry.key), entry.defaultText);
    }

    LoadSettingsResult result;
    if (!store.refusedFile().isEmpty()) {
        result.hadUnreadableValue = true;
        result.unreadableKeys << store.refusedFile();
    }
    readPositive(store, SliceSize, result.values.SliceSize, result);
    readPositive(store, Delay, result.values.DelayTime, result);
    readPositive(store, COMPort, result.values.COMPort, result);
    readPositive(store, TimeOut, result.values.TimeOutTime, result);
    result.values.DisplayCharge = store.read(QLatin1String(DisplayCharge));
    result.values.LanguageFile = store.read(QLatin1String(Language));
    if (!store.sync()) {
        result.hadUnreadableValue = true;
        result.unreadableKeys << QStringLiteral("(store)");
    }
    return result;
}
