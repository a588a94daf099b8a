// HEIF photos, HEIC above all, as iPhones save them: Qt has no reader for them
// on Linux, so they are decoded with libheif. The primary image, with the
// turn and mirror that the file asks for applied, as RGB888.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

class HeifReader
{
public:
    // Unsupported: HEIF, but in a coding that the installed libheif cannot decode.
    enum class Error { None, Unsupported, TooLarge, Damaged };

    struct Result
    {
        QImage image; // RGB888, upright; null on failure
        Error error = Error::None;
        QSize size; // the image's size as the file gives it, once known
    };

    // Whether a file that begins with these bytes is HEIF: its first box,
    // "ftyp", names a HEIF brand (mif1, heic...) as its major brand or among
    // its compatible ones. Another ISO media file, an MP4 video say, is not.
    static constexpr int HeadSize = 256;
    static bool isHeif(const QByteArray &head);

    // Decodes the file's bytes; refuses an image of more than maxPixels
    // before it is decoded.
    static Result read(const QByteArray &data, qint64 maxPixels);
};
