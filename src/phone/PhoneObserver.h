#pragma once

#include <QString>

// How the phone link reports; it never touches a widget. Panels: 1 operation
// and error texts, 2 battery charge, 3 transfer percentage.
class PhoneObserver
{
public:
    virtual ~PhoneObserver() = default;

    virtual void statusText(int panel, const QString& text) { (void)panel, (void)text; }
    // True while the link works with the phone; the window disables its controls.
    virtual void busyChanged(bool busy) { (void)busy; }
    // The file's own bytes moved so far, of `total` (negative: not announced).
    virtual void transferProgress(qint64 done, qint64 total) { (void)done, (void)total; }
    // 1 to 6; 0 hides the battery picture.
    virtual void batteryLevel(int level) { (void)level; }
    // A message the user must acknowledge (the window shows a message box).
    virtual void message(const QString& text) { (void)text; }
    // The line went away (the port is closed now); the status already says so.
    virtual void lineLost() {}
};
