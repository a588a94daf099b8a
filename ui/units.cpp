#include "units.h"

#include <QtMath>

int Units::pixels(int twips)
{
    return qRound(double(twips) / TwipsPerPixel);
}

int Units::twips(int pixels)
{
    return pixels * TwipsPerPixel;
}

QRect Units::rect(int left, int top, int width, int height)
{
    return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
}

QColor Units::color(int value)
{
    return QColor(value & 0xff, (value >> 8) & 0xff, (value >> 16) & 0xff);
}

QColor Units::rgb(int red, int green, int blue)
{
    return QColor(red, green, blue);
}
