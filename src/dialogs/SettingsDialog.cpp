#include "SettingsDialog.h"

#include "DialogButtons.h"
#include "phone/PhoneTexts.h"
#include "phone/PortSurvey.h"
#include "platform/PortNames.h"
#include "settings/LanguageTable.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

constexpr int kDeviceLabel = 318;
constexpr int kFindPhone = 640;
constexpr int kStopFinding = 641;
constexpr int kNoPhoneFound = 642;
constexpr int kChosenDevice = 643;
constexpr int kFindingStopped = 644;

constexpr int kDeviceRole = Qt::UserRole;
constexpr int kAnsweredRole = Qt::UserRole + 1;

QComboBox* newList(const char* name, QWidget* parent)
{
    auto* list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    list->setMinimumWidth(1515 / 15);
    return list;
}

// The number an entry stands for, or the previous value when none is chosen.
int chosenNumber(const QComboBox* list, int previous)
{
    return list->currentIndex() < 0 ? previous : list->currentData().toInt();
}

} // namespace

const QList<int>& SettingsDialog::sliceSizes()
{
    static const QList<int> sizes{512, 1024, 2048, 4096, 8192, 10240, 16384};
    return sizes;
}

SettingsDialog::SettingsDialog(SettingsStore& store, Settings& settings, const LanguageTable& texts,
                               const QString& languageFolder, QWidget* parent)
    : QDialog(parent), store_(store), settings_(settings), cmbLanguage_(newList("cmbLanguage", this)),
      cmbPort_(newList("cmbPort", this)), cmbSize_(newList("cmbSize", this)),
      cmbDelay_(newList("cmbDelay", this)), cmbTimeOut_(newList("cmbTimeOut", this)),
      cmbDevice_(newList("cmbDevice", this)), chkDisplayCharge_(new QCheckBox(this)),
      cmdFindPhone_(new QPushButton(this)), lblFindProgress_(new QLabel(this)),
      lstFoundPorts_(new QListWidget(this)), survey_(new PortSurvey(this)), texts_(texts)
{
    setObjectName(QStringLiteral("frmSettings"));
    detected_ = detectedPorts();
    setWindowTitle(texts.GetString(311));
    chkDisplayCharge_->setObjectName(QStringLiteral("chkDisplayCharge"));
    chkDisplayCharge_->setText(texts.GetString(316));
    cmbDevice_->setEditable(true);
    // Long device names (a /dev/serial/by-id link, a port's description) show whole.
    for (QComboBox* list : {cmbPort_, cmbDevice_, cmbLanguage_})
        list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    cmbDevice_->setMinimumContentsLength(28);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    const std::pair<int, QComboBox*> rows[] = {{317, cmbLanguage_},        {312, cmbPort_},
                                               {kDeviceLabel, cmbDevice_}, {313, cmbSize_},
                                               {314, cmbDelay_},           {315, cmbTimeOut_}};
    // The labels keep the numbering of the lists they caption: 0 port ... 4 language.
    const QMap<QComboBox*, QString> labelNames{{cmbPort_, "lblP0"},     {cmbSize_, "lblP1"},
                                               {cmbDelay_, "lblP2"},    {cmbTimeOut_, "lblP3"},
                                               {cmbLanguage_, "lblP4"}, {cmbDevice_, "lblDevice"}};
    int row = 0;
    for (const auto& [text, list] : rows) {
        auto* label = new QLabel(texts.GetString(text), this);
        label->setObjectName(labelNames.value(list));
        label->setBuddy(list);
        grid->addWidget(label, row, 0);
        grid->addWidget(list, row, 1);
        ++row;
    }
#ifdef Q_OS_WIN
    cmbDevice_->hide();
    findChild<QLabel*>(QStringLiteral("lblDevice"))->hide();
#endif
    grid->addWidget(chkDisplayCharge_, row, 0, 1, 2);

    cmdFindPhone_->setObjectName(QStringLiteral("cmdFindPhone"));
    cmdFindPhone_->setText(texts.GetString(kFindPhone));
    cmdFindPhone_->setAutoDefault(false);
    lblFindProgress_->setObjectName(QStringLiteral("lblFindProgress"));
    // A long device name in the progress must not widen the fixed-size dialog.
    lblFindProgress_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lstFoundPorts_->setObjectName(QStringLiteral("lstFoundPorts"));
    lstFoundPorts_->setMinimumHeight(lstFoundPorts_->fontMetrics().height() * 6);
    auto* findRow = new QHBoxLayout;
    findRow->addWidget(cmdFindPhone_);
    findRow->addWidget(lblFindProgress_, 1);

    QDialogButtonBox* buttons = addOkCancelButtons(this, texts);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(findRow);
    layout->addWidget(lstFoundPorts_);
    layout->addSpacing(8);
    layout->addWidget(buttons);

    connect(cmdFindPhone_, &QPushButton::clicked, this, &SettingsDialog::findOrStop);
    connect(survey_, &PortSurvey::progress, this, [this](int index, int count, const QString& device) {
        const QString text = texts_.GetString(PhoneTexts::SurveyAsking) + QLatin1Char(' ') + device +
                             QStringLiteral(" (%1/%2)").arg(index + 1).arg(count);
        lblFindProgress_->setText(text);
        lblFindProgress_->setToolTip(text);
    });
    connect(survey_, &PortSurvey::portSurveyed, this, &SettingsDialog::portSurveyed);
    connect(survey_, &PortSurvey::finished, this, &SettingsDialog::surveyFinished);
    connect(lstFoundPorts_, &QListWidget::currentItemChanged, this, &SettingsDialog::rowChosen);

    fillLists(languageFolder);
    connect(cmbPort_, &QComboBox::currentIndexChanged, this, &SettingsDialog::showDeviceForPort);
    connect(cmbDevice_, &QComboBox::currentTextChanged, this, &SettingsDialog::deviceChosen);
    showDeviceForPort();
    // As wide as the lists' contents: a window only gets two thirds of the
    // screen by default, too little for a long device name. Nothing in it
    // gains from another size, and a window manager frames a window it may
    // not resize without a resize handle, which showed as an empty strip.
    setFixedSize(sizeHint().boundedTo(screen()->availableSize()));
}

