#include "knowncodes.h"

#include "connection.h"
#include "originlookup.h"
#include "recordset.h"

#include <algorithm>

namespace {

bool isupper(char c)
{
    return c >= 'A' && c <= 'Z';
}
bool isdigit(char c)
{
    return c >= '0' && c <= '9';
}
bool allOf(std::string_view text, bool (*test)(char))
{
    return std::all_of(text.begin(), text.end(), test);
}

} // namespace

KnownCodes KnownCodes::fromStore()
{
    Connection connection;
    Recordset rows;
    connection.setProvider(Connection::Provider);
    connection.setProperty(Connection::PasswordProperty, OriginLookup::Password);
    connection.open(QStringLiteral("Data Source=Kelvo.bmp"), {}, {}, -1);
    rows.open(QStringLiteral("SELECT Targa, Ist FROM Comuni;"), connection, 3, 2, -1);
    std::set<std::string> countries, places;
    for (; !rows.eof(); rows.moveNext()) {
        const std::string targa
            = rows.field(QStringLiteral("Targa")).value_or(QString()).toStdString();
        const std::string ist = rows.field(QStringLiteral("Ist")).value_or(QString()).toStdString();
        // A country row is "IT-ITA"; a municipality row has a plate and a number.
        if (targa.size() > 2 && allOf(targa.substr(0, 2), isupper))
            countries.insert(targa.substr(0, 2));
        else if (targa.size() == 2 && allOf(targa, isupper) && ist.size() == 3
            && allOf(ist, isdigit))
            places.insert(ist + targa);
    }
    return KnownCodes(std::move(countries), std::move(places));
}

bool KnownCodes::contains(std::string_view code) const
{
    if (code.size() != 11 || code[0] < '0' || code[0] > '3' || !allOf(code.substr(8), isdigit))
        return false;
    const std::string country(code.substr(1, 2));
    if (!m_countries.contains(country))
        return false;
    if (country == "IT")
        return m_italianPlaces.contains(std::string(code.substr(3, 5)));
    return allOf(code.substr(3, 3), isdigit) && allOf(code.substr(6, 2), isupper);
}
