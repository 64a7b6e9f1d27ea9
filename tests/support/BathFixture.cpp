#include "support/BathFixture.h"

#include "link/hid/HidDevice.h"

#include <QTest>
#include <QTimer>

BathFixture::BathFixture(FakeHidPlatform::Traits traits, const QString& iniText)
    : window(&fake, iniText)
{
    if (traits.id.isEmpty())
        traits.id = QStringLiteral("bath-1");
    if (traits.serial.isEmpty())
        traits.serial = QStringLiteral("B-0001");
    adapter = traits.product.contains(QStringLiteral("adapter"), Qt::CaseInsensitive);
    bath = &fake.add(traits);
}

bool BathFixture::start()
{
    TMainFrm& frm = w();
    if (!QTest::qWaitFor([&] { return frm.SelectedDevice != nullptr; }, 5000))
        return false;
    frm.DataTimer->stop();
    frm.Timeout->stop();
    return true;
}

QList<QByteArray> BathFixture::commands() const
{
    QList<QByteArray> result;
    for (const QByteArray& report : bath->writes()) {
        if (adapter) {
            const int length = uint8_t(report.at(1)) | (uint8_t(report.at(2)) << 8);
            result << report.mid(5, length);
        } else {
            const QByteArray payload = report.mid(1);
            const qsizetype end = payload.indexOf('\0');
            result << (end < 0 ? payload : payload.left(end));
        }
    }
    return result;
}

QByteArray DirectReportData(const QByteArray& text)
{
    QByteArray data = text.left(64);
    data.append(QByteArray(64 - data.size(), '\0'));
    return data;
}

QByteArray AdapterReportData(const QByteArray& payload, int lengthByte)
{
    QByteArray data(4, '\0');
    data[0] = char(lengthByte >= 0 ? lengthByte : payload.size());
    data.append(payload.left(60));
    data.append(QByteArray(64 - data.size(), '\0'));
    return data;
}

void BathFixture::answerDirect(const QByteArray& text)
{
    const QByteArray data = DirectReportData(text);
    w().HidControllerDeviceData(w().SelectedDevice, 0, reinterpret_cast<const uint8_t*>(data.constData()),
                                uint16_t(data.size()));
}

void BathFixture::answerAdapter(const QByteArray& payload, int lengthByte)
{
    const QByteArray data = AdapterReportData(payload, lengthByte);
    w().HidControllerDeviceData(w().SelectedDevice, 0, reinterpret_cast<const uint8_t*>(data.constData()),
                                uint16_t(data.size()));
}

QList<int> BathFixture::queuedKinds()
{
    QList<int> kinds;
    for (const Request& request : w().RequestQueue)
        kinds << request.kind;
    return kinds;
}
