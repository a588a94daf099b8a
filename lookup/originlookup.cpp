#include "originlookup.h"

#include "connection.h"
#include "eggcode.h"
#include "recordset.h"
#include "resultlabels.h"

#include <iterator>

namespace {
constexpr char16_t PasswordText[] = u"µ#Q§w7~ÞL=k¬3ð+Rx¹mÆ";
static_assert(std::size(PasswordText) - 1 == 20, "the database password has 20 characters");
} // namespace

const QString OriginLookup::NotFoundMarker = QStringLiteral("?????????????????????");
const QString OriginLookup::Password = QString::fromUtf16(PasswordText);

namespace {
const QString ConnectionText = QStringLiteral("Data Source=Kelvo.bmp");

// Place fields are bound as parameters, never spliced into the text, so a
// code holding quotes or SQL finds nothing instead of breaking the query.
const QString CountryQuery = QStringLiteral("SELECT * FROM Comuni;");
const QString MunicipalityQuery
    = QStringLiteral("SELECT * FROM Comuni WHERE Targa = ? AND Ist = ?;");
const QString ProvinceQuery = QStringLiteral("SELECT * FROM Comuni WHERE Targa = ?;");

constexpr int Static = 3;
constexpr int Pessimistic = 2;
constexpr int Unspecified = -1;

enum Label { FarmingType = 1, Country, Municipality, Province };

void openStore(Connection &connection)
{
    connection.setProvider(Connection::Provider);
    connection.setProperty(Connection::PasswordProperty, OriginLookup::Password);
    connection.open(ConnectionText, QString(), QString(), Unspecified);
}

// A country row has a Targa longer than two characters that begins with the
// country code; the first such row in the table's order wins.
void lookUpCountry(Recordset &rows, const QString &countryCode, ResultLabels &labels)
{
    while (!rows.eof()) {
        const std::optional<QString> targa = rows.field(QStringLiteral("Targa"));
        if (targa && targa->size() > 2 && QStringView(*targa).first(2) == countryCode) {
            // A row without a name leaves the label unfilled, so it gets marked.
            if (const std::optional<QString> name = rows.field(QStringLiteral("Zona")))
                labels.setCaption(Country, *name);
            return;
        }
        rows.moveNext();
    }
}

// Only the first row counts, and only a name that is neither null nor empty.
void takeFirstName(const Recordset &rows, const QString &column, int label, ResultLabels &labels)
{
    if (rows.eof())
        return;
    const std::optional<QString> name = rows.field(column);
    if (name && !name->isEmpty())
        labels.setCaption(label, *name);
}

} // namespace

void OriginLookup::run(const EggCode &code, ResultLabels &labels)
{
    // Declared in this order so that the record set is released first.
    Connection connection;
    Recordset rows;

    openStore(connection);
    rows.open(CountryQuery, connection, Static, Pessimistic, Unspecified);
    lookUpCountry(rows, code.countryCode, labels);

    connection.close();
    openStore(connection);
    rows.open(MunicipalityQuery, connection, Static, Pessimistic, Unspecified,
        {code.provinceCode, code.municipalityCode});
    takeFirstName(rows, QStringLiteral("Zona"), Municipality, labels);

    connection.close();
    openStore(connection);
    rows.open(ProvinceQuery, connection, Static, Pessimistic, Unspecified, {code.provinceCode});
    takeFirstName(rows, QStringLiteral("Citta"), Province, labels);

    for (int label = FarmingType; label <= Province; ++label) {
        if (labels.caption(label).startsWith(u'-')) {
            labels.setCaption(label, NotFoundMarker);
            labels.setTextColor(label, NotFoundColor);
        }
    }
}
