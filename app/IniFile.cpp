// Written by hand: QSettings turns a value with a comma into a list and matches
// keys case-sensitively, and SimpleIni rewrites the whole file in its own layout;
// this reader/writer works on the file's bytes and touches only the line it sets.

#include "app/IniFile.h"

#include "app/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <limits>
#include <vector>

namespace IniText {
namespace {

const QByteArray kUtf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

// The blanks the private-profile functions strip around names and values
// (0x1A is the old end-of-file mark some editors leave behind).
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

QByteArrayView trimmed(QByteArrayView view)
{
    while (!view.isEmpty() && isBlank(view.front()))
        view = view.sliced(1);
    while (!view.isEmpty() && isBlank(view.back()))
        view.chop(1);
    return view;
}

// One line of the file; offsets index the file's bytes.
struct Line {
    enum Kind { Other, Section, Key };
    qsizetype begin = 0;      // first byte
    qsizetype end = 0;        // end of the text, line end excluded
    qsizetype next = 0;       // first byte of the next line
    Kind kind = Other;        // comments, blank lines and anything else are Other
    QByteArrayView name;      // section or key name, blanks removed
    qsizetype nameEnd = 0;    // Key: the byte after the name
    qsizetype valueBegin = 0; // Key: the byte after "="
};

void classify(const QByteArray& text, Line& line)
{
    const QByteArrayView body = trimmed(QByteArrayView(text).sliced(line.begin, line.end - line.begin));
    if (body.isEmpty() || body.front() == ';')
        return;
    const qsizetype bodyOffset = body.data() - text.constData();
    if (body.front() == '[') {
        qsizetype close = body.size() - 1;
        while (close > 0 && body[close] != ']')
            --close;
        if (close > 0) {
            line.kind = Line::Section;
            line.name = trimmed(body.sliced(1, close - 1));
            return;
        }
    }
    const qsizetype equals = body.indexOf('=');
    if (equals < 0)
        return;
    line.kind = Line::Key;
    line.name = trimmed(body.first(equals));
    line.nameEnd = line.name.isEmpty() ? bodyOffset : (line.name.data() - text.constData()) + line.name.size();
    line.valueBegin = bodyOffset + equals + 1;
}

std::vector<Line> parseLines(const QByteArray& text)
{
    std::vector<Line> lines;
    qsizetype pos = text.startsWith(kUtf8Bom) ? kUtf8Bom.size() : 0;
    while (pos < text.size()) {
        Line line;
        line.begin = pos;
        const qsizetype newline = text.indexOf('\n', pos);
        line.end = newline < 0 ? text.size() : newline;
        line.next = newline < 0 ? text.size() : newline + 1;
        if (line.end > line.begin && text[line.end - 1] == '\r')
            --line.end;
        classify(text, line);
        lines.push_back(line);
        pos = line.next;
    }
    return lines;
}

bool nameMatches(QByteArrayView name, const QString& wanted)
{
    return QString::fromUtf8(name).compare(wanted, Qt::CaseInsensitive) == 0;
}

struct Place {
    std::optional<size_t> section;   // the header of the first section with the name
    std::optional<size_t> key;       // the first key with the name in it
    size_t lastEntry = 0;            // its last key line, or its header
};

// Only the first section of a name counts, as with the private-profile functions.
Place find(const std::vector<Line>& lines, const QString& section, const QString& key)
{
    Place place;
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        if (line.kind == Line::Section) {
            if (place.section)
                break;
            if (nameMatches(line.name, section)) {
                place.section = i;
                place.lastEntry = i;
            }
        } else if (place.section && line.kind == Line::Key) {
            place.lastEntry = i;
            if (!place.key && nameMatches(line.name, key))
                place.key = i;
        }
    }
    return place;
}

// The file's own line end, so a file edited on Windows keeps its CR LF.
QByteArray lineEnd(const QByteArray& text)
{
    const qsizetype newline = text.indexOf('\n');
    return newline > 0 && text[newline - 1] == '\r' ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
}

// text with its last line ended, so that what is added starts a line of its own.
// Lines end at LF: a last line that ends in a lone CR only gets its LF.
QByteArray withLastLineEnded(QByteArray text, const QByteArray& eol)
{
    if (text.isEmpty() || text.endsWith('\n'))
        return text;
    text += text.endsWith('\r') ? QByteArrayLiteral("\n") : eol;
    return text;
}

// A value is one line: a line break in it would start a line of its own.
QByteArray oneLine(const QString& value)
{
    QByteArray bytes = value.toUtf8();
    bytes.replace('\r', ' ').replace('\n', ' ');
    return bytes;
}

bool hexDigit(QChar c, unsigned& digit)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        digit = u - u'0';
    else if (u >= u'a' && u <= u'f')
        digit = u - u'a' + 10;
    else if (u >= u'A' && u <= u'F')
        digit = u - u'A' + 10;
    else
        return false;
    return true;
}

} // namespace

