// The program's icon and the two pointers, drawn from the bundled SVG files
// at 32 x 32 logical pixels, sharp at any device pixel ratio.
#pragma once

#include <QCursor>
#include <QIcon>

class Artwork
{
public:
    static QIcon icon();
    static QCursor handPointer(); // hot spot 12, 1: the tip of the index finger
    static QCursor helpPointer(); // hot spot 2, 4: the tip of the arrow
};
