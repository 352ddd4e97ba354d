#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class PhoneReport;

// Says in the status when bringing the line back in step lasts, and puts
// back what the status said before once it is over.
class SettleNotice : public QObject
{
    Q_OBJECT
public:
    explicit SettleNotice(PhoneReport& report, QObject* parent = nullptr);

    void start(std::function<QString()> text);
    void end(bool inStep);

private:
    static constexpr int kNoticeMillis = 1000;

    PhoneReport& report_;
    QTimer timer_;
    QString before_;
    std::function<QString()> text_;
    bool shown_ = false;
};
