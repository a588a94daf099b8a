#include "eggcode.h"

#include <array>

namespace {

constexpr qsizetype CodeLength = 11;

struct FarmingType
{
    QLatin1StringView digit;
    QLatin1StringView name;
};

constexpr std::array<FarmingType, 4> FarmingTypes {{
    {QLatin1StringView("0"), QLatin1StringView("Agricoltura Biologica")},
    {QLatin1StringView("1"), QLatin1StringView("All'Aperto")},
    {QLatin1StringView("2"), QLatin1StringView("A Terra")},
    {QLatin1StringView("3"), QLatin1StringView("In Gabbia (o Batteria)")},
}};

} // namespace

QString NormalizeEggCode(const QString &text)
{
    // QString::toUpper() may grow the text ("ß" becomes "SS") and so shift
    // every field after it; a unit without a single-unit upper case stays.
    QString result = text;
    for (QChar &c : result)
        c = c.toUpper();
    return result;
}

std::optional<EggCode> DecodeEggCode(const QString &text)
{
    const QString t = NormalizeEggCode(text);
    if (t.size() < CodeLength)
        return std::nullopt;

    EggCode code {t.sliced(0, 1), t.sliced(1, 2), t.sliced(3, 3), t.sliced(6, 2)};
    if (FarmingTypeName(code.farmingType).isEmpty())
        return std::nullopt;
    return code;
}

QString FarmingTypeName(const QString &farmingType)
{
    for (const FarmingType &type : FarmingTypes) {
        if (farmingType == type.digit)
            return type.name;
    }
    return {};
}
