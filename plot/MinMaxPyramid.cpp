#include "plot/MinMaxPyramid.h"

#include <cmath>
#include <limits>

TMinMaxPyramid::Extremes TMinMaxPyramid::empty()
{
    return {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
}

void TMinMaxPyramid::merge(Extremes& into, double value)
{
    if (!std::isfinite(value))
        return;
    if (value < into.min)
        into.min = value;
    if (value > into.max)
        into.max = value;
}

void TMinMaxPyramid::merge(Extremes& into, const Extremes& block)
{
    if (block.min < into.min)
        into.min = block.min;
    if (block.max > into.max)
        into.max = block.max;
}

void TMinMaxPyramid::clear()
{
    for (auto& level : levels_)
        level = {};
    size_ = 0;
}

void TMinMaxPyramid::append(double value)
{
    const std::size_t index = size_++;
    std::size_t unit = kFanout;
    for (auto& level : levels_) {
        const std::size_t block = index / unit;
        if (block == level.size())
            level.push_back(empty());
        merge(level[block], value);
        unit *= kFanout;
    }
}
