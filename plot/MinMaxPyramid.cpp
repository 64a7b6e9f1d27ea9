#include "plot/MinMaxPyramid.h"

#include <cmath>
#include <limits>

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
