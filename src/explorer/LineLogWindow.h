#pragma once

#include "phone/LineLogFormat.h"

#include <QPointer>
#include <QWidget>

class LanguageTable;
class PhoneLink;
class QPlainTextEdit;
class QPushButton;

// Every command and answer on the line as it happens. It watches the link
// only while it is shown, and keeps the newest kKeptLines lines.
class LineLogWindow : public QWidget
{
    Q_OBJECT
public:
    // Each line is short (a text line of at most LineLogFormat::kLongestTextLine
    // bytes, or a count and kHeadBytes in hex), so the log stays below a few MB.
    static constexpr int kKeptLines = 2000;

    LineLogWindow(PhoneLink& link, const LanguageTable& texts, QWidget* parent);
    ~LineLogWindow() override;

    void ApplyLanguage();
    QString text() const;
    // What the link is given while the window is shown.
    LineTrace& trace() { return format_; }
    bool saveTo(const QString& path) const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void clear();
    void copy();
    void save();

    // The window may outlive the link while its owner is taken down.
    QPointer<PhoneLink> link_;
    const LanguageTable& texts_;
    QPlainTextEdit* lines_ = nullptr;
    QPushButton* cmdClear_ = nullptr;
    QPushButton* cmdCopy_ = nullptr;
    QPushButton* cmdSave_ = nullptr;
    LineLogFormat format_;
};
