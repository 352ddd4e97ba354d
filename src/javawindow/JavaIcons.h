#pragma once

#include <QIcon>

// The manager's own pictures, drawn here as SVG.
namespace JavaIcons {

// Toolbar pictures by their number: 1 open folder, 2 open folder with a spark,
// 3 coloured building blocks, 4 sheet with a red cross, 5 window with a pen.
QIcon toolbar(int index);
// Tree pictures by their number: 1 plain folder, 7 folder holding application
// tiles, 8 application window.
QIcon treeNode(int index);

} // namespace JavaIcons
