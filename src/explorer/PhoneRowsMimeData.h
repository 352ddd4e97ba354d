#pragma once

#include <QList>
#include <QMimeData>
#include <QUrl>

#include <functional>
#include <optional>

// The drag of phone rows. Inside the program it names the selected rows; a
// file manager on the desktop asks for the files' URLs when the rows are
// dropped on it, and only then are the files downloaded into the working
// folder (once) and handed over.
class PhoneRowsMimeData : public QMimeData
{
    Q_OBJECT
public:
    explicit PhoneRowsMimeData(std::function<QList<QUrl>()> deliver);

    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    std::function<QList<QUrl>()> deliver_;
    mutable std::optional<QList<QUrl>> delivered_;
    mutable bool delivering_ = false;
};
