#include "SettingsDialog.h"

#include "DialogButtons.h"
#include "LanguageTable.h"
#include "SettingsStore.h"
#include "platform/PortNames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QVBoxLayout>

namespace {

constexpr int kDeviceLabel = 318;

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
      cmbDevice_(newList("cmbDevice", this)), chkDisplayCharge_(new QCheckBox(this))
{
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(texts.GetString(311));
    chkDisplayCharge_->setObjectName(QStringLiteral("chkDisplayCharge"));
    chkDisplayCharge_->setText(texts.GetString(316));
    cmbDevice_->setEditable(true);

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

    QDialogButtonBox* buttons = addOkCancelButtons(this, texts);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addWidget(buttons);

    fillLists(languageFolder);
    connect(cmbPort_, &QComboBox::currentIndexChanged, this, &SettingsDialog::showDeviceForPort);
    showDeviceForPort();
}

void SettingsDialog::fillLists(const QString& languageFolder)
{
    for (int port = 1; port <= 16; ++port)
        cmbPort_->addItem(QStringLiteral("COM%1").arg(port), port);
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

    const QStringList languages =
        QDir(languageFolder).entryList({QStringLiteral("*.lng")}, QDir::Files, QDir::Name);
    cmbLanguage_->addItems(languages);
    const qsizetype current = languages.indexOf(settings_.LanguageFile);
    cmbLanguage_->setCurrentIndex(languages.isEmpty() ? -1 : static_cast<int>(qMax<qsizetype>(current, 0)));
}

void SettingsDialog::showDeviceForPort()
{
    // Which device the chosen number opens, and the serial ports found here.
    const int port = chosenNumber(cmbPort_, settings_.COMPort);
    cmbDevice_->clear();
    const QString device = resolvePortDevice(store_.readPortDevice(port), port);
    cmbDevice_->addItem(device);
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (info.systemLocation() != device)
            cmbDevice_->addItem(info.systemLocation());
    }
    cmbDevice_->setCurrentIndex(0);
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
        settings_.LanguageFile = cmbLanguage_->currentText();
        store_.write(QLatin1String(SettingsKeys::Language), settings_.LanguageFile);
    }
    const QString device = cmbDevice_->currentText().trimmed();
    if (device != defaultPortDevice(settings_.COMPort))
        store_.writePortDevice(settings_.COMPort, device);
    else
        store_.writePortDevice(settings_.COMPort, QString());
    store_.sync();
    QDialog::accept();
}
