#include "StatusPanels.h"

#include "ElidedLabel.h"
#include "Icons.h"
#include "TransferStatus.h"
#include "Twips.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>

namespace {

// Panel 1 grows from its floor with the window; the smallest window still shows all three.
constexpr int kStatusPanel1Floor = twips(4000);
constexpr int kStatusPanel2 = twips(1000);
constexpr int kStatusPanel3 = twips(3000);
constexpr int kProgressShortOfPanel3 = twips(1024);
// The progress panel at its narrowest: a bar still worth looking at beside the percentage.
constexpr int kProgressPanelFloor = kProgressShortOfPanel3 + twips(900);
// Progress bar steps: fine enough for a smooth bar, whole for the last byte.
constexpr int kProgressSteps = 1000;

// Hands `room` out to the asks in their order: each gets what it asks for, or what is left.
QList<int> shareOut(int room, const QList<int>& asks)
{
    QList<int> given;
    for (const int ask : asks) {
        given << qBound(0, ask, room);
        room -= given.constLast();
    }
    return given;
}

} // namespace

StatusPanels::StatusPanels(QStatusBar& bar, const LanguageTable& texts) : QObject(&bar), bar_(bar)
{
    bar.setObjectName(QStringLiteral("stbMain"));
    bar.setSizeGripEnabled(true);
    panel1_ = new ElidedLabel;
    panels_[0] = panel1_;
    for (int panel = 1; panel < 3; ++panel)
        panels_[panel] = new QLabel;
    for (int panel = 0; panel < 3; ++panel)
        panels_[panel]->setObjectName(QStringLiteral("stbMain_Panel%1").arg(panel + 1));
    panels_[0]->setTextInteractionFlags(Qt::TextSelectableByMouse);
    buildBatteryPanel();
    buildProgressPanel();

    transferStatus_ = new TransferStatus(texts);
    connect(transferStatus_, &TransferStatus::stopClicked, this, &StatusPanels::stopClicked);
    connect(transferStatus_, &TransferStatus::figuresShown, this, &StatusPanels::fit);

    phone_ = new QLabel;
    phone_->setObjectName(QStringLiteral("stbMain_Phone"));
    phone_->hide();

    bar.addWidget(panels_[0], 1);
    bar.addWidget(transferStatus_);
    bar.addWidget(phone_);
    bar.addWidget(batteryPanel_);
    bar.addWidget(progressPanel_);
    bar.installEventFilter(this);
}

void StatusPanels::buildBatteryPanel()
{
    batteryPanel_ = new QWidget;
    batteryPanel_->setFixedWidth(kStatusPanel2);
    picBattery_ = new QLabel(batteryPanel_);
    picBattery_->setObjectName(QStringLiteral("picBattery"));
    picBattery_->hide();
    auto* layout = new QHBoxLayout(batteryPanel_);
    layout->setContentsMargins(2, 0, 0, 0);
    layout->setSpacing(3);
    layout->addWidget(picBattery_);
    layout->addWidget(panels_[1], 1);
}

void StatusPanels::buildProgressPanel()
{
    progressPanel_ = new QWidget;
    progressPanel_->setFixedWidth(kStatusPanel3);
    pgbMain_ = new QProgressBar(progressPanel_);
    pgbMain_->setObjectName(QStringLiteral("pgbMain"));
    pgbMain_->setTextVisible(false);
    pgbMain_->setMaximumHeight(14);
    // It may shrink to nothing: the percentage beside it says the same.
    pgbMain_->setMinimumWidth(1);
    pgbMain_->hide();
    panels_[2]->setFixedWidth(kProgressShortOfPanel3 - 2);
    panels_[2]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* layout = new QHBoxLayout(progressPanel_);
    layout->setContentsMargins(2, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pgbMain_, 1);
    layout->addStretch(0);
    layout->addWidget(panels_[2]);
}