void SettingsDialog::fillLists(const QString& languageFolder)
{
    for (int port = 1; port <= 16; ++port) {
        devices_[port] = resolvePortDevice(store_.readPortDevice(port), port);
        cmbPort_->addItem(portEntryText(port, devices_[port], detected_), port);
    }
    // A stored port outside 1 to 16 opens with no entry chosen.
    cmbPort_->setCurrentIndex(cmbPort_->findData(settings_.COMPort));

    for (int delay : {500, 1000, 1500, 2000})
        cmbDelay_->addItem(QString::number(delay), delay);
    cmbDelay_->setCurrentIndex(cmbDelay_->findData(settings_.DelayTime));
    for (int size : sliceSizes())
        cmbSize_->addItem(QString::number(size / 1024.0), size);
    cmbSize_->setCurrentIndex(cmbSize_->findData(settings_.SliceSize));
    for (int timeOut : {2000, 5000, 10000, 15000})
        cmbTimeOut_->addItem(QString::number(timeOut), timeOut);
    cmbTimeOut_->setCurrentIndex(cmbTimeOut_->findData(settings_.TimeOutTime));

    chkDisplayCharge_->setChecked(settings_.DisplayCharge == QLatin1String("True"));

    fillLanguages(languageFolder);
}

void SettingsDialog::fillLanguages(const QString& languageFolder)
{
    // Each language by the name it gives itself; the file behind it is the entry's data.
    const QStringList files =
        QDir(languageFolder).entryList({QStringLiteral("*.lng")}, QDir::Files, QDir::Name);
    QStringList names;
    for (const QString& file : files)
        names << languageOwnName(languageFolder, file);
    for (qsizetype i = 0; i < files.size(); ++i) {
        const bool shared = names.count(names.at(i)) > 1;
        const QString shown =
            shared ? names.at(i) + QStringLiteral(" (") + files.at(i) + QLatin1Char(')') : names.at(i);
        cmbLanguage_->addItem(shown, files.at(i));
    }
    const qsizetype current = files.indexOf(settings_.LanguageFile);
    cmbLanguage_->setCurrentIndex(files.isEmpty() ? -1 : static_cast<int>(qMax<qsizetype>(current, 0)));
}

void SettingsDialog::showDeviceForPort()
{
    // Which device the chosen number opens, and the serial ports found here.
    const int port = chosenNumber(cmbPort_, settings_.COMPort);
    const QString device = devices_.value(port, resolvePortDevice(store_.readPortDevice(port), port));
    const QSignalBlocker quiet(cmbDevice_);
    cmbDevice_->clear();
    cmbDevice_->addItem(device);
    for (const DetectedPort& detected : detected_) {
        if (detected.device == device)
            continue;
        cmbDevice_->addItem(detected.device);
        cmbDevice_->setItemData(cmbDevice_->count() - 1, detectedDescription(detected.device, detected_),
                                Qt::ToolTipRole);
    }
    cmbDevice_->setCurrentIndex(0);
}

void SettingsDialog::deviceChosen(const QString& text)
{
    // The port list says at once what the number now opens.
    const int port = chosenNumber(cmbPort_, settings_.COMPort);
    devices_[port] = text.trimmed().isEmpty() ? defaultPortDevice(port) : text.trimmed();
    if (cmbPort_->currentIndex() >= 0)
        cmbPort_->setItemText(cmbPort_->currentIndex(), portEntryText(port, devices_[port], detected_));
}

void SettingsDialog::setSurveyJournal(RepairJournal* journal)
{
    survey_->setJournal(journal);
}

void SettingsDialog::setConnectedPhone(const QString& device, const PhoneIdentity& identity)
{
    survey_->setConnected(device, identity);
}

void SettingsDialog::setSurveyAnswerBound(int millis)
{
    survey_->setAnswerBound(millis);
}

