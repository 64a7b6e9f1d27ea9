// What the program takes from its settings file at start-up, what it writes back
// at closing, and the window placement.

#include "app/Helper.h"
#include "app/IniFile.h"
#include "app/MainForm.h"
#include "link/DevicePattern.h"
#include "support/FakeHidPlatform.h"
#include "support/WindowFixture.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <cstdlib>

#include <unistd.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString stored(const QString& path, const QString& section, const QString& key)
{
    return IniText::Lookup(readAll(path), section, key).value_or(QStringLiteral("<absent>"));
}

} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT
private slots:
    void startAndClose_data();
    void startAndClose();
    void plotSettingsStartAndClose_data();
    void plotSettingsStartAndClose();
    void productPatternFromFile_data();
    void productPatternFromFile();
    void brokenProductPatternIsReportedOnceAndMatchesNothing();
    void newFileHoldsOurKeysInOrder();
    void linesOfTheUserSurvive();
    void failedWriteIsShownAndSkipsTheRest_data();
    void failedWriteIsShownAndSkipsTheRest();

    void placementRoundTrip();
    void maximizedClosingKeepsTheNormalPlacement();
    void hugePlacementStaysWithinTheScreens_data();
    void hugePlacementStaysWithinTheScreens();
    void settingsFileLocation_data();
    void settingsFileLocation();
};

void TestSettingsFile::startAndClose_data()
{
    QTest::addColumn<QString>("iniText"); // null: no file
    QTest::addColumn<int>("pollTime");    // the period in force
    QTest::addColumn<bool>("english");
    QTest::addColumn<QString>("writtenPollTime");
    QTest::addColumn<QString>("writtenEn");

    QTest::newRow("no file") << QString() << 2000 << true << "2000" << "1";
    QTest::newRow("PollTime 500 is raised") << "[Chart]\nPollTime=500\n" << 2000 << true << "2000" << "1";
    QTest::newRow("PollTime 1000 is raised") << "[Chart]\nPollTime=1000\n" << 2000 << true << "2000" << "1";
    QTest::newRow("PollTime 100000 is kept") << "[Chart]\nPollTime=100000\n" << 100000 << true << "100000" << "1";
    QTest::newRow("PollTime in hex") << "[Chart]\nPollTime=0x2710\n" << 10000 << true << "10000" << "1";
    QTest::newRow("PollTime $10 is 16, raised") << "[Chart]\nPollTime=$10\n" << 2000 << true << "2000" << "1";
    QTest::newRow("PollTime out of range gives the default")
        << "[Chart]\nPollTime=2147483648\n" << 2000 << true << "2000" << "1";
    QTest::newRow("PollTime smallest integer is raised")
        << "[Chart]\nPollTime=-2147483648\n" << 2000 << true << "2000" << "1";
    QTest::newRow("blanks around everything") << "  [ Chart ]  \n  PollTime  =  3000  \n" << 3000 << true << "3000"
                                              << "1";
    QTest::newRow("mixed-case names") << "[cHART]\npOLLtIME=4000\n[aPp]\neN=0\n" << 4000 << false << "4000" << "0";
    QTest::newRow("En 0 is Russian") << "[App]\nEn=0\n" << 2000 << false << "2000" << "0";
    QTest::newRow("En 2 is English") << "[App]\nEn=2\n" << 2000 << true << "2000" << "1";
    QTest::newRow("En yes gives the default English") << "[App]\nEn=yes\n" << 2000 << true << "2000" << "1";
    QTest::newRow("En empty gives the default English") << "[App]\nEn=\n" << 2000 << true << "2000" << "1";
}

void TestSettingsFile::startAndClose()
{
    QFETCH(QString, iniText);
    QFETCH(int, pollTime);
    QFETCH(bool, english);
    QFETCH(QString, writtenPollTime);
    QFETCH(QString, writtenEn);

    WindowFixture fixture(nullptr, iniText);
    TMainFrm& frm = fixture.window();
    QCOMPARE(frm.PollTime, pollTime);
    QCOMPARE(frm.DataTimer->interval(), pollTime);
    QCOMPARE(frm.English, english);
    QCOMPARE(frm.LangDispatcher.ActiveLanguage(), english ? TLangDispatcher::kEnglish : TLangDispatcher::kRussian);

    const QString path = fixture.iniPath();
    QVERIFY(fixture.close());
    QCOMPARE(stored(path, "Chart", "PollTime"), writtenPollTime);
    QCOMPARE(stored(path, "App", "En"), writtenEn);
    // A key found under another spelling is set where it is, not added again.
    QCOMPARE(QString::fromUtf8(readAll(path)).count("polltime", Qt::CaseInsensitive), 1);
    QVERIFY(fixture.dialogs.shown.empty());
}

