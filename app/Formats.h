#pragma once

#include <QChar>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <string_view>

// Number and date format settings. ValueFormat (numbers exchanged with the bath)
// has "." as decimal separator; DisplayFormat (everything shown or written to a
// record) keeps the user's decimal separator.
struct TFormatSettings {
    QChar DecimalSeparator = u'.';
    QChar ThousandSeparator = u',';
    QChar DateSeparator = u'/';
    QChar TimeSeparator = u':';
    QString ShortDateFormat = QStringLiteral("dd/mm/yyyy");
};

// The user's locale (QLocale(), which tests set with QLocale::setDefault) with
// the decimal separator replaced by ".".
TFormatSettings MakeValueFormat(const QLocale& locale = QLocale());
// The user's locale with date separator "/", time separator ":" and short date
// "dd/mm/yyyy"; the decimal separator stays the locale's.
TFormatSettings MakeDisplayFormat(const QLocale& locale = QLocale());

// Fixed-point text with two decimals after rounding to at most 8 significant
// digits; values of more than 8 integer digits fall back to FormatGeneral8.
// NaN gives "NAN", infinities "INF" and "-INF": no blank, no ";", and they read
// back through ParseNumber as NaN and +infinity.
QString FormatFixed2(double value, const TFormatSettings& format);

// General form with at most 8 significant digits: plain notation, or scientific
// ("1.5E-7") when the exponent is below -4 or above 7; trailing zeros dropped.
QString FormatGeneral8(double value, const TFormatSettings& format);

// A number as the bath or a record file writes it: the lower-cased text holding
// "inf" anywhere gives +infinity; otherwise a decimal number with the format's
// decimal separator (optional sign, digits, optional exponent, blanks around
// ignored); anything else gives a quiet NaN.
double ParseNumber(QStringView text, const TFormatSettings& format);
double ParseNumber(std::string_view text, char decimalSeparator);

// text without the blanks and control characters (up to U+0020) at its ends.
QString TrimBlanksAndControls(const QString& text);

// Splits text into fields the way a delimited string list does when its
// delimiter is not strict: characters 1..32 separate fields as well as the
// delimiter; a field that begins with a double quote runs to the closing quote
// (two quotes inside stand for one; an unclosed quote runs to the end); a
// delimiter that is the last character adds an empty last field.
QStringList SplitDelimited(QStringView text, QChar delimiter);
