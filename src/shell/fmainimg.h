#pragma once

#include <QIcon>
#include <QPixmap>

// The pictures of the main image list, drawn by the program itself. For object kinds the index
// is the object-type code (45 table, 46 index ...); the other indexes serve the actions and
// buttons of the main window and the windows that borrow its pictures. An index without a
// picture of its own gets a plain grey badge, so every index gives a usable icon.

// The picture of index at size × size pixels (device pixels).
QPixmap PaintMainImage(int index, int size);
// The icon of index, at 16, 20, 24 and 32 pixels.
QIcon MainImageIcon(int index);
// The indexes that have a picture of their own.
QList<int> MainImageIndexes();
