// The origin lookup on the shipped Kelvo.bmp (in the working directory) with
// arbitrary place fields: quotes, SQL, NUL, surrogates, long runs. It must
// never fail, and every name it shows must come from a row whose fields
// match the code exactly.
#include "connection.h"
#include "eggcode.h"
#include "fuzzinput.h"
#include "labelstub.h"
#include "originlookup.h"
#include "recordset.h"
#include "storeerror.h"

#include <QList>
#include <cstdio>
#include <cstdlib>

namespace {

struct Row
{
    QString targa, ist, zona, citta;
};
QList<Row> table;

bool shown(const QString &caption)
{
    return caption != OriginLookup::NotFoundMarker;
}

// What SQLite receives for a bound field: its UTF-8 form.
QString asStored(const QString &field)
{
    return QString::fromUtf8(field.toUtf8());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Connection connection;
    connection.setProvider(Connection::Provider);
    connection.setProperty(Connection::PasswordProperty, OriginLookup::Password);
    connection.open(u"Data Source=Kelvo.bmp"_qs, {}, {}, -1);
    Recordset rows;
    rows.open(u"SELECT * FROM Comuni;"_qs, connection, 3, 2, -1);
    for (; !rows.eof(); rows.moveNext())
        table.append({rows.field(u"Targa"_qs).value_or(QString()),
            rows.field(u"Ist"_qs).value_or(QString()), rows.field(u"Zona"_qs).value_or(QString()),
            rows.field(u"Citta"_qs).value_or(QString())});
    if (table.size() < 1000) {
        std::fprintf(stderr, "run from the folder that holds the shipped Kelvo.bmp\n");
        std::abort();
    }
    return 0;
}

// Fields are separated by U+0001: country, municipality, province.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList fields = FuzzText(data, size).split(QChar(1));
    const EggCode code {u"1"_qs, fields.value(0), fields.value(1), fields.value(2)};

    LabelStub labels;
    labels.captions[0] = u"x"_qs;
    try {
        OriginLookup::run(code, labels);
    } catch (const StoreError &error) {
        std::fprintf(stderr, "lookup failed: %s\n", error.what());
        std::abort();
    }

    const QString country = asStored(code.countryCode),
                  municipality = asStored(code.municipalityCode),
                  province = asStored(code.provinceCode);
    const auto anyRow
        = [](auto matches) { return std::any_of(table.cbegin(), table.cend(), matches); };
    if (shown(labels.captions[1]) && !anyRow([&](const Row &r) {
            return r.targa.size() > 2 && r.targa.first(2) == country
                && r.zona == labels.captions[1];
        }))
        std::abort();
    if (shown(labels.captions[2]) && !anyRow([&](const Row &r) {
            return r.targa == province && r.ist == municipality && r.zona == labels.captions[2];
        }))
        std::abort();
    if (shown(labels.captions[3]) && !anyRow([&](const Row &r) {
            return r.targa == province && r.citta == labels.captions[3];
        }))
        std::abort();
    return 0;
}