void SettingsDialog::findOrStop()
{
    if (survey_->isRunning())
        survey_->cancel();
    else
        findPhone();
}

void SettingsDialog::findPhone()
{
    lstFoundPorts_->clear();
    chosenDevice_.clear();
    const int port = chosenNumber(cmbPort_, settings_.COMPort);
    // An earlier survey still running ends here (its finished comes at once), before the button changes.
    survey_->start(
        portCandidates(devices_.value(port, resolvePortDevice(store_.readPortDevice(port), port))));
    cmdFindPhone_->setText(texts_.GetString(kStopFinding));
    lblFindProgress_->clear();
    lblFindProgress_->setToolTip(QString());
}

void SettingsDialog::portSurveyed(const PortFinding& finding)
{
    QString text = finding.device;
    if (!finding.description.isEmpty())
        text += QStringLiteral(" (") + finding.description + QLatin1Char(')');
    text += QStringLiteral(": ") + describeFinding(finding, texts_);
    auto* item = new QListWidgetItem(text, lstFoundPorts_);
    item->setData(kDeviceRole, finding.device);
    item->setData(kAnsweredRole, finding.answered());
    item->setToolTip(finding.error.isEmpty() ? text : text + QLatin1Char('\n') + finding.error);
    // Only a port with a phone on it can be chosen.
    if (!finding.answered())
        item->setFlags(Qt::ItemIsEnabled);
    else if (chosenDevice_.isEmpty())
        lstFoundPorts_->setCurrentItem(item);
}

void SettingsDialog::surveyFinished(bool cancelled)
{
    cmdFindPhone_->setText(texts_.GetString(kFindPhone));
    QString text;
    if (cancelled)
        text = texts_.GetString(kFindingStopped);
    else if (chosenDevice_.isEmpty())
        text = texts_.GetString(kNoPhoneFound);
    else
        text = texts_.GetString(kChosenDevice) + QLatin1Char(' ') + chosenDevice_;
    lblFindProgress_->setText(text);
    lblFindProgress_->setToolTip(text);
}

void SettingsDialog::rowChosen(QListWidgetItem* item)
{
    if (item == nullptr || !item->data(kAnsweredRole).toBool())
        return;
    choosePortDevice(item->data(kDeviceRole).toString());
    if (!survey_->isRunning()) {
        const QString text = texts_.GetString(kChosenDevice) + QLatin1Char(' ') + chosenDevice_;
        lblFindProgress_->setText(text);
        lblFindProgress_->setToolTip(text);
    }
}

void SettingsDialog::choosePortDevice(const QString& device)
{
    chosenDevice_ = device;
    // A number that opens this device already is chosen as it is, the current one first.
    const int current = chosenNumber(cmbPort_, settings_.COMPort);
    if (isSameDevice(devices_.value(current), device))
        return;
    for (int i = 0; i < cmbPort_->count(); ++i) {
        if (isSameDevice(devices_.value(cmbPort_->itemData(i).toInt()), device)) {
            cmbPort_->setCurrentIndex(i);
            return;
        }
    }
    // Else the chosen number opens it, as typing it under Device does.
    deviceChosen(device);
    showDeviceForPort();
}

void SettingsDialog::done(int result)
{
    // A survey left running would hold a port after the dialog is gone.
    survey_->cancel();
    QDialog::done(result);
}

void SettingsDialog::accept()
{
    settings_.COMPort = chosenNumber(cmbPort_, settings_.COMPort);
    store_.write(QLatin1String(SettingsKeys::COMPort), QString::number(settings_.COMPort));
    settings_.SliceSize = chosenNumber(cmbSize_, settings_.SliceSize);
    store_.write(QLatin1String(SettingsKeys::SliceSize), QString::number(settings_.SliceSize));
    settings_.DelayTime = chosenNumber(cmbDelay_, settings_.DelayTime);
    store_.write(QLatin1String(SettingsKeys::Delay), QString::number(settings_.DelayTime));
    settings_.TimeOutTime = chosenNumber(cmbTimeOut_, settings_.TimeOutTime);
    store_.write(QLatin1String(SettingsKeys::TimeOut), QString::number(settings_.TimeOutTime));
    settings_.DisplayCharge =
        chkDisplayCharge_->isChecked() ? QStringLiteral("True") : QStringLiteral("False");
    store_.write(QLatin1String(SettingsKeys::DisplayCharge), settings_.DisplayCharge);
    if (cmbLanguage_->currentIndex() >= 0) {
        settings_.LanguageFile = cmbLanguage_->currentData().toString();
        store_.write(QLatin1String(SettingsKeys::Language), settings_.LanguageFile);
    }
    // Every number whose device was changed, not only the chosen one.
    for (auto it = devices_.cbegin(); it != devices_.cend(); ++it) {
        if (it.value() == resolvePortDevice(store_.readPortDevice(it.key()), it.key()))
            continue;
        store_.writePortDevice(it.key(), it.value() == defaultPortDevice(it.key()) ? QString() : it.value());
    }
    store_.sync();
    QDialog::accept();
}