void TestSettingsFile::plotSettingsStartAndClose_data()
{
    QTest::addColumn<QString>("iniText"); // null: no file
    QTest::addColumn<double>("maxY");
    QTest::addColumn<int>("trackBar");
    QTest::addColumn<QString>("scaleLabel");
    QTest::addColumn<int>("frameIndex");
    QTest::addColumn<QString>("checkedFrame");
    QTest::addColumn<QString>("written"); // RAxis, Frame, MaxY as written at closing

    QTest::newRow("no file") << QString() << 2000.0 << 0 << "1000" << 1 << "15 minutes" << "0 1 2000";
    QTest::newRow("MaxY in hex is written back in decimal")
        << "[Chart]\nMaxY=0x100\n" << 256.0 << 0 << "1000" << 1 << "15 minutes" << "0 1 256";
    QTest::newRow("MaxY 1000 keeps the label 1000")
        << "[Chart]\nMaxY=1000\n" << 1000.0 << 0 << "1000" << 1 << "15 minutes" << "0 1 1000";
    QTest::newRow("RAxis 9") << "[Chart]\nRAxis=9\n" << 2000.0 << 9 << "0.001" << 1 << "15 minutes" << "9 1 2000";
    QTest::newRow("RAxis above the range is taken to 11")
        << "[Chart]\nRAxis=15\n" << 2000.0 << 11 << "0.00001" << 1 << "15 minutes" << "11 1 2000";
    QTest::newRow("RAxis below the range is taken to 0")
        << "[Chart]\nRAxis=-3\n" << 2000.0 << 0 << "1000" << 1 << "15 minutes" << "0 1 2000";
    QTest::newRow("Frame 3") << "[Chart]\nFrame=3\n" << 2000.0 << 0 << "1000" << 3 << "1 hour" << "0 3 2000";
    QTest::newRow("Frame outside 0..4 gives the default")
        << "[Chart]\nFrame=7\n" << 2000.0 << 0 << "1000" << 1 << "15 minutes" << "0 1 2000";
}

void TestSettingsFile::plotSettingsStartAndClose()
{
    QFETCH(QString, iniText);
    QFETCH(double, maxY);
    QFETCH(int, trackBar);
    QFETCH(QString, scaleLabel);
    QFETCH(int, frameIndex);
    QFETCH(QString, checkedFrame);
    QFETCH(QString, written);

    WindowFixture fixture(nullptr, iniText);
    TMainFrm& frm = fixture.window();
    QCOMPARE(frm.MaxY, maxY);
    QCOMPARE(frm.TrackBar->value(), trackBar);
    QCOMPARE(frm.stYScale->text(), scaleLabel);
    const double divisor = MainFormConst::ScaleDivisors[trackBar];
    QCOMPARE(frm.Chart->RightAxis().Maximum(), maxY / divisor);
    QCOMPARE(frm.Chart->RightAxis().Minimum(), -maxY / divisor);
    QCOMPARE(frm.FrameIndex, frameIndex);
    QVERIFY(frm.FrameGroup->checkedAction());
    QCOMPARE(frm.FrameGroup->checkedAction()->text(), checkedFrame);

    const QString path = fixture.iniPath();
    QVERIFY(fixture.close());
    const QStringList values = written.split(u' ');
    QCOMPARE(stored(path, "Chart", "RAxis"), values[0]);
    QCOMPARE(stored(path, "Chart", "Frame"), values[1]);
    QCOMPARE(stored(path, "Chart", "MaxY"), values[2]);
}

void TestSettingsFile::productPatternFromFile_data()
{
    QTest::addColumn<QString>("iniText");
    QTest::addColumn<QString>("pattern");

    QTest::newRow("default") << QString() << "kelmora|thermostat|(usb.{0,}adapter)";
    QTest::newRow("capitals lower-cased, escapes too") << "[USB]\nPName=Kelmora|USB\\D+Bath\n" << "kelmora|usb\\d+bath";
    QTest::newRow("quotes removed") << "[usb]\npname=\"bath, lab\"\n" << "bath, lab";
}

void TestSettingsFile::productPatternFromFile()
{
    QFETCH(QString, iniText);
    QFETCH(QString, pattern);
    WindowFixture fixture(nullptr, iniText);
    QCOMPARE(fixture.window().ProductPattern->Pattern(), pattern);
    QCOMPARE(fixture.window().AdapterPattern->Pattern(), QString("adapter"));
    const QString path = fixture.iniPath();
    QVERIFY(fixture.close());
    QCOMPARE(QString::fromUtf8(readAll(path)).count("pname", Qt::CaseInsensitive), iniText.isNull() ? 0 : 1);
}

