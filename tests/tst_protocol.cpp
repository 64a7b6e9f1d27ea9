// The request queue, line assembly and dispatch of the bath protocol, driven
// through the main window with a scripted bath.

#include "support/BathFixture.h"

#include "link/Framing.h"
#include "link/hid/HidDevice.h"

#include <QtTest>

#include <QTimer>

namespace {

const QByteArray kSetpointRead(":00000000 set.val rd\r");
const QByteArray kReadinessRead(":00000000 isrdy rd\r");
const QByteArray kInternalRead(":00000000 dat.t.1 rd\r");
const QByteArray kExternalRead(":00000000 dat.t.2 rd\r");
const QByteArray kPowerRead(":00000000 pid.1.pwr rd\r");
const QByteArray kAlarmRead(":00000000 alm.status rd\r");

FakeHidPlatform::Traits adapterTraits()
{
    FakeHidPlatform::Traits traits;
    traits.product = QStringLiteral("USB-RS adapter");
    return traits;
}

} // namespace

class TestProtocol : public QObject {
    Q_OBJECT
private slots:
    void selectingABathSendsTheFirstRequestAtOnce()
    {
        BathFixture fx;
        QVERIFY(fx.start());
        QCOMPARE(fx.commands(), QList<QByteArray>{kSetpointRead});
        QCOMPARE(fx.queuedKinds(), (QList<int>{kReadSetpoint, kReadReadiness, kReadInternal, kReadExternal, kReadPower}));
        // Each report is one whole output report with report id 0.
        QCOMPARE(fx.bath->lastWrite().size(), 65);
        QCOMPARE(fx.bath->lastWrite().at(0), '\0');
    }

    void anAdapterGetsItsSetupReportFirst()
    {
        BathFixture fx(adapterTraits());
        QVERIFY(fx.start());
        const auto writes = fx.bath->writes();
        QCOMPARE(writes.size(), size_t(2));
        QByteArray setup(65, '\0');
        setup.replace(3, 4, QByteArray::fromHex("62778025"));
        QCOMPARE(writes[0], setup);
        QCOMPARE(fx.commands().at(1), kSetpointRead);
    }

    void eachAnswerSendsTheNextRequest()
    {
        BathFixture fx;
        QVERIFY(fx.start());
        fx.answerDirect(":00000000 0 25.00\r");
        fx.answerDirect(":00000000 0 1\r");
        fx.answerDirect(":00000000 0 24.50\r");
        fx.answerDirect(":00000000 0 23.00\r");
        fx.answerDirect(":00000000 0 40.5\r");
        QCOMPARE(fx.commands(),
                 (QList<QByteArray>{kSetpointRead, kReadinessRead, kInternalRead, kExternalRead, kPowerRead}));
        QVERIFY(fx.w().RequestQueue.empty());
        QCOMPARE(fx.w().edSet->text(), QStringLiteral("25.00"));
        QCOMPARE(fx.w().stTemp->text(), QStringLiteral("24.50"));
        QCOMPARE(fx.w().stTemp->palette().color(QPalette::Text), QColor(0, 128, 0));
        QVERIFY(fx.window.dialogs.shown.empty());
    }

    void answersArriveThroughTheReadThread()
    {
        BathFixture fx;
        QVERIFY(fx.start());
        fx.bath->pushInput(QByteArray(1, '\0') + DirectReportData(":00000000 0 21.5\r"));
        QTRY_HANDLED(*fx.bath, 1);
        QTRY_COMPARE(fx.w().edSet->text(), QStringLiteral("21.50"));
        QCOMPARE(fx.commands().last(), kReadinessRead);
    }

    void aReportWhileNothingIsOutstandingIsDroppedWhole()
    {
        BathFixture fx;
        QVERIFY(fx.start());
        fx.w().RequestQueue.clear();
        fx.answerDirect("half a line");
        QVERIFY(fx.w().LineBuffer.isEmpty());
        fx.answerDirect("\r");
        QVERIFY(fx.window.dialogs.shown.empty());
    }

    void aDuplicateAnswerIsTakenForTheNextRequest()
    {
        BathFixture fx;
        QVERIFY(fx.start());
        fx.answerDirect(":00000000 0 25.00\r");
        fx.answerDirect(":00000000 0 25.00\r"); // taken as the readiness answer: not 0/1, so red
        QCOMPARE(fx.w().edSet->text(), QStringLiteral("25.00"));
        QCOMPARE(fx.w().stTemp->palette().color(QPalette::Text), QColor(255, 0, 0));
        QCOMPARE(fx.queuedKinds(), (QList<int>{kReadInternal, kReadExternal, kReadPower}));
    }

