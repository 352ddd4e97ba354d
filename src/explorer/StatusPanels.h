#pragma once

#include <QObject>
#include <QString>

class ElidedLabel;
class LanguageTable;
class QLabel;
class QProgressBar;
class QStatusBar;
class QWidget;
class TransferStatus;

// The window's status bar: the operation text (panel 1), the battery (panel 2),
// a running transfer's figures with Stop, and the progress bar with its
// percentage (panel 3). It shares the bar's width out as the window resizes.
class StatusPanels : public QObject
{
    Q_OBJECT
public:
    StatusPanels(QStatusBar& bar, const LanguageTable& texts);

    void ApplyLanguage();
    void setText(int panel, const QString& text);
    QString text(int panel) const;
    // The operation panel's tooltip, for more than its text shows (every reason, every renamed file).
    void setOperationDetails(const QString& details);

    // Which phone is connected: its model, and in the tooltip the rest of what it
    // said of itself and its port. An empty text hides it.
    void showPhone(const QString& text, const QString& details);

    // The charge as a picture, 1 to 6; below 1 it is hidden with its text.
    void showBatteryLevel(int level);
    void showBattery();
    void hideBattery();

    // A transfer command begins: Stop is offered before the first file moves.
    void beginCommand();
    void beginFile(int number, int count);
    void progress(qint64 done, qint64 total);
    // The figures, the bar and the percentage go; Stop with them.
    void endTransfers();
    // The bar and its percentage only: the figures stay for the command's next file.
    void endFile();
    void hideProgressBar();
    bool isTransferRunning() const;
    int fileNumber() const;
    int fileCount() const;

signals:
    void stopClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildBatteryPanel();
    void buildProgressPanel();
    // Shares the bar's width out: texts before the progress bar.
    void fit();

    QStatusBar& bar_;
    QLabel* panels_[3] = {nullptr, nullptr, nullptr};
    ElidedLabel* panel1_ = nullptr;
    QLabel* phone_ = nullptr;
    QWidget* batteryPanel_ = nullptr;
    QLabel* picBattery_ = nullptr;
    QWidget* progressPanel_ = nullptr;
    QProgressBar* pgbMain_ = nullptr;
    TransferStatus* transferStatus_ = nullptr;
};
