// The window is designed in twips (1/1440 inch) with colours as single values
// (red in the lowest byte); this is the one place where they become Qt's
// device-independent pixels and QColors. Qt scales pixels for high-dpi screens.
#pragma once

#include <QColor>
#include <QRect>

class Units
{
public:
    static constexpr int TwipsPerPixel = 15; // 1440 per inch at 96 dpi

    static int pixels(int twips);
    static int twips(int pixels);
    static QRect rect(int left, int top, int width, int height);
    static QColor color(int value);
    static QColor rgb(int red, int green, int blue);
};
