#pragma once

#include "ExplorerWindow.h"
#include "phone/PhoneLink.h"

// One command at a time: the controls stay disabled from its start to its end.
class ExplorerWindow::CommandScope
{
public:
    explicit CommandScope(ExplorerWindow& window) : window_(window)
    {
        ++window_.commandDepth_;
        window_.link_->beginBusy();
    }
    ~CommandScope()
    {
        window_.link_->endBusy();
        --window_.commandDepth_;
    }
    CommandScope(const CommandScope&) = delete;
    CommandScope& operator=(const CommandScope&) = delete;

private:
    ExplorerWindow& window_;
};
