#pragma once

#include "support/LocalFiles.h"

#include <QtWidgets>

// A drag event as a file manager delivers it between folders of one disk:
// copy or move allowed, move proposed (and honoured by deleting the originals).
template <typename Event> struct ProposingMove : Event
{
    ProposingMove(const QPoint& at, QMimeData* data)
        : Event(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier)
    {
        this->m_defaultAction = Qt::MoveAction;
        this->m_dropAction = Qt::MoveAction;
    }
};

// Delivers a drop of file URLs and plain text; returns the action the target accepted.
// The drop owns its data, as a real drag's does.
inline Qt::DropAction dropOnto(QWidget* target, QMimeData* data)
{
    const std::unique_ptr<QMimeData> owned(data);
    const QPoint centre = target->rect().center();
    ProposingMove<QDragEnterEvent> enter(centre, data);
    QCoreApplication::sendEvent(target, &enter);
    ProposingMove<QDropEvent> drop(centre, data);
    QCoreApplication::sendEvent(target, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

inline QMimeData* fileDrop(const QStringList& paths)
{
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    data->setText(paths.join(QLatin1Char('\n')));
    return data;
}
