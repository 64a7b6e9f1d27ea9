#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

// The lines of the record table, kept compactly: one UTF-8 buffer and the offset
// where each line starts. A month of recording is 1.3 million lines; a text
// document would need ten times the memory and seconds to lay them out.
// Appending a line or extending the last one costs O(1) (amortised).
class TRecordLines {
public:
    qsizetype count() const { return qsizetype(starts_.size()); }
    bool isEmpty() const { return starts_.empty(); }

    // The line's text without its line end.
    QByteArrayView lineUtf8(qsizetype index) const;
    QString line(qsizetype index) const { return QString::fromUtf8(lineUtf8(index)); }
    // Length of the longest line in bytes (for the horizontal scroll range).
    qsizetype longestLine() const { return longest_; }

    void append(QByteArrayView utf8Line);
    void append(const QString& line) { append(QByteArrayView(line.toUtf8())); }
    // The last line followed by text; nothing when there is no line.
    void appendToLast(QByteArrayView utf8Text);
    void appendToLast(const QString& text) { appendToLast(QByteArrayView(text.toUtf8())); }
    void clear();

    // Replaces all lines at once: buffer holds the lines back to back, without
    // line ends, and starts[i] is where line i begins (ascending).
    void assign(QByteArray buffer, std::vector<qsizetype> starts);

    // All lines, each followed by lineEnd, as one buffer (for saving and copying).
    QByteArray joined(QByteArrayView lineEnd, qsizetype first = 0, qsizetype last = -1) const;

    // Bytes held, for the memory figures.
    qsizetype memoryBytes() const;

private:
    QByteArray buffer_;
    std::vector<qsizetype> starts_;
    qsizetype longest_ = 0;
};
