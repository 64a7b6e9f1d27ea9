// The request queue, the framing of commands into output reports, the assembly
// of response lines from input reports, and the dispatch of each line.

#include "app/Astr.h"
#include "app/Dialogs.h"
#include "app/MainForm.h"
#include "link/Framing.h"
#include "link/hid/HidDevice.h"

#include <QTimer>

namespace {

// A read error is shown in English in both languages, like the framework's own texts.
const QString kDeviceDataError = QStringLiteral("Device data error");

} // namespace

void TMainFrm::AddRequest(int kind, const QByteArray& command)
{
    if (!SelectedDevice)
        return;
    RequestQueue.push_back(Request{kind, command});
    if (RequestQueue.size() == 1)
        SendRequest(RequestQueue.front().command);
}

void TMainFrm::SendRequest(const QByteArray& command)
{
    if (!SelectedDevice || command.isEmpty())
        return;
    const uint32_t length = SelectedDevice->Caps().OutputReportByteLength;
    ReportBuffer.resize(length);
    const uint32_t pieces = Framing::PieceCount(command.size(), ReportBuffer.size, IsAdapter);
    for (uint32_t piece = 0; piece < pieces; ++piece) {
        // Cleared before every report, so a short last piece carries no bytes of
        // the piece before it.
        Framing::BuildReport(ReportBuffer.data.get(), ReportBuffer.size, command, piece, IsAdapter);
        uint32_t written = 0;
        SelectedDevice->WriteFile(ReportBuffer.data.get(), ReportBuffer.size, written);
    }
    // A running time-out keeps its rhythm; a lost write is covered by the resend.
    if (!Timeout->isActive())
        Timeout->start();
}

void TMainFrm::SendAdapterSetup()
{
    if (!SelectedDevice)
        return;
    ReportBuffer.resize(SelectedDevice->Caps().OutputReportByteLength);
    if (ReportBuffer.size == 0)
        return;
    Framing::BuildAdapterSetup(ReportBuffer.data.get(), ReportBuffer.size);
    uint32_t written = 0;
    SelectedDevice->WriteFile(ReportBuffer.data.get(), ReportBuffer.size, written);
}

void TMainFrm::TimeoutTimer()
{
    Timeout->stop();
    if (!RequestQueue.empty())
        SendRequest(RequestQueue.front().command);
}

void TMainFrm::ShowError(const QString& text)
{
    Dlg.showError(this, text);
}

void TMainFrm::HidControllerDeviceDataError(THidDevice*, uint32_t)
{
    StatusBar->setPanelText(2, kDeviceDataError);
}

void TMainFrm::HidControllerDeviceData(THidDevice*, uint8_t, const uint8_t* Data, uint16_t Size)
{
    Timeout->stop();
    if (!SelectedDevice || RequestQueue.empty())
        return;

    // A handler below may open a modal box; while it is open the selection can
    // change. The rest of this report then belongs to nobody.
    const quint64 selection = SelectionSerial;
    const bool adapter = IsAdapter;
    const Framing::ScanRange range = Framing::InputScanRange(Data, Size, adapter);
    bool lineCompleted = false;

    for (uint32_t i = range.begin; i < range.begin + range.count; ++i) {
        const uint8_t byte = Data[i];
        if (byte >= Framing::kLineEndBelow) {
            if (LineBuffer.size() < Framing::kMaxLineLength)
                LineBuffer.append(char(byte));
            continue;
        }
        if (RequestQueue.empty()) {
            // A further line end with nothing outstanding: the line is discarded.
            LineBuffer.clear();
            if (!adapter)
                break;
            continue;
        }
        lineCompleted = true;
        const Request head = RequestQueue.front();
        RequestQueue.pop_front();
        const QString line = QString::fromLocal8Bit(LineBuffer);
        LineBuffer.clear();
        ResponseFields = Framing::SplitResponse(line);
        DispatchResponse(head, line);
        if (!adapter || SelectionSerial != selection)
            break;
    }

    if (SelectionSerial != selection)
        return;
    if (lineCompleted) {
        if (!RequestQueue.empty())
            SendRequest(RequestQueue.front().command);
    } else if (!RequestQueue.empty()) {
        // A report that completes no line stopped the time-out; arm it again so
        // an unfinished answer cannot stall polling for good.
        if (!Timeout->isActive())
            Timeout->start();
    }
}

void TMainFrm::DispatchResponse(const Request& head, const QString& line)
{
    if (ResponseFields.size() < 2) {
        ShowError(IdsText(10));
        return;
    }
    if (head.kind == kConsole) {
        ShowConsoleReply(line);
        return;
    }
    int status = -1;
    if (!Framing::TryParseStatusCode(ResponseFields.at(1), status)) {
        ShowError(IdsText(10));
        return;
    }
    if (status == 0) {
        if (head.kind == kWriteSetpoint)
            return;
        if (ResponseFields.size() < 3) {
            // A success without the value that was asked for.
            ShowError(IdsText(10));
            return;
        }
        const QString value = ResponseFields.at(2);
        switch (head.kind) {
        case kReadInternal:
            TakeReading(value, 1);
            break;
        case kReadExternal:
            TakeReading(value, 2);
            break;
        case kReadPower:
            TakeReading(value, 3);
            break;
        case kReadSetpoint:
            ShowSetpoint(value);
            break;
        case kReadReadiness:
            ShowReadiness(value);
            break;
        case kReadAlarm:
            ShowAlarm(value);
            break;
        default:
            break;
        }
        return;
    }
    if (status == 6) {
        StatusBar->setPanelText(1, IdsText(19));
        return;
    }
    if (status == 3 && head.kind == kReadReadiness) {
        ShowReadiness(QStringLiteral("2"));
        return;
    }
    // A code the table does not name is still shown, without an explanation.
    const QString explanation =
        status >= 0 && status < StatusTexts.size() ? StatusTexts.at(status) : QString();
    ShowError(IdsText(11) + QString::number(status) + explanation);
}
