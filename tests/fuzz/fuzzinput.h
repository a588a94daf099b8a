// Fuzz input as text: every two bytes are one UTF-16 unit (little-endian), so
// the fuzzers reach surrogates, NUL and any other unit.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

inline QString FuzzText(const uint8_t *data, size_t size)
{
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    for (size_t i = 0; i + 1 < size; i += 2)
        text[qsizetype(i / 2)] = QChar(char16_t(data[i] | data[i + 1] << 8));
    return text;
}
