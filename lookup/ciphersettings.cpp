#include "ciphersettings.h"

#include <sqlite3.h>

// The SQLCipher 3 format (AES-256 in CBC mode, its only cipher), with every
// setting spelled out so that SQLCipher 4, whose defaults differ, reads and
// writes the same file. SQLCipher 3 ignores the two algorithm pragmas, which
// name its own fixed choices. The passphrase ships inside the program, so
// neither key stretching nor page authentication protects anything: anyone
// can derive the key and re-sign a page. Stretching is kept to one PBKDF2
// round (the default 64,000 cost tens of milliseconds on each of the three
// opens of a search) and the per-page HMAC is off; a damaged page still fails
// SQLite's own checks. Without the HMAC, the settings of its key and salt do
// not reach the file, and SQLCipher 4 calls them deprecated: they are not sent.
const char *const CipherSettings::Pragmas = "PRAGMA cipher_kdf_algorithm = PBKDF2_HMAC_SHA1;\n"
                                            "PRAGMA kdf_iter = 1;\n"
                                            "PRAGMA cipher_page_size = 1024;\n"
                                            "PRAGMA cipher_use_hmac = OFF;\n"
                                            "PRAGMA cipher_hmac_algorithm = HMAC_SHA1;\n";

int CipherSettings::apply(sqlite3 *db, const QByteArray &passphrase)
{
    // No passphrase, no cipher: the file is read as plain SQLite.
    if (passphrase.isEmpty())
        return SQLITE_OK;
    const int rc = sqlite3_key(db, passphrase.constData(), int(passphrase.size()));
    if (rc != SQLITE_OK)
        return rc;
    return sqlite3_exec(db, Pragmas, nullptr, nullptr, nullptr);
}
