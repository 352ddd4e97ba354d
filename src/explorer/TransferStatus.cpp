#include "TransferStatus.h"

#include "ElidedLabel.h"
#include "phone/PhoneTexts.h"
#include "settings/LanguageTable.h"
#include "settings/SizeText.h"

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
    details_->setFullText(QString());
    show();
    emit figuresShown();
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

int TransferStatus::leastWidth() const
{
    return details_->shortestWidth() + layout()->spacing() + stop_->sizeHint().width();
}

QStringList TransferStatus::figureWordings() const
{
    const SizeUnits units = sizeUnitsOf(texts_);
    const QString of = QLatin1Char(' ') + texts_.GetString(PhoneTexts::Of) + QLatin1Char(' ');
    QString bytes = sizeInUnits(meter_.done(), units);
    if (meter_.total() >= 0)
        bytes += of + sizeInUnits(meter_.total(), units);
    QString files;
    if (fileCount_ > 1)
        files = texts_.GetString(PhoneTexts::File) + QLatin1Char(' ') + units.locale.toString(fileNumber_) +
                of + units.locale.toString(fileCount_) + QStringLiteral(": ");
    QString speed;
    if (const double rate = meter_.bytesPerSecond(); rate > 0)
        speed = QStringLiteral(", ") + speedInUnits(static_cast<qint64>(rate), units);
    QString left;
    if (const qint64 seconds = meter_.secondsLeft(); seconds >= 0 && meter_.done() < meter_.total())
        left = QStringLiteral(", ") + durationText(seconds) + QLatin1Char(' ') +
               texts_.GetString(PhoneTexts::Left);
    // The speed goes first, then the time left, then which file: the bytes stay.
    QStringList wordings{files + bytes + speed + left, files + bytes + left, files + bytes, bytes};
    wordings.removeDuplicates();
    return wordings;
}

void TransferStatus::showFigures()
{
    lastShown_.start();
    details_->setWordings(figureWordings());
    // The exact count for whoever wants it.
    const SizeUnits units = sizeUnitsOf(texts_);
    QString exact = units.locale.toString(meter_.done());
    if (meter_.total() >= 0)
        exact += QStringLiteral(" / ") + units.locale.toString(meter_.total());
    details_->setToolTip(details_->fullText() + QLatin1Char('\n') + exact + QLatin1Char(' ') +
                         units.names[0]);
    emit figuresShown();
}
