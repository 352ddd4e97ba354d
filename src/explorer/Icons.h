#pragma once

#include <QIcon>
#include <QPixmap>

// Our own pictures, painted at start: no icon theme is guaranteed (offscreen
// and bare X have none). Where the desktop has a themed icon, it is preferred.
namespace Icons {

enum class Command
{
    Refresh,
    Download,
    Delete,
    Settings,
    Java,
    About,
    Up,
    Upload
};

QIcon command(Command which);
// The phone tree's pictures by their number: 2 pictures, 3 ring tones, 4 messages,
// 5 videos, 6 the phone's root, 7 "ml", 8 Java, 9 any other folder, 10 camera.
QIcon treeNode(int index);
// Drive pictures: 1 removable, 2 fixed, 3 network, 4 optical, 5 RAM.
QIcon drive(int index);
// Battery pictures 1 (empty) to 6 (full).
QPixmap battery(int level);
QPixmap dragRows();
QIcon application();

} // namespace Icons
