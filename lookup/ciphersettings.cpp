#include "ciphersettings.h"

#include <sqlite3.h>

// SQLCipher 3 settings (its one cipher is AES-256 in CBC mode), all spelled
// out so that a later SQLCipher with other defaults still opens the file. Key stretching is kept to
// one PBKDF2 round: the passphrase ships inside the program, so stretching it protects nothing,
// while the default 64,000 rounds cost tens of milliseconds on every one of
// the three opens of a search.
const char *const CipherSettings::Pragmas = "PRAGMA kdf_iter = 1;\n"
                                            "PRAGMA fast_kdf_iter = 2;\n"
                                            "PRAGMA cipher_page_size = 4096;\n"
                                            "PRAGMA cipher_use_hmac = ON;\n"
                                            "PRAGMA cipher_hmac_pgno = le;\n"
                                            "PRAGMA cipher_hmac_salt_mask = \"x'3a'\";\n";

int CipherSettings::apply(sqlite3 *db, const QByteArray &passphrase)
{
    const int rc = sqlite3_key(db, passphrase.constData(), int(passphrase.size()));
    if (rc != SQLITE_OK)
        return rc;
    return sqlite3_exec(db, Pragmas, nullptr, nullptr, nullptr);
}
