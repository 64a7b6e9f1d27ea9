#include "link/CircleBuf.h"

void Circle_buf::Add(const QString& text)
{
    if (items.size() >= kCapacity)
        items.pop_back();
    items.push_front(text);
    index = 0;
}

QString Circle_buf::Older()
{
    if (items.empty())
        return empty;
    if (index >= items.size())
        index = 0;
    const QString taken = items[index];
    index = (index + 1 == items.size()) ? 0 : index + 1;
    return taken;
}

QString Circle_buf::Newer()
{
    if (items.empty())
        return empty;
    if (index >= items.size())
        index = 0;
    const QString taken = items[index];
    index = (index == 0) ? unsigned(items.size() - 1) : index - 1;
    return taken;
}