std::optional<QString> Lookup(const QByteArray& text, const QString& section, const QString& key)
{
    const std::vector<Line> lines = parseLines(text);
    const Place place = find(lines, section, key);
    if (!place.key)
        return std::nullopt;
    const Line& line = lines[*place.key];
    QByteArrayView raw = trimmed(QByteArrayView(text).sliced(line.valueBegin, line.end - line.valueBegin));
    if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') && raw.back() == raw.front())
        raw = raw.sliced(1, raw.size() - 2);
    QString value = QString::fromUtf8(raw);
    if (value.size() > kMaxValueLength) {
        value.truncate(kMaxValueLength);
        if (value.back().isHighSurrogate())
            value.chop(1);
    }
    return value;
}

QByteArray Assign(const QByteArray& text, const QString& section, const QString& key, const QString& value)
{
    const std::vector<Line> lines = parseLines(text);
    const Place place = find(lines, section, key);
    const QByteArray eol = lineEnd(text);
    const QByteArray entry = key.toUtf8() + '=' + oneLine(value);

    QByteArray out;
    if (place.key) {
        // The indentation and the name's spelling stay as the user wrote them.
        const Line& line = lines[*place.key];
        out = text.left(line.nameEnd);
        out += '=';
        out += oneLine(value);
        out += text.mid(line.end);
        return out;
    }
    if (place.section) {
        const Line& after = lines[place.lastEntry];
        // The section ends the file without a line end: the new last line has none either.
        if (after.next == text.size() && !text.endsWith('\n'))
            return withLastLineEnded(text, eol) + entry;
        out = text.left(after.next);
        out += entry + eol;
        out += text.mid(after.next);
        return out;
    }
    out = withLastLineEnded(text, eol);
    out += '[' + section.toUtf8() + ']' + eol + entry + eol;
    return out;
}

std::optional<int32_t> ParseInteger(QStringView text)
{
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    const qsizetype hexPrefix = text.startsWith(u"0x") || text.startsWith(u"0X") ? 2 : text.startsWith(u'$') ? 1 : 0;
    if (hexPrefix) {
        const QStringView hex = text.sliced(hexPrefix);
        if (hex.isEmpty())
            return std::nullopt;
        int64_t value = 0;
        for (QChar c : hex) {
            unsigned digit = 0;
            if (!hexDigit(c, digit))
                return std::nullopt;
            value = value * 16 + digit;
            if (value > kMax)
                return std::nullopt;
        }
        return int32_t(value);
    }

    bool negative = false;
    if (text.startsWith(u'+') || text.startsWith(u'-')) {
        negative = text.front() == u'-';
        text = text.sliced(1);
    }
    if (text.isEmpty())
        return std::nullopt;
    int64_t value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        if (value > kMax + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > kMax)
        return std::nullopt;
    return int32_t(value);
}

} // namespace IniText

TIniFile::TIniFile(QString fileName) : fileName_(std::move(fileName))
{
    QFile file(fileName_);
    if (file.open(QIODevice::ReadOnly))
        content_ = file.readAll();
}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& def) const
{
    return IniText::Lookup(content_, section, key).value_or(def);
}

int32_t TIniFile::ReadInteger(const QString& section, const QString& key, int32_t def) const
{
    const std::optional<QString> text = IniText::Lookup(content_, section, key);
    if (!text)
        return def;
    return IniText::ParseInteger(*text).value_or(def);
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    // Start from the file as it is now, so a write never undoes another one.
    QByteArray current;
    const bool exists = QFileInfo::exists(fileName_);
    if (exists) {
        QFile file(fileName_);
        if (!file.open(QIODevice::ReadOnly))
            failWrite(); // writing over a file we cannot read would lose its other lines
        current = file.readAll();
        if (file.error() != QFileDevice::NoError)
            failWrite();
    }
    const QByteArray updated = IniText::Assign(current, section, key, value);
    if (exists && updated == current) {
        content_ = current;
        return;
    }
    QDir().mkpath(QFileInfo(fileName_).absolutePath());
    // A temporary file renamed over the old one: a failure leaves no half-written file.
    QSaveFile out(fileName_);
    if (!out.open(QIODevice::WriteOnly) || out.write(updated) != updated.size() || !out.commit())
        failWrite();
    content_ = updated;
}

void TIniFile::WriteInteger(const QString& section, const QString& key, int32_t value)
{
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString& section, const QString& key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TIniFile::failWrite() const
{
    throw EAppError(QStringLiteral("Unable to write to %1").arg(QDir::toNativeSeparators(fileName_)));
}
