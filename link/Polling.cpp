// The poll cycle and the handlers that show what the bath answers.

#include "app/Astr.h"
#include "app/MainForm.h"

#include <QTimer>

namespace {

const QColor kNotReady(255, 0, 0);
const QColor kReady(0, 128, 0);
const QColor kUndetermined(0, 0, 0);

} // namespace

void TMainFrm::ApplyPollTime()
{
    if (PollTime < 2000)
        PollTime = 2000;
    if (DataTimer->interval() != PollTime)
        DataTimer->setInterval(PollTime); // restarts a running period
}

void TMainFrm::DataTimerTimer()
{
    // A cycle that is still outstanding makes the tick pass idle: cycles never overlap.
    if (!DataTimer->isActive() || !SelectedDevice || !RequestQueue.empty())
        return;
    AddRequest(kReadInternal, Cmd::ReadInternal);
    AddRequest(kReadExternal, Cmd::ReadExternal);
    AddRequest(kReadPower, Cmd::ReadPower);
    AddRequest(kReadAlarm, Cmd::ReadAlarm);
    AddRequest(kReadReadiness, Cmd::ReadReadiness);
}

void TMainFrm::TakeReading(const QString& text, int series)
{
    const double value = ParseNumber(text, ValueFormat);
    const TDateTime stamp = TimeBase + (Now() - RecStart);
    AddSample(stamp, value, series);
}

void TMainFrm::ShowSetpoint(const QString& text)
{
    edSet->setText(FormatFixed2(ParseNumber(text, ValueFormat), DisplayFormat));
}

void TMainFrm::ShowReadiness(const QString& text)
{
    bool ok = false;
    int readiness = text.trimmed().toInt(&ok, 10);
    if (!ok)
        readiness = 0;
    const QColor colour = readiness == 0 ? kNotReady : readiness == 1 ? kReady : kUndetermined;
    QPalette palette = stTemp->palette();
    if (palette.color(QPalette::Text) == colour)
        return;
    palette.setColor(QPalette::Text, colour);
    stTemp->setPalette(palette);
}

void TMainFrm::ShowAlarm(const QString& text)
{
    LastAlarmField = text;
    stAlarm->setText(AlarmCaption(text));
}

QString TMainFrm::AlarmCaption(const QString& field) const
{
    // One character per cause, the last one for the first cause; the cause
    // nearest the end wins.
    const qsizetype examined = std::min<qsizetype>(field.size(), AlarmTexts.size());
    for (qsizetype distance = 0; distance < examined; ++distance) {
        if (field.at(field.size() - 1 - distance) == u'1')
            return AlarmTexts.at(distance);
    }
    return IdsText(20);
}
