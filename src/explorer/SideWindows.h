#pragma once

#include <QPointer>

class LanguageTable;
class LineLogWindow;
class PhoneLink;
class QWidget;

// The windows beside the main one: About, the line log and the pending repairs.
class SideWindows
{
public:
    SideWindows(PhoneLink& link, const LanguageTable& texts, QWidget& window);

    void AboutCommand();
    // View > Line log: shows the line's traffic while its window is open.
    void LineLogCommand();
    // What the repair journal still holds, from the File menu.
    void RepairsCommand();
    void ApplyLanguage();

private:
    PhoneLink& link_;
    const LanguageTable& texts_;
    QWidget& window_;
    QPointer<LineLogWindow> lineLog_;
};
