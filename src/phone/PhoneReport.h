#pragma once

#include <QString>

#include <functional>

class LanguageTable;
class PhoneObserver;

// What the link says: the status panels, progress, names as shown.
class PhoneReport
{
public:
    PhoneReport(const LanguageTable& texts, PhoneObserver& observer) : texts_(texts), observer_(observer) {}

    QString text(int number) const;
    const LanguageTable& texts() const { return texts_; }
    PhoneObserver& observer() const { return observer_; }
    // Panels: 1 operation and error texts, 2 battery charge, 3 transfer percentage.
    void setStatus(int panel, const QString& text);
    const QString& operationText() const { return panel1_; }
    void setNameForm(std::function<QString(const QString&)> form) { nameForm_ = std::move(form); }
    QString shownName(const QString& name) const;
    void progress(qint64 done, qint64 total);
    // The port as the user named it, for texts about the line.
    void setPortLabel(const QString& label) { portLabel_ = label; }
    const QString& portLabel() const { return portLabel_; }
    // True once the last download, slice or battery query has succeeded.
    void setCommandDone(bool done) { commandDone_ = done; }
    bool commandDone() const { return commandDone_; }
    // Why the last download's file could not be written; empty when it could.
    void setLocalWriteError(const QString& reason) { localWriteError_ = reason; }
    const QString& localWriteError() const { return localWriteError_; }

private:
    const LanguageTable& texts_;
    PhoneObserver& observer_;
    QString panel1_;
    QString panel3_;
    std::function<QString(const QString&)> nameForm_;
    QString portLabel_;
    bool commandDone_ = false;
    QString localWriteError_;
};
