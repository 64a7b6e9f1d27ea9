#pragma once

#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>
#include <vector>

// Smallest and largest value over any index range of a growing sequence, in
// O(log n) instead of a scan. Drawing a month of points into a few hundred
// pixel columns needs the extremes of each column; scanning all the points on
// every redraw would slow the plot down as the record grows.
//
// The sequence itself is not stored here: level 0 is read through the
// accessor given to query(). Levels 1.. hold the extremes of blocks of
// kFanout, kFanout^2, ... values. Values that are not finite are left out.
class TMinMaxPyramid {
public:
    static constexpr std::size_t kFanout = 16;
    static constexpr int kLevels = 6; // blocks up to 16^6 = 16.7 million values

    struct Extremes {
        double min;
        double max;
        bool valid() const { return min <= max; }
    };

    std::size_t size() const { return size_; }
    void clear();
    // Adds the next value of the sequence; O(kLevels).
    void append(double value);
    // Replaces the sequence by valueAt(0) .. valueAt(n - 1), level by level
    // from the values up: a month of points at once costs a few milliseconds,
    // appending them one by one ten times as much (a freeze at the first
    // redraw of a record just opened).
    template <class ValueAt>
    void build(std::size_t n, ValueAt&& valueAt);

    // Extremes of the values [begin, end); not valid() when none is finite.
    template <class ValueAt>
    Extremes query(std::size_t begin, std::size_t end, ValueAt&& valueAt) const;

private:
    static Extremes empty();
    static void merge(Extremes& into, double value);
    static void merge(Extremes& into, const Extremes& block);

    std::vector<Extremes> levels_[kLevels];
    std::size_t size_ = 0;
};

inline TMinMaxPyramid::Extremes TMinMaxPyramid::empty()
{
    return {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
}

inline void TMinMaxPyramid::merge(Extremes& into, double value)
{
    if (!std::isfinite(value))
        return;
    if (value < into.min)
        into.min = value;
    if (value > into.max)
        into.max = value;
}

inline void TMinMaxPyramid::merge(Extremes& into, const Extremes& block)
{
    if (block.min < into.min)
        into.min = block.min;
    if (block.max > into.max)
        into.max = block.max;
}

template <class ValueAt>
void TMinMaxPyramid::build(std::size_t n, ValueAt&& valueAt)
{
    clear();
    size_ = n;
    std::vector<Extremes>& lowest = levels_[0];
    lowest.assign((n + kFanout - 1) / kFanout, empty());
    for (std::size_t i = 0; i < n; ++i)
        merge(lowest[i / kFanout], double(valueAt(i)));
    for (int level = 1; level < kLevels; ++level) {
        const std::vector<Extremes>& below = levels_[level - 1];
        std::vector<Extremes>& here = levels_[level];
        here.assign((below.size() + kFanout - 1) / kFanout, empty());
        for (std::size_t i = 0; i < below.size(); ++i)
            merge(here[i / kFanout], below[i]);
    }
}

template <class ValueAt>
TMinMaxPyramid::Extremes TMinMaxPyramid::query(std::size_t begin, std::size_t end, ValueAt&& valueAt) const
{
    Extremes result = empty();
    if (end > size_)
        end = size_;
    std::size_t unit = 1; // values per entry at the current level
    int level = 0;        // 0 = the values themselves
    auto take = [&](std::size_t index) {
        if (level == 0)
            merge(result, double(valueAt(index)));
        else
            merge(result, levels_[level - 1][index]);
    };
    while (begin < end) {
        const std::size_t up = unit * kFanout;
        if (level < kLevels && end - begin >= up) {
            // Walk the unaligned ends at this level, then go one level up.
            while (begin % up != 0) {
                take(begin / unit);
                begin += unit;
            }
            while (end % up != 0) {
                end -= unit;
                take(end / unit);
            }
            ++level;
            unit = up;
        } else {
            for (; begin < end; begin += unit)
                take(begin / unit);
        }
    }
    return result;
}
