#include "SessionSettings.h"

#include "platform/Folders.h"
#include "platform/PortNames.h"
#include "settings/LanguageTable.h"
#include "settings/SettingsStore.h"

#include <QMessageBox>

#include <utility>

namespace {
constexpr int kSettingsUnreadable = 101;
} // namespace

SessionSettings::SessionSettings(SettingsStore& store, LanguageTable& texts, QWidget& window)
    : store_(store), texts_(texts), window_(window)
{}

void SessionSettings::loadSettings()
{
    const LoadSettingsResult loaded = LoadSettings(store_, Folders::defaultLastFolder());
    settings_ = loaded.values;
    if (!loaded.hadUnreadableValue)
        return;
    // At the first start no language is loaded yet; the message then waits for it.
    if (texts_.GetString(kSettingsUnreadable).isEmpty())
        tellAfterLanguage(kSettingsUnreadable);
    else
        QMessageBox::warning(&window_, QStringLiteral("Vantrel"), texts_.GetString(kSettingsUnreadable));
}

QString SessionSettings::loadLanguage()
{
    const InterfaceLanguageResult language =
        LoadInterfaceLanguage(texts_, Folders::languageFolder(), settings_.LanguageFile);
    if (!language.fatalMessage.isEmpty())
        return language.fatalMessage;
    languageChanged_ = std::exchange(languageLoaded_, language.loadedPath) != language.loadedPath;
    // A missing language is said once, not at every start-up run.
    if (!language.warning.isEmpty() && languageWarningShown_ != language.warning) {
        languageWarningShown_ = language.warning;
        QMessageBox::warning(&window_, QStringLiteral("Vantrel"), language.warning);
    }
    for (const int text : std::exchange(pending_, {}))
        QMessageBox::warning(&window_, QStringLiteral("Vantrel"), texts_.GetString(text));
    return {};
}

QString SessionSettings::portName() const
{
    return QStringLiteral("COM%1").arg(settings_.COMPort);
}

QString SessionSettings::portDevice() const
{
    const int port = settings_.COMPort;
    return resolvePortDevice(store_.readPortDevice(port), port);
}
