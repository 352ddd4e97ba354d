#pragma once

#include "platform/PortNames.h"
#include "settings/Settings.h"

#include <QDialog>
#include <QMap>

class LanguageTable;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class PortSurvey;
class RepairJournal;
class SettingsStore;
struct PhoneIdentity;
struct PortFinding;

// frmSettings: port, slice size, pause, time-out, battery display and language.
// Find phone asks every candidate port in the background and chooses the first
// that answers as a phone.
class SettingsDialog : public QDialog
{
    Q_OBJECT
public:
    SettingsDialog(SettingsStore& store, Settings& settings, const LanguageTable& texts,
                   const QString& languageFolder, QWidget* parent = nullptr);

    static const QList<int>& sliceSizes();

    // The link's journal, so an answer the survey stopped waiting for is noted.
    void setSurveyJournal(RepairJournal* journal);
    // The port the link holds now: listed with its identity, not opened again.
    void setConnectedPhone(const QString& device, const PhoneIdentity& identity);
    // How long the survey waits for each answer.
    void setSurveyAnswerBound(int millis);

public slots:
    // Asks every candidate port, as the Find phone button does.
    void findPhone();

private:
    void findOrStop();
    void portSurveyed(const PortFinding& finding);
    void surveyFinished(bool cancelled);
    void rowChosen(QListWidgetItem* item);
    void choosePortDevice(const QString& device);
    void done(int result) override;
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
    QPushButton* cmdFindPhone_;
    QLabel* lblFindProgress_;
    QListWidget* lstFoundPorts_;
    PortSurvey* survey_;
    const LanguageTable& texts_;
    QString chosenDevice_; // the answering port chosen from the list; empty: none yet
    QList<DetectedPort> detected_;
    // The device each port number opens, as shown; edits wait here for OK.
    QMap<int, QString> devices_;
};
