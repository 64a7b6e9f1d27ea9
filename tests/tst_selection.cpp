// Which HID devices are baths, the "Bath" menu and the selection of one bath,
// with scripted devices arriving and leaving.

#include "support/BathFixture.h"

#include "link/hid/HidDevice.h"

#include <QtTest>

#include <QAction>
#include <QMenu>
#include <QTimer>

namespace {

FakeHidPlatform::Traits bath(const QString& id, const QString& serial, const QString& product = "Kelmora thermostat",
                           const QString& vendor = "Orvelle")
{
    FakeHidPlatform::Traits traits;
    traits.id = id;
    traits.serial = serial;
    traits.product = product;
    traits.vendor = vendor;
    return traits;
}

QStringList menuCaptions(TMainFrm& w)
{
    QStringList captions;
    for (QAction* item : w.DevPopup->actions())
        captions << item->text() + (item->isChecked() ? "*" : "");
    return captions;
}

const QByteArray kSetpointRead(":00000000 set.val rd\r");

} // namespace

class TestSelection : public QObject {
    Q_OBJECT
private slots:
    void aBathPresentAtStartIsSelectedOnceTheLoopRuns()
    {
        FakeHidPlatform fake;
        auto& device = fake.add(bath("b1", "B-0001"));
        WindowFixture f(&fake);
        TMainFrm& w = f.window();
        // The first scan waits in the event queue until the window exists.
        QVERIFY(!w.SelectedDevice);
        QVERIFY(device.writes().empty());
        QTRY_VERIFY(w.SelectedDevice);
        QCOMPARE(w.StatusBar->panelText(0), QStringLiteral("Bath: B-0001"));
        QVERIFY(w.RecordBtn->isEnabled());
        QVERIFY(w.DataTimer->isActive());
        QCOMPARE(w.DataTimer->interval(), 2000);
        QCOMPARE(menuCaptions(w), QStringList{"B-0001*"});
        QCOMPARE(w.SelectedDevice->NumInputBuffers(), 128);
        QCOMPARE(w.SelectedDevice->NumOverlappedBuffers(), 128);
    }

    void whichDevicesAreTaken_data()
    {
        QTest::addColumn<QString>("vendor");
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("pname"); // empty: the default pattern
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QString>("caption");

        QTest::newRow("thermostat") << "Orvelle" << "Kelmora thermostat" << "" << true << "S1";
        QTest::newRow("kelmora alone") << "Orvelle" << "KELMORA" << "" << true << "S1";
        QTest::newRow("adapter in capitals") << "ORVELLE" << "USB-RS ADAPTER" << "" << true << "S1 (adapter)";
        QTest::newRow("another vendor") << "Acme" << "USB-RS adapter" << "" << false << "";
        QTest::newRow("vendor must be exact") << "Orvelle GmbH" << "Kelmora thermostat" << "" << false << "";
        QTest::newRow("adapter alone is no bath") << "Orvelle" << "adapter" << "" << false << "";
        QTest::newRow("keyboard") << "Logi" << "USB Keyboard" << "" << false << "";
        QTest::newRow("pattern in capitals") << "Orvelle" << "Model X7" << "MODEL X\\d" << true << "S1";
        // The whole pattern is lower-cased, escapes included: \D becomes \d.
        QTest::newRow("escape changes meaning") << "Orvelle" << "Model X7" << "MODEL X\\D" << true << "S1";
        QTest::newRow("pattern not matching") << "Orvelle" << "Kelmora thermostat" << "chiller" << false << "";
    }

    void whichDevicesAreTaken()
    {
        QFETCH(QString, vendor);
        QFETCH(QString, product);
        QFETCH(QString, pname);
        QFETCH(bool, taken);
        QFETCH(QString, caption);
        FakeHidPlatform fake;
        fake.add(bath("d1", "S1", product, vendor));
        WindowFixture f(&fake, pname.isEmpty() ? QString() : "[usb]\npname=" + pname + "\n");
        TMainFrm& w = f.window();
        QTRY_COMPARE(fake.scans(), 1);
        QTest::qWait(20);
        QCOMPARE(w.SelectedDevice != nullptr, taken);
        QCOMPARE(menuCaptions(w), taken ? QStringList{caption + "*"} : QStringList{});
        QVERIFY(f.dialogs.shown.empty());
    }

    void anAdapterIsDrivenWithAdapterFraming()
    {
        BathFixture fx(bath("a1", "A-7", "usb to rs485 Adapter", "orvelle"));
        QVERIFY(fx.start());
        QVERIFY(fx.w().IsAdapter);
        QCOMPARE(fx.w().StatusBar->panelText(0), QStringLiteral("Bath: A-7 (adapter)"));
        QCOMPARE(fx.commands().size(), 2); // set-up report, then the first request
        QCOMPARE(fx.commands().at(1), kSetpointRead);
    }

    void twoBathsFirstSelectedSecondListed()
    {
        FakeHidPlatform fake;
        WindowFixture f(&fake);
        TMainFrm& w = f.window();
        QTRY_COMPARE(fake.scans(), 1);
        fake.plug(bath("b1", "B-0001"));
        QTRY_VERIFY(w.SelectedDevice);
        auto& second = fake.plug(bath("b2", "B-0002"));
        QTRY_COMPARE(w.DevPopup->actions().size(), 2);
        QCOMPARE(menuCaptions(w), (QStringList{"B-0001*", "B-0002"}));
        QCOMPARE(w.SelectedDevice->SerialNumber(), QStringLiteral("B-0001"));
        QVERIFY(second.writes().empty());
        QVERIFY(w.DevPopup->actions().at(0)->actionGroup()->isExclusive());
    }

