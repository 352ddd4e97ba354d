#include "ExplorerWindow.h"
#include "dialogs/RepairsDialog.h"
#include "phone/PhoneLink.h"

void ExplorerWindow::RepairsCommand()
{
    RepairsDialog dialog(link_->journal(), texts_, this);
    dialog.exec();
}
