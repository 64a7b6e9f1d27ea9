// The settings file's reading and writing rules, on text and on real files.

#include "app/Errors.h"
#include "app/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

const QString kAbsent = QStringLiteral("<absent>");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestIniFile : public QObject {
    Q_OBJECT
private slots:
    // ---- Reading ----
    void lookup_data();
    void lookup();
    void longValueIsCut();
    void parseInteger_data();
    void parseInteger();
    void readBool_data();
    void readBool();
    void missingOrUnreadableFileGivesDefaults();

    // ---- Writing ----
    void assign_data();
    void assign();
    void writesReachTheFileAtOnce();
    void writeFailure_data();
    void writeFailure();
};

void TestIniFile::lookup_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QString none = kAbsent;
    QTest::newRow("plain") << QByteArray("[App]\nEn=0\n") << "App" << "En" << "0";
    QTest::newRow("blanks around names, = and value")
        << QByteArray("  [App]  \n \t En \t=  0 \t\n") << "App" << "En" << "0";
    QTest::newRow("blanks inside the brackets") << QByteArray("[ App ]\nEn=0\n") << "App" << "En" << "0";
    QTest::newRow("names in any letter case") << QByteArray("[aPP]\neN=0\n") << "App" << "En" << "0";
    QTest::newRow("double quotes removed") << QByteArray("[usb]\npname=\"a|b\"\n") << "usb" << "pname" << "a|b";
    QTest::newRow("single quotes removed") << QByteArray("[usb]\npname='a|b'\n") << "usb" << "pname" << "a|b";
    QTest::newRow("blanks inside quotes kept") << QByteArray("[usb]\npname=\" a \"\n") << "usb" << "pname" << " a ";
    QTest::newRow("unmatched quotes kept") << QByteArray("[usb]\npname=\"a'\n") << "usb" << "pname" << "\"a'";
    QTest::newRow("a lone quote kept") << QByteArray("[usb]\npname=\"\n") << "usb" << "pname" << "\"";
    QTest::newRow("commas are text") << QByteArray("[usb]\npname=kelmora|(usb.{0,}adapter),x\n") << "usb"
                                     << "pname" << "kelmora|(usb.{0,}adapter),x";
    QTest::newRow("= inside the value") << QByteArray("[usb]\npname=a=b\n") << "usb" << "pname" << "a=b";
    QTest::newRow("empty value is present") << QByteArray("[App]\nEn=\n") << "App" << "En" << "";
    QTest::newRow("first of duplicate keys wins") << QByteArray("[App]\nEn=0\nen=1\n") << "App" << "En" << "0";
    QTest::newRow("only the first section of a name counts")
        << QByteArray("[App]\nX=1\n[Chart]\n[app]\nEn=0\n") << "App" << "En" << none;
    QTest::newRow("key of another section") << QByteArray("[Chart]\nEn=0\n") << "App" << "En" << none;
    QTest::newRow("key before any section") << QByteArray("En=0\n[App]\n") << "App" << "En" << none;
    QTest::newRow("comment is no key") << QByteArray("[App]\n;En=0\n") << "App" << "En" << none;
    QTest::newRow("line without =") << QByteArray("[App]\nEn\n") << "App" << "En" << none;
    QTest::newRow("header with text after it") << QByteArray("[App] ; main\nEn=0") << "App" << "En" << "0";
    QTest::newRow("unclosed header is no section") << QByteArray("[App\nEn=0\n") << "App" << "En" << none;
    QTest::newRow("CR LF line ends") << QByteArray("[App]\r\nEn=0\r\n") << "App" << "En" << "0";
    QTest::newRow("no line end at the end") << QByteArray("[App]\nEn=0") << "App" << "En" << "0";
    QTest::newRow("UTF-8 byte order mark") << QByteArray("\xEF\xBB\xBF[App]\nEn=0\n") << "App" << "En" << "0";
    QTest::newRow("bytes that are not text elsewhere")
        << QByteArrayLiteral("\xFF\xFE\x00junk\n[App]\nEn=0\n;\xC3(\n") << "App" << "En" << "0";
    QTest::newRow("bytes that are not text in the value")
        << QByteArray("[usb]\npname=a\xFF" "b\n") << "usb" << "pname" << QString::fromUtf8("a\xEF\xBF\xBD" "b");
    QTest::newRow("UTF-8 value") << QByteArray("[usb]\npname=th\xC3\xA9rmo\n") << "usb" << "pname"
                                 << QString::fromUtf8("th\xC3\xA9rmo");
    QTest::newRow("empty file") << QByteArray() << "App" << "En" << none;
}

void TestIniFile::lookup()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QCOMPARE(IniText::Lookup(text, section, key).value_or(kAbsent), expected);
}

void TestIniFile::longValueIsCut()
{
    const QByteArray text = "[usb]\npname=" + QByteArray(3000, 'x') + "\n";
    QCOMPARE(IniText::Lookup(text, "usb", "pname").value_or(QString()), QString(2047, u'x'));

    // A character outside the BMP is not cut in half.
    const QByteArray wide = "[usb]\npname=" + QByteArray(2046, 'x') + "\xF0\x9F\x98\x80\n";
    QCOMPARE(IniText::Lookup(wide, "usb", "pname").value_or(QString()), QString(2046, u'x'));
}

