#include "BusyControls.h"

#include <QWidget>

BusyControls::BusyControls(QWidget& window, QList<QWidget*> controls)
    : window_(window), controls_(std::move(controls))
{}

void BusyControls::setBusy(bool busy)
{
    if (busy) {
        // Disabling would pass the keyboard focus on (into the address box, with
        // its text selected, ready for the next Delete key), and so would the
        // window system activating the window meanwhile. The window itself holds
        // the focus until the phone is done, then it returns where it was. The
        // window's own focus child counts even while another window is active.
        focusBeforeBusy_ = window_.focusWidget();
        for (QWidget* control : controls_) {
            if (focusBeforeBusy_ && (focusBeforeBusy_ == control || control->isAncestorOf(focusBeforeBusy_)))
                window_.setFocus(Qt::OtherFocusReason);
        }
    }
    // DisableControls / EnableControls, in their order.
    for (QWidget* control : controls_)
        control->setEnabled(!busy);
    if (busy) {
        window_.setCursor(Qt::BusyCursor);
        return;
    }
    window_.unsetCursor();
    QWidget* focus = window_.focusWidget();
    if (focusBeforeBusy_ && focusBeforeBusy_->isEnabled() && (!focus || focus == &window_))
        focusBeforeBusy_->setFocus(Qt::OtherFocusReason);
}
