// Loads a photo for the reader: JPEG, PNG or WebP through QImageReader, with
// the EXIF orientation applied and an allocation limit; HEIC and other HEIF
// through libheif (HeifReader). A big JPEG is decoded
// at 1/2, 1/4 or 1/8 scale by libjpeg itself. Nothing but a regular file is
// opened: a named pipe would block, a device might never end.
#pragma once

#include <QImage>
#include <QString>

class ImageLoader
{
public:
    // The most pixels a photo may have (48 MP and some room), and what Qt may allocate.
    static constexpr qint64 MaxPixels = 60'000'000;
    static constexpr int AllocationLimitMb = 400;
    // A JPEG is decoded no smaller than this on its long side.
    static constexpr int MinLongSide = 2000;

    struct Result
    {
        QImage image; // RGB888, upright; null on failure
        QString error; // in Italian, naming the file
    };

    static Result load(const QString &fileName);
};
