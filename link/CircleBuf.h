#pragma once

#include <QString>

#include <deque>

// The console's command history: at most ten entries, newest first. Up and Down
// give the entry at the current index first and move afterwards, wrapping round.
struct Circle_buf {
    static constexpr size_t kCapacity = 10;

    unsigned index = 0;
    const QString empty;
    std::deque<QString> items;

    void Add(const QString& text);
    QString Older();
    QString Newer();
};
