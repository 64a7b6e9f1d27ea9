// Report lengths read from report descriptors, written out byte by byte from
// the HID usage tables.

#include "link/hid/ReportDescriptor.h"

#include <QTest>

class ReportDescriptorTest : public QObject {
    Q_OBJECT

private slots:
    void lengthsAndNumbering_data();
    void lengthsAndNumbering();
};

void ReportDescriptorTest::lengthsAndNumbering_data()
{
    QTest::addColumn<QByteArray>("descriptor");
    QTest::addColumn<int>("input");
    QTest::addColumn<int>("output");
    QTest::addColumn<int>("feature");
    QTest::addColumn<bool>("numbered");
    QTest::addColumn<int>("usagePage");
    QTest::addColumn<int>("usage");

    // 64 data bytes each way, vendor-defined, no report ids: a bath or adapter.
    QTest::newRow("vendor 64 bytes") << QByteArray::fromHex("06 00 FF"   // Usage Page (Vendor 0xFF00)
                                                            "09 01"      // Usage (1)
                                                            "A1 01"      // Collection (Application)
                                                            "09 02"      //   Usage (2)
                                                            "15 00"      //   Logical Minimum (0)
                                                            "26 FF 00"   //   Logical Maximum (255)
                                                            "75 08"      //   Report Size (8)
                                                            "95 40"      //   Report Count (64)
                                                            "81 02"      //   Input (Data, Var, Abs)
                                                            "09 03"      //   Usage (3)
                                                            "15 00"      //   Logical Minimum (0)
                                                            "26 FF 00"   //   Logical Maximum (255)
                                                            "75 08"      //   Report Size (8)
                                                            "95 40"      //   Report Count (64)
                                                            "91 02"      //   Output (Data, Var, Abs)
                                                            "C0")        // End Collection
                                     << 65 << 65 << 0 << false << 0xFF00 << 1;

    // The boot keyboard: modifiers, reserved byte, six key codes in; five LEDs and padding out.
    QTest::newRow("boot keyboard") << QByteArray::fromHex("05 01"       // Usage Page (Generic Desktop)
                                                          "09 06"       // Usage (Keyboard)
                                                          "A1 01"       // Collection (Application)
                                                          "05 07"       //   Usage Page (Key Codes)
                                                          "19 E0 29 E7" //   Usage Minimum/Maximum (224..231)
                                                          "15 00 25 01" //   Logical Minimum/Maximum (0..1)
                                                          "75 01 95 08" //   Report Size 1, Count 8
                                                          "81 02"       //   Input (Data, Var, Abs): modifiers
                                                          "95 01 75 08" //   Report Count 1, Size 8
                                                          "81 01"       //   Input (Constant): reserved
                                                          "95 05 75 01" //   Report Count 5, Size 1
                                                          "05 08"       //   Usage Page (LEDs)
                                                          "19 01 29 05" //   Usage Minimum/Maximum (1..5)
                                                          "91 02"       //   Output (Data, Var, Abs): LEDs
                                                          "95 01 75 03" //   Report Count 1, Size 3
                                                          "91 01"       //   Output (Constant): padding
                                                          "95 06 75 08" //   Report Count 6, Size 8
                                                          "15 00 25 65" //   Logical Minimum/Maximum (0..101)
                                                          "05 07"       //   Usage Page (Key Codes)
                                                          "19 00 29 65" //   Usage Minimum/Maximum (0..101)
                                                          "81 00"       //   Input (Data, Array): keys
                                                          "C0")
                                   << 9 << 2 << 0 << false << 0x01 << 0x06;

    // A mouse (report 1, 4 bytes), a consumer control (report 2, 2 bytes) and a
    // vendor collection (report 3: 16 bytes out, 2 bytes of feature). Push/Pop
    // keep report size and count around the consumer control.
    QTest::newRow("several report ids")
        << QByteArray::fromHex("05 01 09 02 A1 01"      // Generic Desktop, Mouse, Collection (Application)
                               "85 01"                  //   Report ID (1)
                               "09 01 A1 00"            //   Usage (Pointer), Collection (Physical)
                               "05 09 19 01 29 03"      //     Buttons 1..3
                               "15 00 25 01 95 03 75 01"
                               "81 02"                  //     Input: 3 bits
                               "95 01 75 05 81 01"      //     Input (Constant): 5 bits
                               "05 01 09 30 09 31 09 38"
                               "15 81 25 7F 75 08 95 03"
                               "81 06"                  //     Input (Rel): 3 bytes
                               "C0 C0"
                               "A4"                     // Push
                               "05 0C 09 01 A1 01"      // Consumer, Consumer Control, Collection
                               "85 02"                  //   Report ID (2)
                               "15 00 26 FF 03 19 00 2A FF 03"
                               "75 10 95 01"            //   Report Size 16, Count 1
                               "81 00"                  //   Input: 2 bytes
                               "C0"
                               "B4"                     // Pop
                               "06 00 FF 09 01 A1 01"   // Vendor collection
                               "85 03"                  //   Report ID (3)
                               "75 08 95 10"            //   Report Size 8, Count 16
                               "91 02"                  //   Output: 16 bytes
                               "95 02"                  //   Report Count 2
                               "B1 02"                  //   Feature: 2 bytes
                               "C0")
        << 5 << 17 << 3 << true << 0x01 << 0x02;

    // Items whose bits add up past 64 bits: the length saturates instead of
    // wrapping around to a one-byte report.
    QTest::newRow("huge items do not wrap") << QByteArray::fromHex("77 FF FF FF FF" // Report Size (4294967295)
                                                                   "97 FF FF FF FF" // Report Count (4294967295)
                                                                   "81 02"          // Input
                                                                   "95 02"          // Report Count (2)
                                                                   "81 02")         // Input
                                            << 0xFFFF << 0 << 0 << false << 0 << 0;
    QTest::newRow("empty") << QByteArray() << 0 << 0 << 0 << false << 0 << 0;
    // A truncated last item is ignored; what came before it counts.
    QTest::newRow("truncated") << QByteArray::fromHex("75 08 95 04 81 02 26 FF") << 5 << 0 << 0 << false << 0 << 0;
    // A long item is skipped whole, its data never read as items.
    QTest::newRow("long item") << QByteArray::fromHex("FE 02 10 85 07 75 08 95 02 81 02") << 3 << 0 << 0 << false
                               << 0 << 0;
}

void ReportDescriptorTest::lengthsAndNumbering()
{
    QFETCH(QByteArray, descriptor);
    QFETCH(int, input);
    QFETCH(int, output);
    QFETCH(int, feature);
    QFETCH(bool, numbered);
    QFETCH(int, usagePage);
    QFETCH(int, usage);

    const HIDP_CAPS caps =
        ParseReportDescriptor(reinterpret_cast<const uint8_t*>(descriptor.constData()), size_t(descriptor.size()));
    QCOMPARE(caps.InputReportByteLength, uint16_t(input));
    QCOMPARE(caps.OutputReportByteLength, uint16_t(output));
    QCOMPARE(caps.FeatureReportByteLength, uint16_t(feature));
    QCOMPARE(caps.NumberedReports, numbered);
    QCOMPARE(caps.UsagePage, uint16_t(usagePage));
    QCOMPARE(caps.Usage, uint16_t(usage));
}

QTEST_APPLESS_MAIN(ReportDescriptorTest)
#include "tst_reportdescriptor.moc"
