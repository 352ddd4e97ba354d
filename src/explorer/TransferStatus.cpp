#include "TransferStatus.h"

#include "ElidedLabel.h"
#include "settings/LanguageTable.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace {
constexpr int kStopText = 140;
// Often enough to see it move, seldom enough not to flicker.
constexpr int kShowEveryMillis = 250;
} // namespace

TransferStatus::TransferStatus(const LanguageTable& texts, QWidget* parent) : QWidget(parent), texts_(texts)
{
    setObjectName(QStringLiteral("fraTransfer"));
    details_ = new ElidedLabel(this);
    details_->setObjectName(QStringLiteral("lblTransfer"));
    stop_ = new QToolButton(this);
    stop_->setObjectName(QStringLiteral("cmdStop"));
    stop_->setAutoRaise(false);
    connect(stop_, &QToolButton::clicked, this, [this] {
        // Once is enough: what is left is tidying up.
        stop_->setEnabled(false);
        emit stopClicked();
    });
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(details_, 1);
    layout->addWidget(stop_);
    hide();
}

void TransferStatus::ApplyLanguage()
{
    stop_->setText(texts_.GetString(kStopText));
    stop_->setToolTip(texts_.GetString(kStopText) + QStringLiteral(" (Esc)"));
}

void TransferStatus::beginCommand()
{
    if (running_)
        return;
    running_ = true;
    stop_->setEnabled(true);
    details_->clear();
    show();
}

void TransferStatus::beginFile(int number, int count)
{
    fileNumber_ = number;
    fileCount_ = count;
    meter_.start(-1);
    lastShown_.invalidate();
    beginCommand();
    showFigures();
}

void TransferStatus::progress(qint64 done, qint64 total)
{
    if (!running_)
        return;
    meter_.update(done, total);
    if (!lastShown_.isValid() || lastShown_.elapsed() >= kShowEveryMillis || done == total)
        showFigures();
}

void TransferStatus::finish()
{
    running_ = false;
    details_->setFullText(QString());
    hide();
    emit figuresShown();
}

QString TransferStatus::detailsText() const
{
    return details_->fullText();
}

void TransferStatus::showFigures()
{
    lastShown_.start();
    details_->setFullText(progressText(meter_, texts_, fileNumber_, fileCount_));
    // The exact count for whoever wants it.
    const QLocale locale = interfaceLocale(texts_);
    QString exact = locale.toString(meter_.done());
    if (meter_.total() >= 0)
        exact += QStringLiteral(" / ") + locale.toString(meter_.total());
    details_->setToolTip(details_->fullText() + QLatin1Char('\n') + exact + QStringLiteral(" B"));
    emit figuresShown();
}
