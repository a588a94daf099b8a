// The producer code printed on an egg: eleven characters, read as
//   1     farming type ("0" organic, "1" free range, "2" barn, "3" cage)
//   2-3   country
//   4-6   municipality within its province
//   7-8   province
//   9-11  farm number (never kept: the farm is not identified)
// Characters after the eleventh are ignored.
#pragma once

#include <QString>
#include <optional>

struct EggCode
{
    QString farmingType; // 1 character
    QString countryCode; // 2 characters
    QString municipalityCode; // 3 characters
    QString provinceCode; // 2 characters

    friend bool operator==(const EggCode &, const EggCode &) = default;
};

// Upper-cases every UTF-16 unit on its own, so the length never changes.
QString NormalizeEggCode(const QString &text);

// The fields of a normalised code, or nothing when the code is refused
// (fewer than 11 characters, or a first character other than "0" to "3").
std::optional<EggCode> DecodeEggCode(const QString &text);

// The Italian name of a farming type; empty for anything but "0" to "3".
QString FarmingTypeName(const QString &farmingType);
