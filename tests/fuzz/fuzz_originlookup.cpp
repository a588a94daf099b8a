// The origin lookup on the shipped Kelvo.bmp (in the working directory) with
// arbitrary place fields: quotes, SQL, NUL, surrogates, long runs. It must
// never fail (a StoreError ends the run), and every name it shows must come
// from a row whose fields match the code exactly.
#include "connection.h"
#include "eggcode.h"
#include "fuzzinput.h"
#include "recordset.h"
#include "testsupport.h"

#include <cstdlib>

namespace {

// Whether the shipped table has a row for which the query, with these values
// bound, selects anything. Fields go to SQLite as UTF-8, as the lookup's do.
bool anyRow(const char *where, const QStringList &values)
{
    Connection connection;
    connection.setProvider(Connection::Provider);
    connection.setProperty(Connection::PasswordProperty, OriginLookup::Password);
    connection.open(u"Data Source=Kelvo.bmp"_s, {}, {}, -1);
    Recordset rows;
    rows.open(
        u"SELECT * FROM Comuni WHERE "_s + QLatin1StringView(where), connection, 3, 2, -1, values);
    return !rows.eof();
}

} // namespace

// Fields are separated by U+0001: country, municipality, province.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList fields = FuzzText(data, size).split(QChar(1));
    const EggCode code {u"1"_s, fields.value(0), fields.value(1), fields.value(2)};
    LabelStub labels;
    labels.captions[0] = u"x"_s;
    OriginLookup::run(code, labels);
    const auto shown = [&](int i) { return labels.captions[i] != OriginLookup::NotFoundMarker; };
    if ((shown(1)
            && !anyRow("length(Targa) > 2 AND substr(Targa, 1, 2) = ? AND Zona = ?",
                {code.countryCode, labels.captions[1]}))
        || (shown(2)
            && !anyRow("Targa = ? AND Ist = ? AND Zona = ?",
                {code.provinceCode, code.municipalityCode, labels.captions[2]}))
        || (shown(3)
            && !anyRow("Targa = ? AND Citta = ?", {code.provinceCode, labels.captions[3]})))
        std::abort();
    return 0;
}
