#include "SideWindows.h"

#include "LineLogWindow.h"
#include "dialogs/AboutBox.h"
#include "dialogs/RepairsDialog.h"
#include "phone/PhoneLink.h"

SideWindows::SideWindows(PhoneLink& link, const LanguageTable& texts, QWidget& window)
    : link_(link), texts_(texts), window_(window)
{}

void SideWindows::AboutCommand()
{
    AboutBox about(texts_, &window_);
    about.exec();
}

void SideWindows::LineLogCommand()
{
    if (!lineLog_)
        lineLog_ = new LineLogWindow(link_, texts_, &window_);
    lineLog_->show();
    lineLog_->raise();
    lineLog_->activateWindow();
}

void SideWindows::RepairsCommand()
{
    RepairsDialog dialog(link_.journal(), texts_, &window_);
    dialog.exec();
}

void SideWindows::ApplyLanguage()
{
    if (lineLog_)
        lineLog_->ApplyLanguage();
}
