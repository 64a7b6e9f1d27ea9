// The settings dialog, driven as the user drives it: typing, OK, Cancel, Escape,
// the close box.

#include "app/MainForm.h"
#include "app/SettingsForm.h"
#include "support/WindowFixture.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QTest>
#include <QTimer>

namespace {

enum class Leave { Ok, Cancel, Escape, CloseBox, Enter };

// A dialog script: types into the field (replacing what FormActivate put
// there), leaves the dialog as said, and records what the field showed first.
std::function<int(QDialog&)> typeAndLeave(const QString& typed, Leave leave, QString* shownFirst = nullptr)
{
    return [=](QDialog& dialog) {
        auto& settings = static_cast<TSettingsFrm&>(dialog);
        settings.show();
        if (!QTest::qWaitForWindowExposed(&settings))
            return -1;
        if (shownFirst)
            *shownFirst = settings.edPollingTime->text();
        settings.edPollingTime->setFocus();
        settings.edPollingTime->selectAll();
        QTest::keyClicks(settings.edPollingTime, typed);
        if (typed.isEmpty())
            QTest::keyClick(settings.edPollingTime, Qt::Key_Delete);
        switch (leave) {
        case Leave::Ok:
            QTest::mouseClick(settings.OkBtn, Qt::LeftButton);
            break;
        case Leave::Cancel:
            QTest::mouseClick(settings.CancelBtn, Qt::LeftButton);
            break;
        case Leave::Escape:
            QTest::keyClick(settings.edPollingTime, Qt::Key_Escape);
            break;
        case Leave::CloseBox:
            settings.close();
            break;
        case Leave::Enter:
            QTest::keyClick(settings.edPollingTime, Qt::Key_Return);
            if (!settings.isVisible())
                return -2; // Enter must not leave the dialog
            QTest::mouseClick(settings.CancelBtn, Qt::LeftButton);
            break;
        }
        return settings.isVisible() ? -3 : settings.result();
    };
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestSettingsDialog : public QObject {
    Q_OBJECT
private slots:
    void createdHiddenAtStartUp();
    void okBringsThePeriodIntoRange_data();
    void okBringsThePeriodIntoRange();
    void otherWaysOutKeepThePeriod_data();
    void otherWaysOutKeepThePeriod();
    void onlyDigitsCanBeTyped();
    void nextShowingShowsThePeriodInForce();
    void periodReachesTheFileAtClosing();
};

void TestSettingsDialog::createdHiddenAtStartUp()
{
    WindowFixture fixture;
    TMainFrm& frm = fixture.window();
    QVERIFY(frm.SettingsFrm);
    QVERIFY(!frm.SettingsFrm->isVisible());
    QCOMPARE(frm.SettingsFrm->parentWidget(), &frm);
    QCOMPARE(frm.SettingsFrm->windowTitle(), QString("Application settings"));
    QVERIFY(!frm.SettingsFrm->OkBtn->isDefault() && !frm.SettingsFrm->OkBtn->autoDefault());
    QVERIFY(!frm.SettingsFrm->CancelBtn->isDefault() && !frm.SettingsFrm->CancelBtn->autoDefault());
}

void TestSettingsDialog::okBringsThePeriodIntoRange_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("pollTime");

    QTest::newRow("1500 is raised") << "1500" << 2000;
    QTest::newRow("90000 is lowered") << "90000" << 60000;
    QTest::newRow("empty reads as 0, raised") << "" << 2000;
    QTest::newRow("2000 kept") << "2000" << 2000;
    QTest::newRow("60000 kept") << "60000" << 60000;
    QTest::newRow("in between") << "12345" << 12345;
    QTest::newRow("too large for 32 bits") << "99999999999" << 60000;
    QTest::newRow("leading zeros") << "0003000" << 3000;
}

void TestSettingsDialog::okBringsThePeriodIntoRange()
{
    QFETCH(QString, typed);
    QFETCH(int, pollTime);
    WindowFixture fixture;
    TMainFrm& frm = fixture.window();
    frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));
    fixture.dialogs.dialogScripts.push_back(typeAndLeave(typed, Leave::Ok));
    QTest::mouseClick(frm.SettingsBtn, Qt::LeftButton);
    QVERIFY(fixture.dialogs.dialogScripts.empty());
    QCOMPARE(fixture.dialogs.texts("dialog"), QStringList{"Application settings"});
    QCOMPARE(frm.PollTime, pollTime);
    QCOMPARE(frm.DataTimer->interval(), pollTime);
}

