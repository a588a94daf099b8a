// The codes that exist: the countries that Kelvo.bmp knows, and for Italy its
// (municipality number, plate) pairs. A plain value, loaded once and handed
// to the code search.
#pragma once

#include <set>
#include <string>
#include <string_view>

class KnownCodes
{
public:
    KnownCodes() = default;
    // countries as "IT"; places as number and plate, "015VR".
    KnownCodes(std::set<std::string> countries, std::set<std::string> italianPlaces)
        : m_countries(std::move(countries)), m_italianPlaces(std::move(italianPlaces))
    { }

    // Reads the table Comuni of Kelvo.bmp in the working directory, through the
    // lookup's store and with its settings. Throws StoreError as the window's search does.
    static KnownCodes fromStore();

    const std::set<std::string> &countries() const { return m_countries; }
    const std::set<std::string> &italianPlaces() const { return m_italianPlaces; }

    // Whether an eleven-character code could name an existing place:
    // farming type 0-3, a known country, for Italy a known pair (elsewhere
    // three digits and two letters, as the decoder splits the fields), three farm digits.
    bool contains(std::string_view code) const;

private:
    std::set<std::string> m_countries;
    std::set<std::string> m_italianPlaces;
};
