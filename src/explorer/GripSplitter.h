#pragma once

#include <QSplitter>

// A splitter whose bars can be seen and grabbed: wide enough for the mouse,
// with a grip drawn in their middle (the plain style paints nothing there).
class GripSplitter : public QSplitter
{
    Q_OBJECT
public:
    explicit GripSplitter(Qt::Orientation orientation, QWidget* parent = nullptr);

protected:
    QSplitterHandle* createHandle() override;
};
