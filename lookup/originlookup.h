// The origin lookup: resolves the country, municipality and province of a
// decoded egg code against the table Comuni of Kelvo.bmp, writes the names it
// finds into the result labels, and marks every label left unfilled (one whose
// caption begins with "-") with the not-found marker in red.
#pragma once

#include <QString>

struct EggCode;
class ResultLabels;

class OriginLookup
{
public:
    static const QString NotFoundMarker;
    static constexpr int NotFoundColor = 255;
    // The password of Kelvo.bmp, which SQLCipher receives as UTF-8 bytes.
    static const QString Password;

    // Opens the store three times, once per lookup. A store failure throws
    // StoreError at the point where it happens: the lookups after it and the
    // marking do not run, and the store is closed again.
    static void run(const EggCode &code, ResultLabels &labels);
};
