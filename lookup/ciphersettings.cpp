#include "ciphersettings.h"

#include <sqlite3.h>

// SQLCipher 3 settings (its one cipher is AES-256 in CBC mode), all spelled
// out so that a later SQLCipher with other defaults still opens the file.
// The passphrase ships inside the program, so neither key stretching nor page
// authentication protects anything: anyone can derive the key and re-sign a
// page. Stretching is kept to one PBKDF2 round (the default 64,000 cost tens
// of milliseconds on each of the three opens of a search) and the per-page
// HMAC is off; a damaged page still fails SQLite's own checks.
const char *const CipherSettings::Pragmas = "PRAGMA kdf_iter = 1;\n"
                                            "PRAGMA fast_kdf_iter = 2;\n"
                                            "PRAGMA cipher_page_size = 1024;\n"
                                            "PRAGMA cipher_use_hmac = OFF;\n"
                                            "PRAGMA cipher_hmac_pgno = le;\n"
                                            "PRAGMA cipher_hmac_salt_mask = \"x'3a'\";\n";

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