void TestSettingsFile::brokenProductPatternIsReportedOnceAndMatchesNothing()
{
    FakeHidPlatform fake;
    fake.add({.id = QStringLiteral("bath-1"), .serial = QStringLiteral("B-1")});
    fake.add({.id = QStringLiteral("bath-2"), .product = QStringLiteral("Kelmora thermostat 2"),
              .serial = QStringLiteral("B-2")});
    WindowFixture fixture(&fake, "[usb]\npname=kelmora|(thermo\n");
    TMainFrm& frm = fixture.window();
    QTRY_VERIFY(fake.scans() >= 1);

    QVERIFY(frm.SelectedDevice == nullptr);
    QVERIFY(frm.DeviceList.empty());
    const QStringList errors = fixture.dialogs.texts("error");
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().contains("\"kelmora|(thermo\"") && errors.first().contains("not a valid regular expression"),
             qPrintable(errors.first()));
    QCOMPARE(fixture.dialogs.shown.size(), size_t(1));
}

void TestSettingsFile::newFileHoldsOurKeysInOrder()
{
    WindowFixture fixture;
    QCOMPARE(fixture.window().geometry(), QRect(240, 328, 970, 629));
    const QString path = fixture.iniPath();
    QVERIFY(fixture.close());
    QCOMPARE(QString::fromUtf8(readAll(path)), QString("[MainFrm]\n"
                                                       "maximized=0\n"
                                                       "width=970\n"
                                                       "height=629\n"
                                                       "left=240\n"
                                                       "top=328\n"
                                                       "[App]\n"
                                                       "En=1\n"
                                                       "[Chart]\n"
                                                       "RAxis=0\n"
                                                       "Frame=1\n"
                                                       "MaxY=2000\n"
                                                       "PollTime=2000\n"));
}

void TestSettingsFile::linesOfTheUserSurvive()
{
    const QString before = "; Quintara settings, edited by hand\r\n"
                           "[usb]\r\n"
                           "pname=Kelmora|USB.{0,}Adapter\r\n"
                           "\r\n"
                           "[Chart]\r\n"
                           "; keep it slow\r\n"
                           "PollTime = 5000\r\n"
                           "Colour=blue\r\n"
                           "[Other]\r\n"
                           "foo=bar\r\n";
    WindowFixture fixture(nullptr, before);
    fixture.window();
    const QString path = fixture.iniPath();
    QVERIFY(fixture.close());
    const QString after = QString::fromUtf8(readAll(path));
    QVERIFY2(after.startsWith("; Quintara settings, edited by hand\r\n"
                              "[usb]\r\n"
                              "pname=Kelmora|USB.{0,}Adapter\r\n"
                              "\r\n"
                              "[Chart]\r\n"
                              "; keep it slow\r\n"
                              "PollTime=5000\r\n"
                              "Colour=blue\r\n"),
             qPrintable(after));
    QVERIFY2(after.contains("[Other]\r\nfoo=bar\r\n"), qPrintable(after));
    QVERIFY2(after.contains("[MainFrm]\r\nmaximized=0\r\n"), qPrintable(after));
    QVERIFY(!after.contains(QRegularExpression("[^\r]\n")));
}

void TestSettingsFile::failedWriteIsShownAndSkipsTheRest_data()
{
    QTest::addColumn<bool>("readOnlyFolder"); // otherwise a folder stands where the file should be
    QTest::newRow("folder in the way") << false;
    QTest::newRow("read-only folder") << true;
}

