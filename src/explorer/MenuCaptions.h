#pragma once

#include "settings/LanguageTable.h"

#include <QAction>
#include <QKeySequence>
#include <QToolBar>

// Shown beside the item, acted on only while its menu is open: the keys
// themselves belong to the tree and the list, not to the address box or the
// local pane.
inline void showKeyInMenu(QAction* action, const QKeySequence& keys)
{
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WidgetShortcut);
}

// A menu's caption with its mnemonic; older language files have none, and
// then the plain caption serves.
inline QString menuCaption(const LanguageTable& texts, int number, int plain)
{
    const QString caption = texts.GetString(number);
    return caption.isEmpty() ? texts.GetString(plain) : caption;
}

// The action and its button answer to the same name.
inline void nameToolButton(QToolBar* bar, QAction* action, const QString& name)
{
    action->setObjectName(name);
    if (QWidget* button = bar->widgetForAction(action))
        button->setObjectName(name);
}
