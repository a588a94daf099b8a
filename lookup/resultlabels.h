#pragma once

#include <QString>

// The four result labels a1 to a4 of the window, as the origin lookup sees
// them. Labels are numbered 1 to 4: 1 farming type, 2 country, 3 municipality,
// 4 province. Colours are single values with red in the lowest byte.
class ResultLabels
{
public:
    virtual ~ResultLabels() = default;
    virtual QString caption(int label) const = 0;
    virtual void setCaption(int label, const QString &caption) = 0;
    virtual void setTextColor(int label, int color) = 0;
};
