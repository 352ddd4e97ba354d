#pragma once

#include <QList>
#include <QPointer>

class QWidget;

// The controls a command disables while it waits for the phone, and the
// keyboard focus kept where the user had it meanwhile.
class BusyControls
{
public:
    BusyControls(QWidget& window, QList<QWidget*> controls);

    void setBusy(bool busy);

private:
    QWidget& window_;
    QList<QWidget*> controls_;
    QPointer<QWidget> focusBeforeBusy_;
};