    void directFramingEndsAtTheFirstLineEnd()
    {
        BathFixture fx;
        QVERIFY(fx.start());
        // CR then zero padding: exactly one line; the bytes behind it are discarded.
        fx.answerDirect(":00000000 0 25.00\r:00000000 0 1\r");
        QCOMPARE(fx.queuedKinds().size(), 4);
        QVERIFY(fx.w().LineBuffer.isEmpty());
    }

    void aReportWithoutLineEndOnlyCollects()
    {
        BathFixture fx;
        QVERIFY(fx.start());
        const QByteArray part(":00000000 0 2");
        const QByteArray data = part; // no zero padding: no line end at all
        fx.w().HidControllerDeviceData(fx.w().SelectedDevice, 0, reinterpret_cast<const uint8_t*>(data.constData()),
                                       uint16_t(data.size()));
        QCOMPARE(fx.w().LineBuffer, part);
        QCOMPARE(fx.commands().size(), 1); // nothing sent
        // The answer is unfinished: the time-out runs again, so polling cannot stall.
        QVERIFY(fx.w().Timeout->isActive());
        fx.answerDirect("5.00\r");
        QCOMPARE(fx.w().edSet->text(), QStringLiteral("25.00"));
    }

    void anEmptyLineIsAnUnexpectedResponse()
    {
        BathFixture fx;
        QVERIFY(fx.start());
        fx.answerDirect("\r");
        QCOMPARE(fx.window.dialogs.texts("error"), QStringList{"Unexpected response"});
        QCOMPARE(fx.queuedKinds().size(), 4); // the request counts as answered
    }

    void adapterReportsCarrySeveralLines()
    {
        BathFixture fx(adapterTraits());
        QVERIFY(fx.start());
        fx.answerAdapter(":00000000 0 25.00\r:00000000 0 1\r");
        QCOMPARE(fx.w().edSet->text(), QStringLiteral("25.00"));
        QCOMPARE(fx.queuedKinds(), (QList<int>{kReadInternal, kReadExternal, kReadPower}));
        QVERIFY(fx.window.dialogs.shown.empty());
        // Each line was answered before the next request went out: one send for the two.
        QCOMPARE(fx.commands().last(), kInternalRead);
    }

    void crLfInAdapterFramingEndsTwoLines()
    {
        BathFixture fx(adapterTraits());
        QVERIFY(fx.start());
        fx.answerAdapter(":00000000 0 25.00\r\n");
        QCOMPARE(fx.w().edSet->text(), QStringLiteral("25.00"));
        QCOMPARE(fx.window.dialogs.texts("error"), QStringList{"Unexpected response"});
        QCOMPARE(fx.queuedKinds(), (QList<int>{kReadInternal, kReadExternal, kReadPower}));
    }

    void adapterLengthIsCappedAtSixty()
    {
        BathFixture fx(adapterTraits());
        QVERIFY(fx.start());
        QByteArray payload(70, 'x');
        payload[60] = '\r'; // beyond the 60 bytes scanned
        fx.answerAdapter(payload.left(60), 200);
        QCOMPARE(fx.w().LineBuffer.size(), 60);
        QCOMPARE(fx.queuedKinds().size(), 5);
    }

    void aLineEndWithNothingOutstandingIsDiscarded()
    {
        BathFixture fx(adapterTraits());
        QVERIFY(fx.start());
        fx.w().RequestQueue.resize(1);
        fx.answerAdapter(":00000000 0 25.00\r:00000000 0 1\r");
        QCOMPARE(fx.w().edSet->text(), QStringLiteral("25.00"));
        QVERIFY(fx.w().RequestQueue.empty());
        QVERIFY(fx.w().LineBuffer.isEmpty());
        QVERIFY(fx.window.dialogs.shown.empty());
    }

    void theLineBufferIsBounded()
    {
        BathFixture fx;
        QVERIFY(fx.start());
        const QByteArray noEnd(64, 'x');
        for (int i = 0; i < 100; ++i)
            fx.w().HidControllerDeviceData(fx.w().SelectedDevice, 0,
                                           reinterpret_cast<const uint8_t*>(noEnd.constData()), 64);
        QCOMPARE(fx.w().LineBuffer.size(), Framing::kMaxLineLength);
        fx.answerDirect("\r"); // the long line still answers the head request
        QCOMPARE(fx.queuedKinds().size(), 4);
    }

    void statusPaths_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("panelOne");

