#include "link/DevicePattern.h"

#include <pcre2.h>

struct TPattern::Compiled {
    pcre2_code* code = nullptr;
    pcre2_match_data* match = nullptr;
    QString error;

    Compiled() = default;
    Compiled(const Compiled&) = delete;
    Compiled& operator=(const Compiled&) = delete;
    ~Compiled()
    {
        pcre2_match_data_free(match);
        pcre2_code_free(code);
    }
};

TPattern::TPattern(QString pattern) : pattern_(std::move(pattern)) {}
TPattern::~TPattern() = default;

const TPattern::Compiled& TPattern::compiled()
{
    if (compiled_)
        return *compiled_;
    compiled_ = std::make_unique<Compiled>();
    // QString::toUtf8 turns unpaired surrogates into "?", so PCRE2 always gets valid UTF-8.
    const QByteArray utf8 = pattern_.toUtf8();
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    compiled_->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8.constData()), PCRE2_SIZE(utf8.size()),
                                    PCRE2_UTF, &errorCode, &errorOffset, nullptr);
    if (!compiled_->code) {
        PCRE2_UCHAR message[256];
        if (pcre2_get_error_message(errorCode, message, sizeof message) < 0)
            message[0] = 0;
        compiled_->error = QStringLiteral("%1 at offset %2")
                               .arg(QString::fromUtf8(reinterpret_cast<const char*>(message)))
                               .arg(qulonglong(errorOffset));
        return *compiled_;
    }
    compiled_->match = pcre2_match_data_create_from_pattern(compiled_->code, nullptr);
    return *compiled_;
}

bool TPattern::Matches(const QString& subject)
{
    const Compiled& pattern = compiled();
    if (!pattern.code || !pattern.match)
        return false;
    const QByteArray utf8 = subject.toUtf8();
    // Any error (a match limit reached, say) counts as no match.
    return pcre2_match(pattern.code, reinterpret_cast<PCRE2_SPTR>(utf8.constData()), PCRE2_SIZE(utf8.size()), 0, 0,
                       pattern.match, nullptr) >= 0;
}

QString TPattern::CompileError()
{
    return compiled().error;
}

QString AsciiLowerCase(const QString& text)
{
    QString result = text;
    for (QChar& c : result)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return result;
}
