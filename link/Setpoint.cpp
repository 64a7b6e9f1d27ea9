// Reading and changing the bath's setpoint.

#include "link/Setpoint.h"

#include "app/Astr.h"
#include "app/MainForm.h"

#include <cmath>

std::optional<QByteArray> SetpointWriteCommand(const QString& edited, const TFormatSettings& valueFormat)
{
    QString text = edited;
    text.replace(u',', u'.');
    if (!std::isfinite(ParseNumber(text, valueFormat)))
        return std::nullopt;
    // Blanks and control characters around the number stay out of the command,
    // where a pasted line break would end it early.
    return Cmd::WriteSetpointPrefix + TrimBlanksAndControls(text).toLocal8Bit() + '\r';
}

bool TMainFrm::edSetKeyPress(QChar Key)
{
    const char16_t c = Key.unicode();
    // Backspace, and Ctrl+C, Ctrl+V, Ctrl+X so the clipboard keeps working.
    return (c >= u'0' && c <= u'9') || c == u',' || c == u'.' || c == u'-' || c == 8 || c == 3 || c == 22 ||
           c == 24;
}

void TMainFrm::ChangeSetBtnClick()
{
    if (const std::optional<QByteArray> command = SetpointWriteCommand(edSet->text(), ValueFormat))
        AddRequest(kWriteSetpoint, *command);
    else
        ShowError(IdsText(12));
    // Read back in every case: the field then shows what the bath holds.
    AddRequest(kReadSetpoint, Cmd::ReadSetpoint);
}

void TMainFrm::ReadSetBtnClick()
{
    AddRequest(kReadSetpoint, Cmd::ReadSetpoint);
}