        QTest::newRow("status 1") << QByteArray(":00000000 1\r") << "Invalid request. Status code1: invalid request format" << "";
        QTest::newRow("status 2") << QByteArray(":00000000 2\r") << "Invalid request. Status code2: invalid value format" << "";
        QTest::newRow("status 3") << QByteArray(":00000000 3\r") << "Invalid request. Status code3: unknown addressee" << "";
        QTest::newRow("status 4") << QByteArray(":00000000 4\r") << "Invalid request. Status code4: unknown command" << "";
        QTest::newRow("status 5") << QByteArray(":00000000 5\r") << "Invalid request. Status code5: value out of range" << "";
        QTest::newRow("status 6: bath off") << QByteArray(":00000000 6\r") << "" << "Bath is off";
        QTest::newRow("status outside the table") << QByteArray(":00000000 9\r") << "Invalid request. Status code9" << "";
        QTest::newRow("negative status") << QByteArray(":00000000 -2\r") << "Invalid request. Status code-2" << "";
        QTest::newRow("status not a number") << QByteArray(":00000000 ok 25\r") << "Unexpected response" << "";
        QTest::newRow("success without a value") << QByteArray(":00000000 0\r") << "Unexpected response" << "";
        QTest::newRow("one field") << QByteArray(":00000000\r") << "Unexpected response" << "";
        QTest::newRow("status in other digits") << QByteArray(":00000000 \xd9\xa0 25\r") << "Unexpected response" << "";
        QTest::newRow("status in bytes that are not text") << QByteArray(":00000000 \xff\xfe 25\r") << "Unexpected response"
                                                           << "";
    }

    void statusPaths()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, error);
        QFETCH(QString, panelOne);
        BathFixture fx;
        QVERIFY(fx.start());
        fx.answerDirect(answer); // to the setpoint read
        QCOMPARE(fx.window.dialogs.texts("error"), error.isEmpty() ? QStringList() : QStringList{error});
        QCOMPARE(fx.w().StatusBar->panelText(1), panelOne);
        QVERIFY(fx.w().edSet->text().isEmpty());
        // Answered either way: no resend of it, the next request goes out.
        QCOMPARE(fx.queuedKinds().size(), 4);
        QCOMPARE(fx.commands().last(), kReadinessRead);
    }

    void unknownReadinessShowsTheTemperatureInBlack()
    {
        BathFixture fx;
        QVERIFY(fx.start());
        fx.answerDirect(":00000000 0 25.00\r");
        fx.answerDirect(":00000000 3\r"); // the bath does not know the readiness parameter
        QVERIFY(fx.window.dialogs.shown.empty());
        QCOMPARE(fx.w().stTemp->palette().color(QPalette::Text), QColor(0, 0, 0));
    }

    void aWriteNeedsNoValue()
    {
        BathFixture fx;
        QVERIFY(fx.start());
        fx.w().RequestQueue.clear();
        fx.w().AddRequest(kWriteSetpoint, ":00000000 set.val wr 30\r");
        fx.answerDirect(":00000000 0\r");
        QVERIFY(fx.window.dialogs.shown.empty());
        QVERIFY(fx.w().RequestQueue.empty());
    }

    void pollAnswersReachTheirHandlers()
    {
        BathFixture fx;
        QVERIFY(fx.start());
        fx.w().RequestQueue.clear();
        fx.w().DataTimer->start();
        fx.w().DataTimerTimer();
        QCOMPARE(fx.queuedKinds(), (QList<int>{kReadInternal, kReadExternal, kReadPower, kReadAlarm, kReadReadiness}));
        fx.answerDirect(":00000000 0 30.25\r");
        fx.answerDirect(":00000000 0 29.00\r");
        fx.answerDirect(":00000000 0 12.5\r");
        fx.answerDirect(":00000000 0 000011\r");
        fx.answerDirect(":00000000 0 0\r");
        QCOMPARE(fx.w().stTemp->text(), QStringLiteral("30.25"));
        QCOMPARE(fx.w().stAlarm->text(), QStringLiteral("overheat"));
        QCOMPARE(fx.w().stTemp->palette().color(QPalette::Text), QColor(255, 0, 0));
        QCOMPARE(fx.commands().mid(1),
                 (QList<QByteArray>{kInternalRead, kExternalRead, kPowerRead, kAlarmRead, kReadinessRead}));
    }

    void aTickWhileACycleIsOutstandingQueuesNothing()
    {
        BathFixture fx;
        QVERIFY(fx.start());
        fx.w().DataTimer->start();
        fx.w().DataTimerTimer(); // the five selection requests are still outstanding
        QCOMPARE(fx.queuedKinds().size(), 5);
        QCOMPARE(fx.commands().size(), 1);
    }

    void addRequestWithoutABathDoesNothing()
    {
        WindowFixture f;
        TMainFrm& w = f.window();
        w.AddRequest(kReadInternal, kInternalRead);
        QVERIFY(w.RequestQueue.empty());
        QVERIFY(!w.Timeout->isActive());
    }

    void addRequestInFlightOnlyAppends()
    {
        BathFixture fx;
        QVERIFY(fx.start());
        fx.w().AddRequest(kReadAlarm, kAlarmRead);
        QCOMPARE(fx.queuedKinds().last(), int(kReadAlarm));
        QCOMPARE(fx.commands().size(), 1);
    }

    void anUnansweredRequestIsSentAgain()
    {
        BathFixture fx;
        QVERIFY(fx.start());
        fx.w().TimeoutTimer();
        fx.w().TimeoutTimer();
        QCOMPARE(fx.commands(), (QList<QByteArray>{kSetpointRead, kSetpointRead, kSetpointRead}));
        QCOMPARE(fx.queuedKinds().size(), 5);
        QVERIFY(fx.w().Timeout->isActive());
    }

    void aSendLeavesARunningTimeOutAlone()
    {
        BathFixture fx;
        QVERIFY(fx.start());
        fx.w().Timeout->start();
        QTest::qWait(300);
        fx.w().SendRequest(kAlarmRead);
        // Restarted, it would have its full 1500 ms again.
        QVERIFY2(fx.w().Timeout->remainingTime() < 1450, qPrintable(QString::number(fx.w().Timeout->remainingTime())));
    }

    void longCommandsGoOutAsSeveralReports()
    {
        FakeHidPlatform::Traits traits;
        traits.outputLength = 9; // 8 payload bytes a report
        BathFixture fx(traits);
        QVERIFY(fx.start());
        const auto writes = fx.bath->writes();
        QCOMPARE(writes.size(), size_t(3)); // ":00000000 set.val rd\r" is 21 bytes
        QByteArray joined;
        for (const QByteArray& report : writes)
            joined += report.mid(1);
        QCOMPARE(joined, kSetpointRead + QByteArray(3, '\0'));
    }

    void aReadErrorIsShownInPanelTwo()
    {
        BathFixture fx;
        QVERIFY(fx.start());
        fx.bath->pushReadError(EIO);
        QTRY_COMPARE(fx.w().StatusBar->panelText(2), QStringLiteral("Device data error"));
        QCOMPARE(fx.queuedKinds().size(), 5);
    }

    void aValueInBytesThatAreNotTextReadsAsNoNumber()
    {
        BathFixture fx;
        QVERIFY(fx.start());
        fx.answerDirect(":00000000 0 2\xff\xc3\x28.5\r");
        QCOMPARE(fx.w().edSet->text(), QStringLiteral("NAN"));
        QVERIFY(fx.window.dialogs.shown.empty());
        QCOMPARE(fx.commands().last(), kReadinessRead);
    }

    void aBathUnpluggedMidAnswerLeavesNothingBehind()
    {
        BathFixture fx;
        QVERIFY(fx.start());
        fx.answerDirect(":00000000 0 25.00\r");
        const QByteArray half(":00000000 0 1"); // no line end: the rest never comes
        fx.w().HidControllerDeviceData(fx.w().SelectedDevice, 0, reinterpret_cast<const uint8_t*>(half.constData()),
                                       uint16_t(half.size()));
        fx.fake.unplug(*fx.bath);
        QTRY_VERIFY(fx.w().SelectedDevice == nullptr);
        QVERIFY(!fx.w().Timeout->isActive()); // nothing is sent to a bath that is gone
        QVERIFY(!fx.w().RecordBtn->isEnabled());

        // Plugged in again it is a new device: selected afresh, and the half
        // answer of before does not start its first answer.
        FakeHidPlatform::Traits again;
        again.id = QStringLiteral("bath-1-again");
        again.serial = QStringLiteral("B-0001");
        FakeHidPlatform::Device& bath = fx.fake.plug(again);
        QTRY_VERIFY(fx.w().SelectedDevice != nullptr);
        QVERIFY(fx.w().LineBuffer.isEmpty());
        QCOMPARE(fx.queuedKinds(), (QList<int>{kReadSetpoint, kReadReadiness, kReadInternal, kReadExternal, kReadPower}));
        QCOMPARE(bath.writes().size(), size_t(1));
        fx.answerDirect(":00000000 0 21.50\r");
        QCOMPARE(fx.w().edSet->text(), QStringLiteral("21.50"));
        QVERIFY(fx.window.dialogs.shown.empty());
    }
};

QTEST_MAIN(TestProtocol)
#include "tst_protocol.moc"
