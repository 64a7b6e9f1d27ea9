#pragma once

#include <QString>

#include <memory>

// A regular expression (PCRE2, 8-bit, UTF mode, no other options: case-sensitive
// and unanchored) compiled at its first use.
class TPattern {
public:
    explicit TPattern(QString pattern);
    ~TPattern();
    TPattern(const TPattern&) = delete;
    TPattern& operator=(const TPattern&) = delete;

    const QString& Pattern() const { return pattern_; }
    // A match anywhere in subject. An invalid pattern matches nothing.
    bool Matches(const QString& subject);
    // Empty while the pattern compiles; otherwise PCRE2's reason (after the first use).
    QString CompileError();

private:
    struct Compiled;
    QString pattern_;
    std::unique_ptr<Compiled> compiled_;
    bool tried_ = false;
};

// Turns the ASCII letters A..Z into a..z and leaves every other character alone.
QString AsciiLowerCase(const QString& text);
