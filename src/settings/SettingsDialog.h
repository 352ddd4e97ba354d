#pragma once

#include "Settings.h"

#include <QDialog>

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
    void showDeviceForPort();
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
};