void TestSettingsFile::failedWriteIsShownAndSkipsTheRest()
{
    QFETCH(bool, readOnlyFolder);
    if (readOnlyFolder && geteuid() == 0)
        QSKIP("root writes into read-only folders");
    WindowFixture fixture;
    const QString path = fixture.iniPath();
    if (readOnlyFolder)
        QVERIFY(QFile::setPermissions(fixture.dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    else
        QVERIFY(QDir(fixture.dir.path()).mkdir("Quintara.ini"));

    fixture.window();
    const bool closed = fixture.close();
    QFile::setPermissions(fixture.dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QVERIFY(closed);
    // One box: the first write failed and the others of that closing did not run.
    QCOMPARE(fixture.dialogs.texts("exception"), QStringList{"Unable to write to " + path});
    QCOMPARE(fixture.dialogs.shown.size(), size_t(1));
}

void TestSettingsFile::placementRoundTrip()
{
    WindowFixture fixture;
    {
        TMainFrm& frm = fixture.window();
        frm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frm));
        frm.resize(800, 560);
        frm.move(100, 120);
    }
    const QRect placed = fixture.window().geometry();
    const QPoint framePos = fixture.window().pos();
    QVERIFY(fixture.close());
    const QString path = fixture.iniPath();
    QCOMPARE(stored(path, "MainFrm", "width"), QString::number(placed.width()));
    QCOMPARE(stored(path, "MainFrm", "height"), QString::number(placed.height()));
    QCOMPARE(stored(path, "MainFrm", "left"), QString::number(framePos.x()));
    QCOMPARE(stored(path, "MainFrm", "top"), QString::number(framePos.y()));

    TMainFrm& again = fixture.window();
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QCOMPARE(again.geometry(), placed);
    QVERIFY(!again.isMaximized());
}

void TestSettingsFile::maximizedClosingKeepsTheNormalPlacement()
{
    const QString placement = "[MainFrm]\nmaximized=0\nwidth=700\nheight=500\nleft=30\ntop=40\n";
    WindowFixture fixture(nullptr, placement);
    TMainFrm& frm = fixture.window();
    QCOMPARE(frm.geometry(), QRect(30, 40, 700, 500));
    frm.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));
    QVERIFY(fixture.close());
    QVERIFY(readAll(fixture.iniPath())
                .startsWith("[MainFrm]\nmaximized=1\nwidth=700\nheight=500\nleft=30\ntop=40\n[App]"));

    // The next start applies the stored placement, then maximizes: restoring
    // the window returns it there.
    TMainFrm& again = fixture.window();
    QVERIFY(again.isMaximized());
    QCOMPARE(again.normalGeometry(), QRect(30, 40, 700, 500));
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    again.showNormal();
    QTRY_COMPARE(again.pos(), QPoint(30, 40)); // the frame's position
    QCOMPARE(again.size(), QSize(700, 500));   // the client area's size
}

void TestSettingsFile::hugePlacementStaysWithinTheScreens_data()
{
    QTest::addColumn<QString>("placement");
    QTest::newRow("millions of pixels") << "width=16777215\nheight=99999999\n";
    QTest::newRow("largest integers") << "width=2147483647\nheight=0x7FFFFFFF\nleft=2147483647\ntop=$7FFFFFFF\n";
    QTest::newRow("smallest integers") << "width=-2147483648\nheight=-1\nleft=-2147483648\ntop=-2147483648\n";
}

void TestSettingsFile::hugePlacementStaysWithinTheScreens()
{
    QFETCH(QString, placement);
    WindowFixture fixture(nullptr, "[MainFrm]\nmaximized=0\n" + placement);
    TMainFrm& frm = fixture.window();
    const QSize largest =
        frm.screen()->virtualSize().expandedTo(QSize(MainFormConst::kDesignWidth, MainFormConst::kDesignHeight));
    QVERIFY2(frm.width() <= largest.width() && frm.height() <= largest.height(),
             qPrintable(QStringLiteral("%1 x %2").arg(frm.width()).arg(frm.height())));

    // Closing writes back a placement that is just as sound.
    QVERIFY(fixture.close());
    const QString path = fixture.iniPath();
    QVERIFY(stored(path, "MainFrm", "width").toInt() <= largest.width());
    QVERIFY(stored(path, "MainFrm", "height").toInt() <= largest.height());
    for (const char* edge : {"left", "top"}) {
        bool ok = false;
        const int value = stored(path, "MainFrm", edge).toInt(&ok);
        QVERIFY2(ok && std::abs(value) <= QWIDGETSIZE_MAX, edge);
    }
}

void TestSettingsFile::settingsFileLocation_data()
{
    QTest::addColumn<QString>("executableDir");
    QTest::addColumn<QString>("installBinDir");
    QTest::addColumn<QString>("expected");

    QTest::newRow("built or unpacked") << "/home/u/quintara/build" << "/usr/local/bin"
                                       << "/home/u/quintara/build/Quintara.ini";
    QTest::newRow("installed") << "/usr/local/bin" << "/usr/local/bin" << "/home/u/.config/Orvelle/Quintara/Quintara.ini";
    QTest::newRow("installed, path with a trailing separator")
        << "/usr/local/bin/" << "/usr/local/bin" << "/home/u/.config/Orvelle/Quintara/Quintara.ini";
    QTest::newRow("no install folder known") << "/opt/q" << "" << "/opt/q/Quintara.ini";
}

void TestSettingsFile::settingsFileLocation()
{
    QFETCH(QString, executableDir);
    QFETCH(QString, installBinDir);
    QFETCH(QString, expected);
    QCOMPARE(IniFileNameFor(executableDir, installBinDir, "/home/u/.config/Orvelle/Quintara"), expected);
}

QTEST_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
