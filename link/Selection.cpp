// Which HID devices are baths, the "Bath" menu, and the selection of one bath.

#include "app/Astr.h"
#include "app/Dialogs.h"
#include "app/MainForm.h"
#include "link/DevicePattern.h"
#include "link/hid/HidDevice.h"
#include "link/hid/HidDeviceController.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QMenu>
#include <QTimer>

#include <cerrno>
#include <cstring>

namespace {

bool IsMakersDevice(THidDevice* device)
{
    return AsciiLowerCase(device->VendorName()) == QLatin1String(MainFormConst::VendorWord);
}

} // namespace

bool TMainFrm::IsBathDevice(THidDevice* HidDev)
{
    if (!IsMakersDevice(HidDev))
        return false;
    const bool matches = ProductPattern->Matches(AsciiLowerCase(HidDev->ProductName()));
    ReportPatternError();
    return matches;
}

bool TMainFrm::IsAdapterDevice(THidDevice* HidDev)
{
    return IsMakersDevice(HidDev) && AdapterPattern->Matches(AsciiLowerCase(HidDev->ProductName()));
}

QString TMainFrm::DeviceCaption(THidDevice* HidDev)
{
    QString caption = HidDev->SerialNumber();
    if (IsAdapterDevice(HidDev))
        caption += IdsText(29);
    return caption;
}

void TMainFrm::ReportPatternError()
{
    // The pattern compiles at its first use; a broken one matches nothing, and
    // without this message no bath would ever appear, silently.
    if (PatternErrorReported)
        return;
    const QString reason = ProductPattern->CompileError();
    if (reason.isEmpty())
        return;
    PatternErrorReported = true;
    ShowError(QCoreApplication::translate("Selection",
                                          "The product pattern \"%1\" (usb/pname in %2) is not a valid "
                                          "regular expression: %3. No bath can be recognised until it is corrected.")
                  .arg(ProductPattern->Pattern(), IniFileName, reason));
}

void TMainFrm::HidControllerArrival(THidDevice* HidDev)
{
    if (!IsBathDevice(HidDev))
        return;
    THidDevice* taken = nullptr;
    if (!HidController->CheckOutByProductName(taken, HidDev->ProductName()))
        return;
    taken->SetNumInputBuffers(128);
    taken->SetNumOverlappedBuffers(128);
    taken->SetOnData(nullptr);
    DeviceList.push_back(taken);
    RebuildDevMenu();
    if (!SelectedDevice && !DevPopup->actions().isEmpty())
        DevPopupItemClick(DevPopup->actions().constFirst());
}

void TMainFrm::HidControllerRemoval(THidDevice* HidDev)
{
    if (!IsBathDevice(HidDev))
        return;
    if (HidDev == SelectedDevice) {
        SelectedDevice = nullptr;
        ++SelectionSerial;
        ShowBathNotSelected();
        DataTimer->stop();
        Timeout->stop();
    }
    DeviceList.remove(HidDev);
    THidDevice* returned = HidDev;
    HidController->CheckIn(returned);
    RebuildDevMenu();
}

void TMainFrm::RebuildDevMenu()
{
    DevPopup->clear();
    delete DevGroup;
    DevGroup = new QActionGroup(DevPopup);
    DevGroup->setExclusive(true);
    int index = 0;
    for (THidDevice* device : DeviceList) {
        QAction* item = DevPopup->addAction(DeviceCaption(device));
        item->setCheckable(true);
        item->setChecked(device == SelectedDevice);
        item->setData(index++);
        DevGroup->addAction(item);
        connect(item, &QAction::triggered, this, [this, item] { RunHandler([&] { DevPopupItemClick(item); }); });
    }
}

void TMainFrm::DevPopupItemClick(QObject* Sender)
{
    auto* item = qobject_cast<QAction*>(Sender);
    if (!item)
        return;
    item->setChecked(true);
    const int index = item->data().toInt();
    if (index < 0 || size_t(index) >= DeviceList.size())
        return;
    THidDevice* device = *std::next(DeviceList.begin(), index);
    if (device == SelectedDevice)
        return;
    if (SelectedDevice)
        SelectedDevice->SetOnData(nullptr);
    SelectedDevice = device;
    ++SelectionSerial;
    device->SetOnData([this](THidDevice* dev, uint8_t id, const uint8_t* data, uint16_t size) {
        HidControllerDeviceData(dev, id, data, size);
    });
    ReportBuffer.resize(device->Caps().OutputReportByteLength);
    RequestQueue.clear();
    // A half-received line of the previous bath must not start the new one's answer.
    LineBuffer.clear();
    ShowBathSelected();
    IsAdapter = IsAdapterDevice(device);
    if (IsAdapter)
        SendAdapterSetup();
    AddRequest(kReadSetpoint, Cmd::ReadSetpoint);
    AddRequest(kReadReadiness, Cmd::ReadReadiness);
    AddRequest(kReadInternal, Cmd::ReadInternal);
    AddRequest(kReadExternal, Cmd::ReadExternal);
    AddRequest(kReadPower, Cmd::ReadPower);
    // On a switch between baths the running timer keeps its rhythm.
    if (!DataTimer->isActive())
        DataTimer->start();
    ReportNoAccess(device);
}

void TMainFrm::ReportNoAccess(THidDevice* device)
{
    // Without read/write access nothing is sent and nothing comes back; say so
    // once per device instead of showing a bath that never answers.
    if (device->HasReadWriteAccess())
        return;
    const QString node = device->PnPInfo().DevicePath;
    if (NoAccessReported.contains(device->PnPInfo().DeviceID))
        return;
    NoAccessReported.insert(device->PnPInfo().DeviceID);
    const int error = device->OpenError();
    const QString reason = error ? QString::fromLocal8Bit(std::strerror(error)) : QString();
    if (error == EACCES || error == EPERM) {
        ShowError(QCoreApplication::translate("Selection",
                                              "The bath %1 cannot be opened for reading and writing (%2). "
                                              "Install the udev rule 70-quintara.rules (see \"Using a real bath\" "
                                              "in the README), then plug the bath in again.")
                      .arg(node, reason));
        return;
    }
    ShowError(QCoreApplication::translate("Selection",
                                          "The bath %1 cannot be opened for reading and writing (%2). "
                                          "Nothing can be sent to it or read from it.")
                  .arg(node, reason));
}

void TMainFrm::ShowBathSelected()
{
    StatusBar->setPanelText(0, IdsText(0) + DeviceCaption(SelectedDevice));
    StatusBar->setPanelText(1, QString());
    RecordBtn->setEnabled(true);
    EnableConsole(true);
}

void TMainFrm::ShowBathNotSelected()
{
    StatusBar->setPanelText(0, IdsText(1));
    StatusBar->setPanelText(1, QString());
    if (Recording)
        RecordBtnClick();
    RecordBtn->setEnabled(false);
    EnableConsole(false);
    stTemp->clear();
    edSet->clear();
    stAlarm->clear();
    LastAlarmField.reset();
}
