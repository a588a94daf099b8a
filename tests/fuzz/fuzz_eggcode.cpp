// The decoder on any UTF-16 text: upper-casing keeps the length and is
// idempotent; a code is accepted exactly when it has at least 11 units and
// begins with "0" to "3", and its fields are cut from the upper-cased text.
#include "eggcode.h"
#include "fuzzinput.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = FuzzText(data, size);
    const QString normalized = NormalizeEggCode(text);
    if (normalized.size() != text.size() || NormalizeEggCode(normalized) != normalized)
        std::abort();

    const std::optional<EggCode> code = DecodeEggCode(text);
    const bool acceptable
        = normalized.size() >= 11 && normalized.at(0) >= u'0' && normalized.at(0) <= u'3';
    if (code.has_value() != acceptable)
        std::abort();
    if (code) {
        const EggCode expected {
            normalized.mid(0, 1), normalized.mid(1, 2), normalized.mid(3, 3), normalized.mid(6, 2)};
        if (!(*code == expected) || FarmingTypeName(code->farmingType).isEmpty())
            std::abort();
    }
    return 0;
}