void TestSettingsDialog::otherWaysOutKeepThePeriod_data()
{
    QTest::addColumn<int>("leave");
    QTest::newRow("Cancel") << int(Leave::Cancel);
    QTest::newRow("Escape") << int(Leave::Escape);
    QTest::newRow("close box") << int(Leave::CloseBox);
    QTest::newRow("Enter does not press OK") << int(Leave::Enter);
}

void TestSettingsDialog::otherWaysOutKeepThePeriod()
{
    QFETCH(int, leave);
    WindowFixture fixture(nullptr, "[Chart]\nPollTime=5000\n");
    TMainFrm& frm = fixture.window();
    frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));
    QTimer* timer = frm.DataTimer;
    timer->start();
    fixture.dialogs.dialogScripts.push_back(typeAndLeave("30000", Leave(leave)));
    QTest::mouseClick(frm.SettingsBtn, Qt::LeftButton);
    QVERIFY(fixture.dialogs.dialogScripts.empty());
    QCOMPARE(frm.PollTime, 5000);
    QCOMPARE(timer->interval(), 5000);
    QVERIFY(timer->isActive());
    QCOMPARE(frm.SettingsFrm->result(), int(QDialog::Rejected));
}

void TestSettingsDialog::onlyDigitsCanBeTyped()
{
    WindowFixture fixture;
    TSettingsFrm& settings = *fixture.window().SettingsFrm;
    settings.edPollingTime->clear();
    QTest::keyClicks(settings.edPollingTime, "1a2- 3+b4.5,6");
    QCOMPARE(settings.edPollingTime->text(), QString("123456"));
    QTest::keyClick(settings.edPollingTime, Qt::Key_Backspace);
    QCOMPARE(settings.edPollingTime->text(), QString("12345"));
    QGuiApplication::clipboard()->setText("9");
    QTest::keyClick(settings.edPollingTime, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(settings.edPollingTime->text(), QString("12345"));

    const std::pair<int, bool> cases[] = {{'0', true}, {'9', true}, {8, true},     {'a', false},
                                          {'-', false}, {' ', false}, {22, false}, {0x0663, false}};
    for (const auto& [code, accepted] : cases)
        QCOMPARE(TSettingsFrm::edPollingTimeKeyPress(QChar(char16_t(code))), accepted);
}

void TestSettingsDialog::nextShowingShowsThePeriodInForce()
{
    WindowFixture fixture;
    TMainFrm& frm = fixture.window();
    frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));
    QString first;
    QString second;
    fixture.dialogs.dialogScripts.push_back(typeAndLeave("1500", Leave::Ok, &first));
    fixture.dialogs.dialogScripts.push_back(typeAndLeave("7000", Leave::Cancel, &second));
    QTest::mouseClick(frm.SettingsBtn, Qt::LeftButton);
    QTest::mouseClick(frm.SettingsBtn, Qt::LeftButton);
    QCOMPARE(first, QString("2000"));
    QCOMPARE(second, QString("2000"));
    QCOMPARE(frm.PollTime, 2000);
}

void TestSettingsDialog::periodReachesTheFileAtClosing()
{
    WindowFixture fixture(nullptr, "[Chart]\nPollTime=3000\n");
    TMainFrm& frm = fixture.window();
    frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));
    fixture.dialogs.dialogScripts.push_back(typeAndLeave("5000", Leave::Ok));
    QTest::mouseClick(frm.SettingsBtn, Qt::LeftButton);
    QCOMPARE(frm.PollTime, 5000);
    QCOMPARE(readAll(fixture.iniPath()), QByteArray("[Chart]\nPollTime=3000\n"));
    QVERIFY(fixture.close());
    QVERIFY(readAll(fixture.iniPath()).contains("[Chart]\nPollTime=5000\n"));
}

QTEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
