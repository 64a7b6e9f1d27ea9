// A session with the virtual bath end to end: selection, polling, recording,
// the setpoint and the console, in both framings.

#include "support/RecordingHelpers.h"
#include "support/WindowFixture.h"

#include "sim/VirtualHidPlatform.h"

#include <QtTest>

#include <QTimer>

namespace {

// Runs one poll cycle without waiting for the poll period.
bool pollOnce(TMainFrm& w)
{
    if (!QTest::qWaitFor([&] { return w.RequestQueue.empty(); }, 5000))
        return false;
    w.DataTimerTimer();
    return QTest::qWaitFor([&] { return w.RequestQueue.empty(); }, 5000);
}

QString lastConsoleLines(TMainFrm& w, int count)
{
    const QStringList lines = w.edConsole->toPlainText().split(u'\n');
    return lines.mid(std::max<qsizetype>(0, lines.size() - count)).join(u'|');
}

void typeConsoleCommand(TMainFrm& w, const QString& command)
{
    w.Tabs->setCurrentWidget(w.ConsoleTab);
    QTest::keyClicks(w.edConsole, command);
    QTest::keyClick(w.edConsole, Qt::Key_Return);
}

} // namespace

class TestBathSession : public QObject {
    Q_OBJECT
private slots:
    void aSessionInBothFramings_data()
    {
        QTest::addColumn<bool>("adapter");
        QTest::newRow("direct") << false;
        QTest::newRow("adapter") << true;
    }

    void aSessionInBothFramings()
    {
        QFETCH(bool, adapter);
        VirtualHidPlatform platform;
        VirtualBathConfig config;
        config.adapter = adapter;
        config.serial = QStringLiteral("VB-7");
        platform.addBath(config);
        WindowFixture f(&platform);
        TMainFrm& w = f.window();

        // Selected once the loop runs; the start-up requests fill the fields.
        QTRY_VERIFY(w.SelectedDevice);
        QCOMPARE(w.StatusBar->panelText(0), adapter ? QStringLiteral("Bath: VB-7 (adapter)") : QStringLiteral("Bath: VB-7"));
        QTRY_VERIFY(w.RequestQueue.empty());
        QCOMPARE(w.edSet->text(), QStringLiteral("25.00"));
        QVERIFY(!w.stTemp->text().isEmpty());
        w.DataTimer->start(3600 * 1000); // ticks come from the test

        // A poll cycle shows the alarm state and colours the temperature.
        QVERIFY(pollOnce(w));
        QCOMPARE(w.stAlarm->text(), QStringLiteral("no alarm"));
        QCOMPARE(w.stTemp->palette().color(QPalette::Text), QColor(255, 0, 0)); // 20 °C, far from 25

        // Recording: each cycle makes a table row with three values and three points.
        w.RecordBtn->click();
        QVERIFY(w.Recording);
        QVERIFY(pollOnce(w));
        QVERIFY(pollOnce(w));
        QCOMPARE(w.RecordLines.count(), 3); // the start marker and two rows
        QVERIFY(w.RecordLines.line(0).startsWith(u'>'));
        QCOMPARE(w.RecordLines.line(2).count(u';'), 4); // d;hh:nn:ss; v1; v2; v3
        for (int series = 0; series < 3; ++series)
            QCOMPARE(w.Chart->Series(series)->Count(), 2);
        QVERIFY(w.Modified);

        // The setpoint: typed with a comma, sent with a point, read back.
        w.edSet->clear();
        QTest::keyClicks(w.edSet, QStringLiteral("30,5"));
        w.ChangeSetBtn->click();
        QTRY_COMPARE(w.edSet->text(), QStringLiteral("30.50"));
        QVERIFY(f.dialogs.shown.empty());

        // Out of range: the bath refuses, the read-back restores its value.
        w.edSet->clear();
        QTest::keyClicks(w.edSet, QStringLiteral("500"));
        w.ChangeSetBtn->click();
        QTRY_COMPARE(f.dialogs.texts("error"), QStringList{"Invalid request. Status code5: value out of range"});
        QTRY_COMPARE(w.edSet->text(), QStringLiteral("30.50"));

        // The console: a raw command and the bath's line under it.
        typeConsoleCommand(w, QStringLiteral(":00000000 set.val rd"));
        QTRY_COMPARE(lastConsoleLines(w, 3),
                     QStringLiteral(">:00000000 set.val rd|:00000000 0 30.50|>"));
        QCOMPARE(w.History.items.front(), QStringLiteral(":00000000 set.val rd"));
    }

    void aBathThatIsOffOnlySaysSo()
    {
        VirtualHidPlatform platform;
        platform.addBath(VirtualBathConfig{});
        platform.setFaults(QStringLiteral("VB-0001"), VirtualBathFaults{.off = true});
        WindowFixture f(&platform);
        TMainFrm& w = f.window();
        QTRY_VERIFY(w.SelectedDevice);
        QTRY_COMPARE(w.StatusBar->panelText(1), QStringLiteral("Bath is off"));
        QTRY_VERIFY(w.RequestQueue.empty());
        QVERIFY(f.dialogs.shown.empty());
    }

    void aSilentBathIsAskedAgain()
    {
        VirtualHidPlatform platform;
        platform.addBath(VirtualBathConfig{});
        platform.setFaults(QStringLiteral("VB-0001"), VirtualBathFaults{.noReply = true});
        WindowFixture f(&platform);
        TMainFrm& w = f.window();
        QTRY_VERIFY(w.SelectedDevice);
        QVERIFY(w.Timeout->isActive());
        // After the time-out the head is still there and sent again; then the
        // bath answers.
        QTest::qWait(1700);
        QCOMPARE(w.RequestQueue.size(), size_t(5));
        platform.setFaults(QStringLiteral("VB-0001"), VirtualBathFaults{});
        QTRY_VERIFY_WITH_TIMEOUT(w.RequestQueue.empty(), 6000);
        QCOMPARE(w.edSet->text(), QStringLiteral("25.00"));
    }

    void unplugAndReplugDuringARecording()
    {
        VirtualHidPlatform platform;
        platform.addBath(VirtualBathConfig{});
        WindowFixture f(&platform);
        TMainFrm& w = f.window();
        QTRY_VERIFY(w.SelectedDevice);
        QTRY_VERIFY(w.RequestQueue.empty());
        w.RecordBtn->click();
        QVERIFY(w.Recording);

        platform.unplug(QStringLiteral("VB-0001"));
        QTRY_VERIFY(!w.SelectedDevice);
        QVERIFY(!w.Recording); // stopped as the Stop button does
        QCOMPARE(w.StatusBar->panelText(0), QStringLiteral("Bath: not selected"));
        QVERIFY(w.stTemp->text().isEmpty());

        platform.replug(QStringLiteral("VB-0001"));
        QTRY_VERIFY(w.SelectedDevice);
        QTRY_COMPARE(w.edSet->text(), QStringLiteral("25.00"));
        QCOMPARE(w.DevPopup->actions().size(), 1);
    }
};

QTEST_MAIN(TestBathSession)
#include "tst_bathsession.moc"
