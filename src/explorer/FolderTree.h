#pragma once

#include <QTreeWidget>

// The phone's folder tree. It tells when a key moved the current folder, so
// that the window lists the folder the user reached, as a click does.
class FolderTree : public QTreeWidget
{
    Q_OBJECT
public:
    using QTreeWidget::QTreeWidget;

signals:
    void folderReachedByKeyboard(QTreeWidgetItem* node);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
