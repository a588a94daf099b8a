// The origin lookup on the shipped Kelvo.bmp, side by side with the same three
// lookups, each with its own open, on an unencrypted copy of the table.
// Run from the folder that holds Kelvo.bmp (build/bin).
#include "benchclock.h"
#include "ciphersettings.h"
#include "eggcode.h"
#include "originlookup.h"
#include "resultlabels.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <sqlite3.h>

namespace {

class Labels : public ResultLabels
{
public:
    std::array<QString, 4> captions;
    QString caption(int label) const override { return captions.at(label - 1); }
    void setCaption(int label, const QString &caption) override
    {
        captions.at(label - 1) = caption;
    }
    void setTextColor(int, int) override { }
};

// The three lookups on a plain SQLite file, in the same order and with the
// same opens and queries as the origin lookup.
class PlainLookup
{
public:
    explicit PlainLookup(QByteArray path) : m_path(std::move(path)) { }

    QString run(const EggCode &code) const
    {
        QString found;
        withRows("SELECT * FROM Comuni;", {}, [&](sqlite3_stmt *s) {
            while (sqlite3_step(s) == SQLITE_ROW) {
                const QString targa = text(s, 0);
                if (targa.size() > 2 && QStringView(targa).first(2) == code.countryCode) {
                    found += text(s, 2);
                    break;
                }
            }
        });
        withRows("SELECT * FROM Comuni WHERE Targa = ? AND Ist = ?;",
            {code.provinceCode, code.municipalityCode}, [&](sqlite3_stmt *s) {
                if (sqlite3_step(s) == SQLITE_ROW)
                    found += text(s, 2);
            });
        withRows(
            "SELECT * FROM Comuni WHERE Targa = ?;", {code.provinceCode}, [&](sqlite3_stmt *s) {
                if (sqlite3_step(s) == SQLITE_ROW)
                    found += text(s, 3);
            });
        return found;
    }

private:
    static QString text(sqlite3_stmt *s, int column)
    {
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(s, column)),
            sqlite3_column_bytes(s, column));
    }

    template<typename Body>
    void withRows(const char *sql, const QStringList &parameters, Body body) const
    {
        sqlite3 *db = nullptr;
        sqlite3_open_v2(m_path.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt *s = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
        for (int i = 0; i < parameters.size(); ++i) {
            const QByteArray value = parameters.at(i).toUtf8();
            sqlite3_bind_text(s, i + 1, value.constData(), int(value.size()), SQLITE_TRANSIENT);
        }
        body(s);
        sqlite3_finalize(s);
        sqlite3_close(db);
    }

    QByteArray m_path;
};

QByteArray plainCopy(const QTemporaryDir &dir)
{
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("plain.db")));
    const QString copy = dir.filePath(QStringLiteral("copy.bmp"));
    QFile::copy(QStringLiteral("Kelvo.bmp"), copy);
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(copy).constData(), &db);
    CipherSettings::apply(db, OriginLookup::Password.toUtf8());
    const QByteArray sql = "ATTACH DATABASE '" + path
        + "' AS plain KEY '';"
          "SELECT sqlcipher_export('plain');"
          "DETACH DATABASE plain;";
    char *error = nullptr;
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error) != SQLITE_OK)
        qFatal("cannot make the plain copy: %s", error);
    sqlite3_close(db);
    return path;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (!QFile::exists(QStringLiteral("Kelvo.bmp")))
        qFatal("run from the folder that holds Kelvo.bmp");
    QTemporaryDir dir;
    const PlainLookup plain(plainCopy(dir));
    constexpr int Runs = 300;

    const struct
    {
        const char *name;
        const char *code;
    } cases[] = {{"valid Italian code 1IT015VR001", "1IT015VR001"},
        {"unknown country 1XX015VR001 (whole table scanned)", "1XX015VR001"}};
    for (const auto &c : cases) {
        const EggCode code = *DecodeEggCode(QString::fromLatin1(c.code));
        const double encrypted = BenchClock::medianMs(Runs, [&] {
            Labels labels;
            OriginLookup::run(code, labels);
        });
        const double unencrypted = BenchClock::medianMs(Runs, [&] { plain.run(code); });
        std::printf("%s\n", c.name);
        BenchClock::report("  origin lookup on Kelvo.bmp, median", encrypted);
        BenchClock::report("  same lookups on an unencrypted copy, median", unencrypted);
        std::printf("  ratio %.2f\n", encrypted / unencrypted);
    }
    return 0;
}
