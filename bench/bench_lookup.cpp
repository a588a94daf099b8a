// The origin lookup on the shipped Kelvo.bmp, side by side with the same three
// lookups, each with its own open, on an unencrypted copy of the table.
// Run from the folder that holds Kelvo.bmp (build/bin).
#include "benchclock.h"
#include "ciphersettings.h"
#include "connection.h"
#include "eggcode.h"
#include "originlookup.h"
#include "recordset.h"
#include "resultlabels.h"

#include <QCoreApplication>
#include <QDir>
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

// The origin lookup's three lookups, through the same store layer and with
// the same opens and queries, on a plain SQLite file: what is left between
// the two figures is the encryption.
class PlainLookup
{
public:
    void run(const EggCode &code, Labels &labels) const
    {
        Connection connection;
        Recordset rows;
        open(connection);
        rows.open(QStringLiteral("SELECT * FROM Comuni;"), connection, 3, 2, -1);
        for (; !rows.eof(); rows.moveNext()) {
            const std::optional<QString> targa = rows.field(QStringLiteral("Targa"));
            if (targa && targa->size() > 2 && QStringView(*targa).first(2) == code.countryCode) {
                labels.setCaption(2, rows.field(QStringLiteral("Zona")).value_or(QString()));
                break;
            }
        }
        connection.close();
        open(connection);
        rows.open(QStringLiteral("SELECT * FROM Comuni WHERE Targa = ? AND Ist = ?;"), connection,
            3, 2, -1, {code.provinceCode, code.municipalityCode});
        if (!rows.eof())
            labels.setCaption(3, rows.field(QStringLiteral("Zona")).value_or(QString()));
        connection.close();
        open(connection);
        rows.open(QStringLiteral("SELECT * FROM Comuni WHERE Targa = ?;"), connection, 3, 2, -1,
            {code.provinceCode});
        if (!rows.eof())
            labels.setCaption(4, rows.field(QStringLiteral("Citta")).value_or(QString()));
    }

private:
    static void open(Connection &connection)
    {
        // No password: SQLCipher then reads the file as plain SQLite.
        connection.setProvider(Connection::Provider);
        connection.setProperty(Connection::PasswordProperty, QString());
        connection.open(QStringLiteral("Data Source=plain.db"), {}, {}, -1);
    }
};

// Makes plain.db, an unencrypted copy of Kelvo.bmp, in dir.
void plainCopy(const QTemporaryDir &dir)
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
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (!QFile::exists(QStringLiteral("Kelvo.bmp")))
        qFatal("run from the folder that holds Kelvo.bmp");
    QTemporaryDir dir;
    plainCopy(dir);
    const PlainLookup plain;
    const QString binDir = QDir::currentPath();
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
            QDir::setCurrent(binDir);
            OriginLookup::run(code, labels);
        });
        const double unencrypted = BenchClock::medianMs(Runs, [&] {
            Labels labels;
            QDir::setCurrent(dir.path());
            plain.run(code, labels);
            QDir::setCurrent(binDir);
        });
        std::printf("%s\n", c.name);
        BenchClock::report("  origin lookup on Kelvo.bmp, median", encrypted);
        BenchClock::report("  same lookups on an unencrypted copy, median", unencrypted);
        std::printf("  ratio %.2f\n", encrypted / unencrypted);
    }
    return 0;
}
