#pragma once

#include "platform/PortNames.h"
#include "settings/Settings.h"

#include <QDialog>
#include <QMap>

class LanguageTable;
class QCheckBox;
class QComboBox;
class QLabel;
class SettingsStore;

// frmSettings: port, slice size, pause, time-out, battery display and language.
class SettingsDialog : public QDialog
{
    Q_OBJECT
public:
    SettingsDialog(SettingsStore& store, Settings& settings, const LanguageTable& texts,
                   const QString& languageFolder, QWidget* parent = nullptr);

    static const QList<int>& sliceSizes();

private:
    void fillLists(const QString& languageFolder);
    void fillLanguages(const QString& languageFolder);
    void showDeviceForPort();
    void deviceChosen(const QString& text);
    void accept() override;

    SettingsStore& store_;
    Settings& settings_;
    QComboBox* cmbLanguage_;
    QComboBox* cmbPort_;
    QComboBox* cmbSize_;
    QComboBox* cmbDelay_;
    QComboBox* cmbTimeOut_;
    QComboBox* cmbDevice_;
    QCheckBox* chkDisplayCharge_;
    QList<DetectedPort> detected_;
    // The device each port number opens, as shown; edits wait here for OK.
    QMap<int, QString> devices_;
};
