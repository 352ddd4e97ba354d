#include "LocalFolderModel.h"

#include "settings/LanguageTable.h"

#include <QDateTime>
#include <QFileIconProvider>

namespace {
constexpr int kNameTitle = 135;
constexpr int kSizeTitle = 136;
constexpr int kModifiedTitle = 137;
} // namespace

LocalFolderModel::LocalFolderModel(QObject* parent) : QFileSystemModel(parent)
{
    // The desktop's icon theme where there is one, else the style's own file
    // and folder pictures (the plain provider shows nothing without a theme).
    // It outlives every model: the model's gatherer thread may still ask it.
    static QFileIconProvider provider;
    setIconProvider(&provider);
}

void LocalFolderModel::ApplyLanguage(const LanguageTable& texts)
{
    titles_ = {texts.GetString(kNameTitle), texts.GetString(kSizeTitle), QString(),
               texts.GetString(kModifiedTitle)};
    units_ = sizeUnitsOf(texts);
    emit headerDataChanged(Qt::Horizontal, NameColumn, ModifiedColumn);
}

QVariant LocalFolderModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < titles_.size() &&
        !titles_.at(section).isEmpty())
        return titles_.at(section);
    return QFileSystemModel::headerData(section, orientation, role);
}

QVariant LocalFolderModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return QFileSystemModel::data(index, role);
    switch (index.column()) {
    case SizeColumn:
        if (isDir(index))
            return QString();
        // Written as the phone's list writes them.
        return sizeInUnits(size(index), units_);
    case ModifiedColumn:
        return units_.locale.toString(lastModified(index), QLocale::ShortFormat);
    default:
        return QFileSystemModel::data(index, role);
    }
}
