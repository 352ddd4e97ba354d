#pragma once

#include <QSize>

class LocalPane;
class PhonePane;
class QMainWindow;
class QSplitter;
class SettingsStore;

// Where the panes sit: the phone's tree on the left, its list above the local
// pane on the right, between bars the user moves. The window as the user
// left it: size and place, bars, columns and sort orders, in keys of their
// own beside the settings (a store without them gives the designed layout),
// and a window that fits its screen.
class WindowLayout
{
public:
    // Places the panes as the window's centre.
    WindowLayout(QMainWindow& window, SettingsStore& store, PhonePane& phone, LocalPane& local);

    void save();
    // True the first time, as the window opens; later runs leave it as it is.
    bool restore();
    // The phone list's widths the user set, once its columns exist.
    void restoreFileColumns();
    // Shrinks and moves the window into its screen's free area.
    void fitToScreen();

private:
    QMainWindow& window_;
    SettingsStore& store_;
    QSplitter* columns_ = nullptr;
    QSplitter* rightColumn_ = nullptr;
    PhonePane& phone_;
    LocalPane& local_;
    const QSize designedMinimum_;
    bool restored_ = false;
};
