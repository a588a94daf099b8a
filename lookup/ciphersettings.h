// How Kelvo.bmp is encrypted. The program and the database builder key every
// handle through here, so the two can never disagree.
#pragma once

#include <QByteArray>

struct sqlite3;

class CipherSettings
{
public:
    // Keys a freshly opened handle and fixes every cipher setting. Call it
    // before the first read or write. An empty passphrase leaves the handle
    // unencrypted. Returns an SQLite result code.
    static int apply(sqlite3 *db, const QByteArray &passphrase);

    // The PRAGMA lines that apply() runs after the key, for documentation
    // and for the sqlcipher shell.
    static const char *const Pragmas;
};
