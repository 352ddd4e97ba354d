#pragma once

#include "settings/SizeText.h"

#include <QFileSystemModel>
#include <QStringList>

class LanguageTable;

// The local folder view's model: column titles, sizes and dates in the
// interface language rather than in the system's.
class LocalFolderModel : public QFileSystemModel
{
    Q_OBJECT
public:
    enum Column
    {
        NameColumn = 0,
        SizeColumn = 1,
        TypeColumn = 2,
        ModifiedColumn = 3
    };

    explicit LocalFolderModel(QObject* parent = nullptr);

    void ApplyLanguage(const LanguageTable& texts);

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QStringList titles_;
    SizeUnits units_;
};
