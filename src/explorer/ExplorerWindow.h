#pragma once

#include <QMainWindow>

class ExplorerWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit ExplorerWindow(QWidget* parent = nullptr);
};
