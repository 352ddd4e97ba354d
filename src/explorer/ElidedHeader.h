#pragma once

#include <QHeaderView>

// A column header whose titles end in "…" where the column is too narrow for
// them, room left for the sort arrow; the model's tooltip tells the whole title.
class ElidedHeader : public QHeaderView
{
    Q_OBJECT
public:
    explicit ElidedHeader(QWidget* parent = nullptr);

    // The title as the section shows it.
    QString shownText(int logicalIndex) const;

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override;

private:
    int textRoom(int logicalIndex) const;
};