void TestIniFile::parseInteger_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("expected");

    QTest::newRow("zero") << "0" << true << 0;
    QTest::newRow("decimal") << "500" << true << 500;
    QTest::newRow("leading zeros") << "007" << true << 7;
    QTest::newRow("plus sign") << "+7" << true << 7;
    QTest::newRow("minus sign") << "-7" << true << -7;
    QTest::newRow("largest") << "2147483647" << true << 2147483647;
    QTest::newRow("smallest") << "-2147483648" << true << int(-2147483648LL);
    QTest::newRow("one above the range") << "2147483648" << false << 0;
    QTest::newRow("one below the range") << "-2147483649" << false << 0;
    QTest::newRow("far out of range") << "99999999999999999999999" << false << 0;
    QTest::newRow("hex 0x") << "0x100" << true << 256;
    QTest::newRow("hex 0X, mixed digits") << "0X1f" << true << 31;
    QTest::newRow("hex $") << "$10" << true << 16;
    QTest::newRow("hex largest") << "$7FFFFFFF" << true << 2147483647;
    QTest::newRow("hex above the range") << "0x80000000" << false << 0;
    QTest::newRow("hex prefix alone") << "0x" << false << 0;
    QTest::newRow("$ alone") << "$" << false << 0;
    QTest::newRow("hex with a sign") << "-$10" << false << 0;
    QTest::newRow("hex with a bad digit") << "$1G" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("sign alone") << "-" << false << 0;
    QTest::newRow("word") << "yes" << false << 0;
    QTest::newRow("blank inside") << "2 0" << false << 0;
    QTest::newRow("trailing letters") << "12ab" << false << 0;
    QTest::newRow("fraction") << "1.5" << false << 0;
    QTest::newRow("digits of another script") << QString::fromUtf8("\xD9\xA3") << false << 0;
}

void TestIniFile::parseInteger()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, expected);
    const std::optional<int32_t> value = IniText::ParseInteger(text);
    QCOMPARE(value.has_value(), valid);
    if (value)
        QCOMPARE(*value, expected);
}

void TestIniFile::readBool_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("def");
    QTest::addColumn<bool>("expected");

    QTest::newRow("0") << QByteArray("En=0") << true << false;
    QTest::newRow("1") << QByteArray("En=1") << false << true;
    QTest::newRow("2 is not 0") << QByteArray("En=2") << false << true;
    QTest::newRow("-1 is not 0") << QByteArray("En=-1") << false << true;
    QTest::newRow("hex 0") << QByteArray("En=0x0") << true << false;
    QTest::newRow("yes gives the default true") << QByteArray("En=yes") << true << true;
    QTest::newRow("no gives the default true") << QByteArray("En=no") << true << true;
    QTest::newRow("true gives the default false") << QByteArray("En=true") << false << false;
    QTest::newRow("empty gives the default") << QByteArray("En=") << true << true;
    QTest::newRow("absent gives the default") << QByteArray("Other=0") << true << true;
}

void TestIniFile::readBool()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, def);
    QFETCH(bool, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath("Quintara.ini");
    writeAll(path, "[App]\n" + line + "\n");
    QCOMPARE(TIniFile(path).ReadBool("App", "En", def), expected);
}

void TestIniFile::missingOrUnreadableFileGivesDefaults()
{
    QTemporaryDir dir;
    const TIniFile missing(dir.filePath("none.ini"));
    QCOMPARE(missing.ReadInteger("Chart", "PollTime", 1000), 1000);
    QCOMPARE(missing.ReadString("usb", "pname", "x"), QString("x"));

    // A folder where the file should be cannot be read.
    QVERIFY(QDir(dir.path()).mkdir("folder.ini"));
    const TIniFile folder(dir.filePath("folder.ini"));
    QCOMPARE(folder.ReadInteger("Chart", "PollTime", 1000), 1000);

    writeAll(dir.filePath("bad.ini"), "[Chart]\nPollTime=fast\nMaxY=0x100\n");
    const TIniFile bad(dir.filePath("bad.ini"));
    QCOMPARE(bad.ReadInteger("Chart", "PollTime", 1000), 1000);
    QCOMPARE(bad.ReadInteger("chart", "maxy", 2000), 256);
}