    void unplugTheSelectedBathThenPlugAnother()
    {
        FakeHidPlatform fake;
        auto& first = fake.add(bath("b1", "B-0001"));
        fake.add(bath("b2", "B-0002"));
        WindowFixture f(&fake);
        TMainFrm& w = f.window();
        QTRY_COMPARE(w.DevPopup->actions().size(), 2);
        w.stAlarm->setText(QStringLiteral("no alarm"));
        w.stTemp->setText(QStringLiteral("25.00"));
        w.edSet->setText(QStringLiteral("25.00"));

        fake.unplug(first);
        QTRY_VERIFY(!w.SelectedDevice);
        QCOMPARE(w.StatusBar->panelText(0), QStringLiteral("Bath: not selected"));
        QVERIFY(!w.RecordBtn->isEnabled());
        QVERIFY(!w.DataTimer->isActive());
        QVERIFY(!w.Timeout->isActive());
        QVERIFY(w.stTemp->text().isEmpty());
        QVERIFY(w.edSet->text().isEmpty());
        QVERIFY(w.stAlarm->text().isEmpty());
        QCOMPARE(menuCaptions(w), QStringList{"B-0002"}); // listed, not selected in its place

        fake.plug(bath("b3", "B-0003"));
        QTRY_COMPARE(w.DevPopup->actions().size(), 2);
        QVERIFY(w.SelectedDevice);
        // The first device of the list is selected: the one that stayed.
        QCOMPARE(w.SelectedDevice->SerialNumber(), QStringLiteral("B-0002"));
        QCOMPARE(menuCaptions(w), (QStringList{"B-0002*", "B-0003"}));
    }

    void choosingAnotherBathMovesTheSelection()
    {
        FakeHidPlatform fake;
        auto& first = fake.add(bath("b1", "B-0001"));
        auto& second = fake.add(bath("b2", "B-0002"));
        WindowFixture f(&fake);
        TMainFrm& w = f.window();
        QTRY_COMPARE(w.DevPopup->actions().size(), 2);
        THidDevice* old = w.SelectedDevice;
        w.DevPopup->actions().at(1)->trigger();
        QCOMPARE(w.SelectedDevice->SerialNumber(), QStringLiteral("B-0002"));
        QVERIFY(!old->OnData()); // the previous bath delivers nothing any more
        QCOMPARE(w.RequestQueue.size(), size_t(5)); // cleared, then the five start-up requests
        QCOMPARE(second.writes().size(), size_t(1));
        QCOMPARE(first.writes().size(), size_t(1));
        QCOMPARE(menuCaptions(w), (QStringList{"B-0001", "B-0002*"}));
        QCOMPARE(w.StatusBar->panelText(0), QStringLiteral("Bath: B-0002"));
    }

    void choosingTheSelectedBathAgainSendsNothing()
    {
        BathFixture fx;
        QVERIFY(fx.start());
        fx.bath->clearWrites();
        fx.w().DevPopup->actions().at(0)->trigger();
        QVERIFY(fx.bath->writes().empty());
        QCOMPARE(fx.w().RequestQueue.size(), size_t(5));
    }

    void anInvalidPatternIsReportedOnceAndMatchesNothing()
    {
        FakeHidPlatform fake;
        fake.add(bath("b1", "B-0001"));
        fake.add(bath("b2", "B-0002"));
        WindowFixture f(&fake, "[usb]\npname=thermostat(\n");
        TMainFrm& w = f.window();
        QTRY_COMPARE(f.dialogs.texts("error").size(), 1);
        QTest::qWait(50);
        QVERIFY(!w.SelectedDevice);
        const QStringList errors = f.dialogs.texts("error");
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().contains("thermostat("), qPrintable(errors.first()));
        QVERIFY2(errors.first().contains("missing closing parenthesis"), qPrintable(errors.first()));
    }

    void aBusyNodeIsReportedWithoutPointingToTheRule()
    {
        FakeHidPlatform::Traits traits = bath("b1", "B-0001");
        traits.readWrite = false;
        traits.openError = EBUSY;
        traits.path = QStringLiteral("/dev/hidraw5");
        FakeHidPlatform fake;
        fake.add(traits);
        WindowFixture f(&fake);
        QTRY_VERIFY(f.window().SelectedDevice);
        QTRY_COMPARE(f.dialogs.texts("error").size(), 1);
        const QString message = f.dialogs.texts("error").first();
        QVERIFY2(message.contains("/dev/hidraw5"), qPrintable(message));
        QVERIFY2(!message.contains("udev"), qPrintable(message));
    }

    void aBathWithoutAccessIsReportedOncePerDevice()
    {
        FakeHidPlatform::Traits traits = bath("b1", "B-0001");
        traits.readWrite = false;
        traits.openError = EACCES;
        traits.path = QStringLiteral("/dev/hidraw3");
        FakeHidPlatform fake;
        fake.add(traits);
        WindowFixture f(&fake);
        TMainFrm& w = f.window();
        QTRY_VERIFY(w.SelectedDevice);
        QTRY_COMPARE(f.dialogs.texts("error").size(), 1);
        const QString message = f.dialogs.texts("error").first();
        QVERIFY2(message.contains("/dev/hidraw3"), qPrintable(message));
        QVERIFY2(message.contains("70-quintara.rules"), qPrintable(message));
        // Selecting it again later says nothing new.
        fake.add(bath("b2", "B-0002"));
        fake.notify();
        QTRY_COMPARE(w.DevPopup->actions().size(), 2);
        w.DevPopup->actions().at(1)->trigger();
        w.DevPopup->actions().at(0)->trigger();
        QCOMPARE(f.dialogs.texts("error").size(), 1);
    }
};

QTEST_MAIN(TestSelection)
#include "tst_selection.moc"
