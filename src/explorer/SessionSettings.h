#pragma once

#include "settings/Settings.h"

#include <QList>
#include <QString>

class LanguageTable;
class QWidget;
class SettingsStore;

// The settings and the language the window runs with, read again at each
// start-up, and the messages about them that wait until a language makes
// them readable.
class SessionSettings
{
public:
    SessionSettings(SettingsStore& store, LanguageTable& texts, QWidget& window);

    const Settings& values() const { return settings_; }
    // The settings dialog edits them in place.
    Settings& values() { return settings_; }
    // An unreadable stored value is said now, or once a language is loaded.
    void loadSettings();
    // Said once the next language is loaded.
    void tellAfterLanguage(int text) { pending_ << text; }
    // The language the settings name. Empty when it loaded; otherwise why no language could.
    QString loadLanguage();
    // True when the last loading took the texts from another file than before.
    bool languageChanged() const { return languageChanged_; }
    // "COM4" and the device the stored port number opens.
    QString portName() const;
    QString portDevice() const;

private:
    SettingsStore& store_;
    LanguageTable& texts_;
    QWidget& window_;
    Settings settings_;
    QList<int> pending_;
    QString languageLoaded_;
    QString languageWarningShown_;
    bool languageChanged_ = false;
};
