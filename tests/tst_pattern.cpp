// The product-name pattern: PCRE2 in UTF mode, unanchored, case-sensitive.

#include "link/DevicePattern.h"

#include <QTest>

namespace {

const QString kDefaultPattern = QStringLiteral("kelmora|thermostat|(usb.{0,}adapter)");

} // namespace

class TestPattern : public QObject {
    Q_OBJECT
private slots:
    void matches_data();
    void matches();
    void asciiLowerCase_data();
    void asciiLowerCase();
    void invalidPatternMatchesNothing_data();
    void invalidPatternMatchesNothing();
    void validPatternHasNoError();
    void unpairedSurrogatesDoNotCrash();
};

void TestPattern::matches_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<bool>("expected");

    // The window lower-cases both the pattern and the product name.
    QTest::newRow("adapter after usb") << kDefaultPattern << "usb-rs adapter" << true;
    QTest::newRow("adapter far after usb") << kDefaultPattern << "orvelle usb to rs-485 bath adapter v2" << true;
    QTest::newRow("adapter alone") << kDefaultPattern << "adapter" << false;
    QTest::newRow("adapter before usb") << kDefaultPattern << "adapter usb" << false;
    QTest::newRow("thermostat anywhere") << kDefaultPattern << "lab thermostat 12" << true;
    QTest::newRow("kelmora") << kDefaultPattern << "kelmora" << true;
    QTest::newRow("nothing of it") << kDefaultPattern << "keyboard" << false;
    QTest::newRow("case-sensitive") << kDefaultPattern << "Thermostat" << false;
    QTest::newRow("empty subject") << kDefaultPattern << "" << false;
    QTest::newRow("empty pattern matches everything") << "" << "keyboard" << true;
    QTest::newRow("lower-cased \\D is \\d") << AsciiLowerCase("BATH\\D") << "bath7" << true;
    QTest::newRow("lower-cased \\D no longer matches a letter") << AsciiLowerCase("BATH\\D") << "bathx" << false;
    QTest::newRow("UTF mode: . is one character") << "^th.rmo$" << QString::fromUtf8("th\xC3\xA9rmo") << true;
    QTest::newRow("non-ASCII literal") << QString::fromUtf8("\xD1\x82\xD0\xB5\xD1\x80\xD0\xBC")
                                       << QString::fromUtf8("\xD1\x82\xD0\xB5\xD1\x80\xD0\xBC\xD0\xBE") << true;
}

void TestPattern::matches()
{
    QFETCH(QString, pattern);
    QFETCH(QString, subject);
    QFETCH(bool, expected);
    TPattern compiled(pattern);
    QCOMPARE(compiled.Matches(subject), expected);
    QCOMPARE(compiled.Matches(subject), expected); // the compiled form is kept and reused
}

void TestPattern::asciiLowerCase_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("letters and escapes") << "KELMORA|USB\\D{0,}Adapter" << "kelmora|usb\\d{0,}adapter";
    QTest::newRow("other characters untouched") << QString::fromUtf8("\xC3\x84[@Z]\xD0\x96") << QString::fromUtf8("\xC3\x84[@z]\xD0\x96");
}

void TestPattern::asciiLowerCase()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(AsciiLowerCase(text), expected);
}

void TestPattern::invalidPatternMatchesNothing_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("error");
    QTest::newRow("open parenthesis") << "(usb" << "missing closing parenthesis at offset 4";
    QTest::newRow("open class") << "bath[a-" << "missing terminating ] for character class at offset 7";
    QTest::newRow("quantifier first") << "*bath" << "quantifier does not follow a repeatable item at offset 0";
    QTest::newRow("trailing backslash") << "bath\\" << "\\ at end of pattern at offset 5";
}

void TestPattern::invalidPatternMatchesNothing()
{
    QFETCH(QString, pattern);
    QFETCH(QString, error);
    TPattern compiled(pattern);
    QVERIFY(!compiled.Matches("usb bath"));
    QVERIFY(!compiled.Matches(pattern));
    QCOMPARE(compiled.CompileError(), error);
}

void TestPattern::validPatternHasNoError()
{
    TPattern compiled(kDefaultPattern);
    QCOMPARE(compiled.CompileError(), QString());
    QVERIFY(compiled.Matches("usb adapter"));
}

void TestPattern::unpairedSurrogatesDoNotCrash()
{
    // A QString can hold what UTF-8 cannot; PCRE2 must still get valid UTF-8.
    const QString lone = QString(QChar(0xD800));
    TPattern inSubject(QStringLiteral("b"));
    QVERIFY(inSubject.Matches("a" + lone + "b"));
    QVERIFY(!inSubject.Matches("a" + lone));

    TPattern brokenAndLone(lone + "(");
    QVERIFY(!brokenAndLone.Matches("x" + lone));
    QVERIFY(!brokenAndLone.CompileError().isEmpty());

    for (const QString& pattern : {"x" + lone + "y", lone, QString(QChar(0xDC00)) + lone}) {
        TPattern compiled(pattern);
        const bool first = compiled.Matches("x" + lone + "y");
        QCOMPARE(compiled.Matches("x" + lone + "y"), first);
    }
}

QTEST_GUILESS_MAIN(TestPattern)
#include "tst_pattern.moc"