void TestIniFile::assign_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("new file") << QByteArray() << "App" << "En" << "1" << QByteArray("[App]\nEn=1\n");
    QTest::newRow("value replaced; indentation and spelling of the name kept")
        << QByteArray("[chart]\n  pollTIME = 500 \nMaxY=5\n") << "Chart" << "PollTime" << "2000"
        << QByteArray("[chart]\n  pollTIME=2000\nMaxY=5\n");
    QTest::newRow("CR LF kept on the line") << QByteArray("[App]\r\nEn=0\r\n") << "App" << "En" << "1"
                                            << QByteArray("[App]\r\nEn=1\r\n");
    QTest::newRow("new key after the section's last key")
        << QByteArray("[App]\nEn=1\n\n; chart settings\n[Chart]\nMaxY=5\n") << "App" << "X" << "2"
        << QByteArray("[App]\nEn=1\nX=2\n\n; chart settings\n[Chart]\nMaxY=5\n");
    QTest::newRow("new key in an empty section") << QByteArray("[App]\n[Chart]\n") << "App" << "X" << "2"
                                                 << QByteArray("[App]\nX=2\n[Chart]\n");
    QTest::newRow("new key after a last line without line end")
        << QByteArray("[App]\nEn=1") << "App" << "X" << "2" << QByteArray("[App]\nEn=1\nX=2");
    QTest::newRow("new section after a last line without line end")
        << QByteArray("; mine") << "App" << "En" << "1" << QByteArray("; mine\n[App]\nEn=1\n");
    // A lone CR does not end a line: before the fix, the new key or section
    // was glued to that line and could not be read back.
    QTest::newRow("new key after a last line ending in a lone CR")
        << QByteArray("[App]\r\nEn=1\r") << "App" << "X" << "2" << QByteArray("[App]\r\nEn=1\r\nX=2");
    QTest::newRow("new section after a last line ending in a lone CR")
        << QByteArray("; mine\r") << "App" << "En" << "1" << QByteArray("; mine\r\n[App]\nEn=1\n");
    QTest::newRow("new lines take the file's CR LF")
        << QByteArray("[usb]\r\npname=x\r\n") << "App" << "En" << "1"
        << QByteArray("[usb]\r\npname=x\r\n[App]\r\nEn=1\r\n");
    QTest::newRow("first of duplicate keys set")
        << QByteArray("[App]\nEn=0\nEN=0\n") << "App" << "En" << "1" << QByteArray("[App]\nEn=1\nEN=0\n");
    QTest::newRow("first of duplicate sections set")
        << QByteArray("[App]\n[x]\n[APP]\nEn=0\n") << "App" << "En" << "1"
        << QByteArray("[App]\nEn=1\n[x]\n[APP]\nEn=0\n");
    QTest::newRow("bytes that are not text kept")
        << QByteArray("\xFF\xFE;\xC3(\n[App]\nEn=0\n") << "App" << "En" << "1"
        << QByteArray("\xFF\xFE;\xC3(\n[App]\nEn=1\n");
    QTest::newRow("byte order mark kept") << QByteArray("\xEF\xBB\xBF[App]\nEn=0\n") << "App" << "En" << "1"
                                          << QByteArray("\xEF\xBB\xBF[App]\nEn=1\n");
    QTest::newRow("line break in a value becomes a blank")
        << QByteArray("[usb]\n") << "usb" << "pname" << "a\r\nb" << QByteArray("[usb]\npname=a  b\n");
}

void TestIniFile::assign()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    QCOMPARE(IniText::Assign(before, section, key, value), after);
    // And the value reads back (line breaks in it written as blanks).
    const QString written = QString(value).replace(u'\r', u' ').replace(u'\n', u' ');
    QCOMPARE(IniText::Lookup(after, section, key), std::optional<QString>(written));
}

void TestIniFile::writesReachTheFileAtOnce()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("sub/Quintara.ini"); // the folder is made on the first write
    TIniFile first(path);
    TIniFile second(path);
    first.WriteInteger("Chart", "PollTime", 3000);
    QCOMPARE(readAll(path), QByteArray("[Chart]\nPollTime=3000\n"));
    // A second object on the same file starts from what is there now.
    second.WriteBool("App", "En", false);
    QCOMPARE(readAll(path), QByteArray("[Chart]\nPollTime=3000\n[App]\nEn=0\n"));
    QCOMPARE(TIniFile(path).ReadInteger("chart", "polltime", 0), 3000);
    QCOMPARE(second.ReadBool("App", "En", true), false);
}

void TestIniFile::writeFailure_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder where the file should be") << "folder";
    QTest::newRow("file where the folder should be") << "file";
    QTest::newRow("read-only folder") << "readonly";
}

void TestIniFile::writeFailure()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QString path = dir.filePath("Quintara.ini");
    if (kind == "folder") {
        QVERIFY(QDir(dir.path()).mkdir("Quintara.ini"));
    } else if (kind == "file") {
        writeAll(dir.filePath("plain"), "x");
        path = dir.filePath("plain/Quintara.ini");
    } else {
        if (geteuid() == 0)
            QSKIP("root writes into read-only folders");
        writeAll(path, "[App]\nEn=1\n");
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    }

    TIniFile ini(path);
    QString message;
    try {
        ini.WriteBool("App", "En", false);
    } catch (const EAppError& error) {
        message = error.message();
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(message, "Unable to write to " + path);
    if (kind == "readonly")
        QCOMPARE(readAll(path), QByteArray("[App]\nEn=1\n"));
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
