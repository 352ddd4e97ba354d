#include "ExplorerWindow.h"

ExplorerWindow::ExplorerWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmExplorer"));
    setWindowTitle(QStringLiteral("Vantrel"));
}
