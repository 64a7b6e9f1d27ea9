#include "app/Formats.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

TFormatSettings MakeValueFormat(const QLocale& locale)
{
    TFormatSettings format = MakeDisplayFormat(locale);
    format.DecimalSeparator = u'.';
    return format;
}

TFormatSettings MakeDisplayFormat(const QLocale& locale)
{
    TFormatSettings format;
    const QString decimal = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    format.DecimalSeparator = decimal.isEmpty() ? QChar(u'.') : decimal.front();
    format.ThousandSeparator = group.isEmpty() ? QChar(u',') : group.front();
    format.DateSeparator = u'/';
    format.TimeSeparator = u':';
    format.ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    return format;
}

namespace {

QString notFiniteText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
}

QString withSeparator(const char* text, QChar separator)
{
    QString result = QString::fromLatin1(text);
    if (separator != u'.')
        result.replace(u'.', separator);
    return result;
}

} // namespace

QString FormatFixed2(double value, const TFormatSettings& format)
{
    if (!std::isfinite(value))
        return notFiniteText(value);
    const double magnitude = std::fabs(value);
    const int integerDigits = magnitude < 1.0 ? 0 : int(std::floor(std::log10(magnitude))) + 1;
    if (integerDigits > 8)
        return FormatGeneral8(value, format);
    // At most 8 significant digits, and never more than two decimals.
    const int decimals = std::min(2, 8 - integerDigits);
    const double scale = std::pow(10.0, decimals);
    double rounded = std::round(value * scale) / scale;
    if (rounded == 0.0)
        rounded = 0.0; // no "-0.00"
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", rounded);
    return withSeparator(buffer, format.DecimalSeparator);
}

QString FormatGeneral8(double value, const TFormatSettings& format)
{
    if (!std::isfinite(value))
        return notFiniteText(value);
    if (value == 0.0)
        return QStringLiteral("0");
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.7e", value); // 8 significant digits
    const std::string text(buffer);
    const auto ePos = text.find('e');
    std::string mantissa = text.substr(0, ePos);
    const int exponent = std::stoi(text.substr(ePos + 1));
    const bool negative = mantissa.front() == '-';
    if (negative)
        mantissa.erase(0, 1);
    std::string digits;
    for (char c : mantissa)
        if (c != '.')
            digits += c;
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string out;
    if (exponent >= -4 && exponent <= 7) {
        if (exponent >= 0) {
            const size_t intCount = size_t(exponent) + 1;
            std::string intPart = digits.substr(0, std::min(intCount, digits.size()));
            while (intPart.size() < intCount)
                intPart += '0';
            out = intPart;
            if (digits.size() > intCount)
                out += "." + digits.substr(intCount);
        } else {
            out = "0." + std::string(size_t(-exponent - 1), '0') + digits;
        }
    } else {
        out = digits.substr(0, 1);
        if (digits.size() > 1)
            out += "." + digits.substr(1);
        out += exponent < 0 ? "E-" : "E+";
        out += std::to_string(std::abs(exponent));
    }
    if (negative)
        out.insert(0, 1, '-');
    return withSeparator(out.c_str(), format.DecimalSeparator);
}

namespace {

// For a well-formed number ("-12.5e3"), the count of digits before the point
// once it is written without exponent; negative for values below 0.1. Only its
// sign matters, so the exponent saturates.
long long DecimalMagnitude(std::string_view number)
{
    const size_t e = number.find('e');
    const std::string_view mantissa = number.substr(0, e);
    long long exponent = 0;
    if (e != std::string_view::npos) {
        size_t i = e + 1;
        const bool negative = i < number.size() && number[i] == '-';
        if (i < number.size() && (number[i] == '-' || number[i] == '+'))
            ++i;
        for (; i < number.size(); ++i)
            exponent = std::min(exponent * 10 + (number[i] - '0'), 1'000'000'000LL);
        if (negative)
            exponent = -exponent;
    }
    const size_t point = std::min(mantissa.find('.'), mantissa.size());
    const size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos)
        return 0;
    const long long digits = first < point ? (long long)(point - first) : -(long long)(first - point - 1);
    return digits + exponent;
}

} // namespace

