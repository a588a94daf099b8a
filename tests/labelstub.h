// The four result labels without a window, for the origin lookup's tests.
#pragma once

#include "resultlabels.h"

#include <array>

class LabelStub : public ResultLabels
{
public:
    static constexpr int Untouched = -1; // colour never set

    std::array<QString, 4> captions {u"-"_qs, u"-"_qs, u"-"_qs, u"-"_qs};
    std::array<int, 4> colors {Untouched, Untouched, Untouched, Untouched};

    QString caption(int label) const override { return captions.at(label - 1); }
    void setCaption(int label, const QString &caption) override { captions.at(label - 1) = caption; }
    void setTextColor(int label, int color) override { colors.at(label - 1) = color; }
};
