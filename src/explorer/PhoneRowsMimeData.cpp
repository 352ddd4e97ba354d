#include "PhoneRowsMimeData.h"

#include "LocalPane.h"

#include <QPointer>

namespace {
const QString kUriList = QStringLiteral("text/uri-list");
}

PhoneRowsMimeData::PhoneRowsMimeData(std::function<QList<QUrl>()> deliver) : deliver_(std::move(deliver)) {}

QStringList PhoneRowsMimeData::formats() const
{
    return {QLatin1String(kPhoneRowsMimeType), kUriList};
}

bool PhoneRowsMimeData::hasFormat(const QString& mimeType) const
{
    return formats().contains(mimeType);
}

QVariant PhoneRowsMimeData::retrieveData(const QString& mimeType, QMetaType) const
{
    if (mimeType != kUriList)
        return mimeType == QLatin1String(kPhoneRowsMimeType) ? QVariant(QByteArray()) : QVariant();
    // A target asking again while the files still come gets nothing rather
    // than a second download.
    if (!delivered_ && !delivering_) {
        delivering_ = true;
        // The window system may end the drag, and delete this data with it,
        // while the files still come: the download works on its own copies.
        const QPointer<const PhoneRowsMimeData> alive(this);
        const std::function<QList<QUrl>()> deliver = deliver_;
        const QList<QUrl> urls = deliver();
        if (!alive)
            return {};
        delivered_ = urls;
        delivering_ = false;
    }
    if (!delivered_ || delivered_->isEmpty())
        return {};
    QVariantList urls;
    for (const QUrl& url : *delivered_)
        urls << url;
    return urls;
}
