#pragma once

#include "phone/TransferMeter.h"

#include <QElapsedTimer>
#include <QWidget>

class LanguageTable;
class ElidedLabel;
class QToolButton;

// The status bar's part for a running transfer: bytes done of the total,
// speed, time left, which file of how many, and the Stop button.
class TransferStatus : public QWidget
{
    Q_OBJECT
public:
    explicit TransferStatus(const LanguageTable& texts, QWidget* parent = nullptr);

    void ApplyLanguage();
    // A transfer command begins: Stop is offered before the first file moves.
    void beginCommand();
    // A command begins moving file `number` of `count`.
    void beginFile(int number, int count);
    void progress(qint64 done, qint64 total);
    // The command is over: hidden until the next one.
    void finish();
    bool isRunning() const { return running_; }
    int fileNumber() const { return fileNumber_; }
    int fileCount() const { return fileCount_; }
    QString detailsText() const;
    // The width of the shortest wording of the figures, with the Stop button.
    int leastWidth() const;

signals:
    void stopClicked();
    // The figures changed, and with them the width they want.
    void figuresShown();

private:
    void showFigures();
    // The figures from the fullest wording to the bytes alone.
    QStringList figureWordings() const;

    const LanguageTable& texts_;
    ElidedLabel* details_ = nullptr;
    QToolButton* stop_ = nullptr;
    TransferMeter meter_;
    QElapsedTimer lastShown_;
    int fileNumber_ = 0;
    int fileCount_ = 0;
    bool running_ = false;
};
