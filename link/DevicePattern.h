#pragma once

#include <QString>

#include <memory>

// A regular expression (PCRE2, 8-bit, UTF mode, no other options: case-sensitive
// and unanchored) compiled at its first use. Pattern and subject are passed as
// UTF-8.
class TPattern {
public:
    explicit TPattern(QString pattern);
    ~TPattern();
    TPattern(const TPattern&) = delete;
    TPattern& operator=(const TPattern&) = delete;

    const QString& Pattern() const { return pattern_; }
    // A match anywhere in subject. An invalid pattern matches nothing.
    bool Matches(const QString& subject);
    // Empty when the pattern compiles; otherwise PCRE2's reason with the offset
    // in the pattern ("missing closing parenthesis at offset 7").
    QString CompileError();

private:
    struct Compiled;
    const Compiled& compiled();

    QString pattern_;
    std::unique_ptr<Compiled> compiled_;
};

// Turns the ASCII letters A..Z into a..z and leaves every other character alone.
QString AsciiLowerCase(const QString& text);