void StatusPanels::fit()
{
    // Who keeps room when the bar is narrow, first to last: a readable progress
    // bar, the operation text with its file name (up to half the bar), the
    // transfer's figures in their shortest wording, the whole progress bar, the
    // whole figures, and the rest of a long operation text (cut in its middle).
    // The battery panel, the gaps between the panels and the size grip.
    const int room = bar_.width() - kStatusPanel2 - 48;
    const bool transfer = transferStatus_->isVisibleTo(&bar_);
    const int figures = transfer ? transferStatus_->sizeHint().width() : 0;
    const int leastFigures = transfer ? qMin(figures, transferStatus_->leastWidth()) : 0;
    const int operation = panel1_->sizeHint().width();
    const int operationFirst = qMin(operation, qMax(kStatusPanel1Floor, room / 2));
    // Nothing to show there between transfers: the texts may have its room.
    const bool progressShown = pgbMain_->isVisibleTo(&bar_) || !panels_[2]->text().isEmpty();
    const int progressFloor = progressShown ? kProgressPanelFloor : 0;
    // The phone's name comes last: the whole reason of a failure goes before it.
    const int phone = phone_->isVisibleTo(&bar_) ? phone_->sizeHint().width() : 0;
    const QList<int> given =
        shareOut(room, {progressFloor, operationFirst, leastFigures, kStatusPanel3 - progressFloor,
                        figures - leastFigures, operation - operationFirst, phone});
    phone_->setFixedWidth(given[6]);
    progressPanel_->setFixedWidth(given[0] + given[3]);
    transferStatus_->setFixedWidth(given[2] + given[4]);
    panel1_->setMinimumWidth(given[1]);
}

bool StatusPanels::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &bar_ && event->type() == QEvent::Resize)
        fit();
    return QObject::eventFilter(watched, event);
}

void StatusPanels::ApplyLanguage()
{
    transferStatus_->ApplyLanguage();
}

void StatusPanels::setText(int panel, const QString& text)
{
    if (panel < 1 || panel > 3)
        return;
    panels_[panel - 1]->setToolTip(text);
    if (panel > 1)
        return panels_[panel - 1]->setText(text);
    panel1_->setFullText(text);
    fit();
}

QString StatusPanels::text(int panel) const
{
    if (panel < 1 || panel > 3)
        return {};
    return panel == 1 ? panel1_->fullText() : panels_[panel - 1]->text();
}

void StatusPanels::setOperationDetails(const QString& details)
{
    panels_[0]->setToolTip(details);
}

void StatusPanels::showPhone(const QString& text, const QString& details)
{
    phone_->setText(text);
    phone_->setToolTip(details);
    phone_->setVisible(!text.isEmpty());
    fit();
}

void StatusPanels::showBatteryLevel(int level)
{
    if (level < 1) {
        // A charge the phone did not confirm is not shown as if it were current.
        hideBattery();
        return;
    }
    picBattery_->setPixmap(Icons::battery(level));
    picBattery_->setProperty("level", level);
    picBattery_->show();
}

void StatusPanels::showBattery()
{
    picBattery_->show();
}

void StatusPanels::hideBattery()
{
    picBattery_->hide();
    setText(2, QString());
}

void StatusPanels::beginCommand()
{
    transferStatus_->beginCommand();
}

void StatusPanels::beginFile(int number, int count)
{
    transferStatus_->beginFile(number, count);
    pgbMain_->setRange(0, kProgressSteps);
    pgbMain_->setValue(0);
    pgbMain_->show();
}

void StatusPanels::progress(qint64 done, qint64 total)
{
    transferStatus_->progress(done, total);
    if (total < 0) {
        // Size not announced yet: a bar that only says "working".
        pgbMain_->setRange(0, 0);
        return;
    }
    pgbMain_->setRange(0, kProgressSteps);
    pgbMain_->setValue(total > 0 ? static_cast<int>(done * kProgressSteps / total) : kProgressSteps);
}

void StatusPanels::endTransfers()
{
    transferStatus_->finish();
    endFile();
}

void StatusPanels::endFile()
{
    pgbMain_->hide();
    setText(3, QString());
}

void StatusPanels::hideProgressBar()
{
    pgbMain_->hide();
}

bool StatusPanels::isTransferRunning() const
{
    return transferStatus_->isRunning();
}

int StatusPanels::fileNumber() const
{
    return transferStatus_->fileNumber();
}

int StatusPanels::fileCount() const
{
    return transferStatus_->fileCount();
}
