#include "record/RecordLines.h"

#include <algorithm>

QByteArrayView TRecordLines::lineUtf8(qsizetype index) const
{
    if (index < 0 || index >= count())
        return {};
    const qsizetype begin = starts_[size_t(index)];
    const qsizetype end = index + 1 < count() ? starts_[size_t(index) + 1] : buffer_.size();
    return QByteArrayView(buffer_.constData() + begin, end - begin);
}

void TRecordLines::append(QByteArrayView utf8Line)
{
    starts_.push_back(buffer_.size());
    buffer_.append(utf8Line);
    longest_ = std::max(longest_, utf8Line.size());
}

void TRecordLines::appendToLast(QByteArrayView utf8Text)
{
    if (starts_.empty())
        return;
    buffer_.append(utf8Text);
    longest_ = std::max(longest_, buffer_.size() - starts_.back());
}

void TRecordLines::clear()
{
    buffer_ = QByteArray();
    starts_ = {};
    longest_ = 0;
}

void TRecordLines::assign(QByteArray buffer, std::vector<qsizetype> starts)
{
    buffer_ = std::move(buffer);
    starts_ = std::move(starts);
    longest_ = 0;
    for (qsizetype i = 0; i < count(); ++i)
        longest_ = std::max(longest_, lineUtf8(i).size());
}

QByteArray TRecordLines::joined(QByteArrayView lineEnd, qsizetype first, qsizetype last) const
{
    if (last < 0 || last >= count())
        last = count() - 1;
    QByteArray result;
    if (first > last)
        return result;
    const qsizetype begin = starts_[size_t(first)];
    const qsizetype end = last + 1 < count() ? starts_[size_t(last) + 1] : buffer_.size();
    result.reserve(end - begin + (last - first + 1) * lineEnd.size());
    for (qsizetype i = first; i <= last; ++i) {
        result.append(lineUtf8(i));
        result.append(lineEnd);
    }
    return result;
}

qsizetype TRecordLines::memoryBytes() const
{
    return buffer_.capacity() + qsizetype(starts_.capacity() * sizeof(qsizetype));
}
