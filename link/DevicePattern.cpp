#include "link/DevicePattern.h"

// Interim body: nothing matches yet.

struct TPattern::Compiled {};

TPattern::TPattern(QString pattern) : pattern_(std::move(pattern)) {}
TPattern::~TPattern() = default;

bool TPattern::Matches(const QString&)
{
    return false;
}

QString TPattern::CompileError()
{
    return QString();
}

QString AsciiLowerCase(const QString& text)
{
    QString result = text;
    for (QChar& c : result)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return result;
}
