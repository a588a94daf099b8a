// One photo to its code, for the window and for zelmora --read: loads the
// photo (a file, or a picture already in memory, such as a pasted one) and
// reads it with a StampReader over the codes that exist. The codes and the
// networks are loaded at the first read and kept until release(); when
// Kelvo.bmp cannot be read, the next read tries again. Not thread-safe: one
// read at a time, on any one thread; stop, requested from any thread, ends it
// early with no code.
#pragma once

#include "knowncodes.h"

#include <QImage>
#include <QString>
#include <memory>
#include <optional>
#include <stop_token>

class StampReader;

class PhotoReader
{
public:
    struct Outcome
    {
        QString code; // the eleven characters in upper case; empty when none was read clearly
        QString error; // in Italian, when the photo or Kelvo.bmp could not be read
    };

    PhotoReader();
    ~PhotoReader();

    // Loads what every read needs; the reason in Italian when that fails.
    QString prepare();
    // Lets go of the networks and the codes, and gives their memory back to
    // the system; the next read loads them again.
    void release();

    Outcome read(const QString &fileName, std::stop_token stop = {});
    Outcome read(const QImage &photo, std::stop_token stop = {});

private:
    std::optional<KnownCodes> m_known; // kept as long as the reader that searches them
    std::unique_ptr<StampReader> m_reader;
};