double ParseNumber(std::string_view text, char decimalSeparator)
{
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    // "inf" in any letter case, anywhere, means +infinity (a sign does not count).
    for (size_t i = 0; i + 3 <= text.size(); ++i) {
        if ((text[i] | 0x20) == 'i' && (text[i + 1] | 0x20) == 'n' && (text[i + 2] | 0x20) == 'f')
            return std::numeric_limits<double>::infinity();
    }
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && (unsigned char)text[begin] <= ' ')
        ++begin;
    while (end > begin && (unsigned char)text[end - 1] <= ' ')
        --end;
    if (begin == end)
        return kNaN;

    // Check the shape ourselves: from_chars alone would accept "nan", hex and
    // partial matches, and knows only "." as separator.
    char buffer[128];
    size_t length = 0;
    size_t i = begin;
    auto put = [&](char c) {
        if (length + 1 >= sizeof buffer)
            return false;
        buffer[length++] = c;
        return true;
    };
    if (text[i] == '+' || text[i] == '-') {
        if (text[i] == '-' && !put('-'))
            return kNaN;
        ++i;
    }
    int mantissaDigits = 0;
    while (i < end && text[i] >= '0' && text[i] <= '9') {
        if (!put(text[i++]))
            return kNaN;
        ++mantissaDigits;
    }
    if (i < end && text[i] == decimalSeparator) {
        if (!put('.'))
            return kNaN;
        ++i;
        while (i < end && text[i] >= '0' && text[i] <= '9') {
            if (!put(text[i++]))
                return kNaN;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return kNaN;
    if (i < end && (text[i] == 'e' || text[i] == 'E')) {
        if (!put('e'))
            return kNaN;
        ++i;
        if (i < end && (text[i] == '+' || text[i] == '-')) {
            if (!put(text[i++]))
                return kNaN;
        }
        int exponentDigits = 0;
        while (i < end && text[i] >= '0' && text[i] <= '9') {
            if (!put(text[i++]))
                return kNaN;
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return kNaN;
    }
    if (i != end)
        return kNaN;
    double value = kNaN;
    const auto result = std::from_chars(buffer, buffer + length, value);
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars reports both ends of the range alike: a value too large
        // becomes an infinity, one too small a zero, each with its sign.
        const bool negative = buffer[0] == '-';
        if (DecimalMagnitude(std::string_view(buffer, length)) > 0)
            return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
        return negative ? -0.0 : 0.0;
    }
    if (result.ec != std::errc() || result.ptr != buffer + length)
        return kNaN;
    return value;
}

double ParseNumber(QStringView text, const TFormatSettings& format)
{
    // Any character outside Latin-1 cannot be part of a number; it still may not
    // hide an "inf", which only uses ASCII letters.
    std::string bytes;
    bytes.reserve(size_t(text.size()));
    for (QChar c : text)
        bytes += c.unicode() < 0x80 ? char(c.unicode()) : '\x7f';
    const QChar separator = format.DecimalSeparator;
    return ParseNumber(bytes, separator.unicode() < 0x80 ? char(separator.unicode()) : '.');
}

QString TrimBlanksAndControls(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= u' ')
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= u' ')
        --end;
    return text.mid(begin, end - begin);
}

QStringList SplitDelimited(QStringView text, QChar delimiter)
{
    QStringList fields;
    const qsizetype n = text.size();
    qsizetype p = 0;
    auto isBlank = [&](qsizetype at) {
        const ushort c = text[at].unicode();
        return c >= 1 && c <= 32;
    };
    while (p < n && isBlank(p))
        ++p;
    while (p < n && text[p].unicode() != 0) {
        QString field;
        if (text[p] == u'"') {
            ++p;
            while (p < n) {
                if (text[p] == u'"') {
                    ++p;
                    if (p < n && text[p] == u'"') {
                        field += u'"';
                        ++p;
                        continue;
                    }
                    break;
                }
                field += text[p++];
            }
        } else {
            const qsizetype start = p;
            while (p < n && text[p].unicode() > 32 && text[p] != delimiter)
                ++p;
            field = text.mid(start, p - start).toString();
        }
        fields.append(field);
        while (p < n && isBlank(p))
            ++p;
        if (p < n && text[p] == delimiter) {
            if (p + 1 == n)
                fields.append(QString());
            do {
                ++p;
            } while (p < n && isBlank(p));
        }
    }
    return fields;
}
