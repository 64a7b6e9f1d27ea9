// Typing, checking and sending a new setpoint.

#include "app/Astr.h"
#include "app/MainForm.h"
#include "link/Setpoint.h"
#include "support/WindowFixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>

class TestSetpoint : public QObject {
    Q_OBJECT
private slots:
    void keyFilter_data();
    void keyFilter();
    void typingKeepsOnlyAcceptedCharacters();
    void writeCommand_data();
    void writeCommand();
    void applyRefusesWhatIsNoNumber_data();
    void applyRefusesWhatIsNoNumber();
    void readSendsNothingWithoutBath();
};

void TestSetpoint::keyFilter_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("accepted");

    for (char c = '0'; c <= '9'; ++c)
        QTest::addRow("digit %c", c) << int(c) << true;
    QTest::newRow("comma") << int(',') << true;
    QTest::newRow("point") << int('.') << true;
    QTest::newRow("minus") << int('-') << true;
    QTest::newRow("backspace") << 8 << true;
    QTest::newRow("Ctrl+C") << 3 << true;
    QTest::newRow("Ctrl+V") << 22 << true;
    QTest::newRow("Ctrl+X") << 24 << true;
    QTest::newRow("Ctrl+A") << 1 << false;
    QTest::newRow("Ctrl+Z") << 26 << false;
    QTest::newRow("plus") << int('+') << false;
    QTest::newRow("blank") << int(' ') << false;
    QTest::newRow("letter e") << int('e') << false;
    QTest::newRow("letter i") << int('i') << false;
    QTest::newRow("non-ASCII digit") << 0x0663 << false;
}

void TestSetpoint::keyFilter()
{
    QFETCH(int, code);
    QFETCH(bool, accepted);
    QCOMPARE(TMainFrm::edSetKeyPress(QChar(char16_t(code))), accepted);
}

void TestSetpoint::typingKeepsOnlyAcceptedCharacters()
{
    WindowFixture fixture;
    TMainFrm& frm = fixture.window();
    QTest::keyClicks(frm.edSet, "a2 5,b5+-x.e1");
    QCOMPARE(frm.edSet->text(), QString("25,5-.1"));
    QTest::keyClick(frm.edSet, Qt::Key_Backspace);
    QCOMPARE(frm.edSet->text(), QString("25,5-."));

    // The clipboard keys pass; what is pasted is not filtered.
    frm.edSet->selectAll();
    QTest::keyClick(frm.edSet, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(frm.edSet->text(), QString());
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("25,5-."));
    QGuiApplication::clipboard()->setText("inf");
    QTest::keyClick(frm.edSet, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(frm.edSet->text(), QString("inf"));
}

void TestSetpoint::writeCommand_data()
{
    QTest::addColumn<QString>("edited");
    QTest::addColumn<QByteArray>("command"); // empty: refused

    QTest::newRow("comma becomes point") << "25,5" << QByteArray(":00000000 set.val wr 25.5\r");
    QTest::newRow("point") << "25.5" << QByteArray(":00000000 set.val wr 25.5\r");
    QTest::newRow("negative integer") << "-10" << QByteArray(":00000000 set.val wr -10\r");
    QTest::newRow("sent as typed, not re-formatted") << "025.50" << QByteArray(":00000000 set.val wr 025.50\r");
    QTest::newRow("pasted exponent") << "1e1" << QByteArray(":00000000 set.val wr 1e1\r");
    QTest::newRow("pasted line break stays out of the command")
        << " 25.5\r\n" << QByteArray(":00000000 set.val wr 25.5\r");
    QTest::newRow("empty") << "" << QByteArray();
    QTest::newRow("two points") << "1.2.3" << QByteArray();
    QTest::newRow("point and comma") << "1,2.3" << QByteArray();
    QTest::newRow("minus alone") << "-" << QByteArray();
    QTest::newRow("pasted inf") << "inf" << QByteArray();
    QTest::newRow("pasted -INF") << "-INF" << QByteArray();
    QTest::newRow("pasted word") << "warm" << QByteArray();
    QTest::newRow("pasted second command")
        << "25\r:00000000 set.val wr 90" << QByteArray();
}

void TestSetpoint::writeCommand()
{
    QFETCH(QString, edited);
    QFETCH(QByteArray, command);
    TFormatSettings valueFormat;
    valueFormat.DecimalSeparator = u'.';
    QCOMPARE(SetpointWriteCommand(edited, valueFormat).value_or(QByteArray()), command);
}

void TestSetpoint::applyRefusesWhatIsNoNumber_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<bool>("refused");

    QTest::newRow("empty") << "" << "" << true;
    QTest::newRow("1.2.3 typed") << "1.2.3" << "" << true;
    QTest::newRow("inf pasted") << "" << "inf" << true;
    QTest::newRow("Infinity pasted after digits") << "12" << "Infinity" << true;
    QTest::newRow("25,5 typed") << "25,5" << "" << false;
}

void TestSetpoint::applyRefusesWhatIsNoNumber()
{
    QFETCH(QString, typed);
    QFETCH(QString, pasted);
    QFETCH(bool, refused);

    WindowFixture fixture; // no bath: the requests are dropped, the check still runs
    TMainFrm& frm = fixture.window();
    frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));
    QTest::keyClicks(frm.edSet, typed);
    if (!pasted.isEmpty()) {
        QGuiApplication::clipboard()->setText(pasted);
        QTest::keyClick(frm.edSet, Qt::Key_V, Qt::ControlModifier);
    }
    QTest::mouseClick(frm.ChangeSetBtn, Qt::LeftButton);
    QCOMPARE(fixture.dialogs.texts("error"), refused ? QStringList{IdsText(12)} : QStringList{});
    QVERIFY(frm.RequestQueue.empty());
}

void TestSetpoint::readSendsNothingWithoutBath()
{
    WindowFixture fixture;
    TMainFrm& frm = fixture.window();
    frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));
    QTest::mouseClick(frm.ReadSetBtn, Qt::LeftButton);
    QVERIFY(frm.RequestQueue.empty());
    QVERIFY(fixture.dialogs.shown.empty());
}

QTEST_MAIN(TestSetpoint)
#include "tst_setpoint.moc"
