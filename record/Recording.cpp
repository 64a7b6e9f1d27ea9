// Recording on and off, clearing, and the intake of one reading.

#include "app/Astr.h"
#include "app/Dialogs.h"
#include "app/MainForm.h"
#include "record/RecordTime.h"

void TMainFrm::AddSample(TDateTime x, double value, int n)
{
    const QString text = FormatFixed2(value, DisplayFormat);
    if (n == 1)
        stTemp->setText(text);
    if (!Recording)
        return;
    TLineSeries* series = Chart->Series(n - 1);
    if (!series)
        return;
    series->AddXY(x, value);
    if (n == 1) {
        RecordLines.append(FormatRowTime(x, RecordOrigin, DisplayFormat) + QStringLiteral("; ") + text);
        Memo->linesAppended();
        JournalLineAdded();
    } else if (!RecordLines.isEmpty()) {
        const QByteArray appended = (QStringLiteral("; ") + text).toUtf8();
        RecordLines.appendToLast(QByteArrayView(appended));
        Memo->linesAppended();
        JournalLastLineExtended(appended);
    }
    FollowLatest();
    UpdateTimeLabels();
    Modified = true;
}

void TMainFrm::StartRecordClock()
{
    RecStart = Now();
    if (Chart->Series(0)->Count() > 0) {
        TimeBase = MaxTime();
        return;
    }
    TimeBase = StartOfMonth(RecStart);
    RecordOrigin = TimeBase;
    WindowForNewRecord();
}

void TMainFrm::RecordBtnClick()
{
    if (Recording) {
        OpenGraphBtn->setEnabled(true);
        SaveGraphBtn->setEnabled(true);
        RecordBtn->setText(IdsText(2));
        RecordBtn->setIcon(QIcon(QStringLiteral(":/icons/record.svg")));
        Recording = false;
        JournalSyncTimerTimer();
        return;
    }
    OpenGraphBtn->setEnabled(false);
    SaveGraphBtn->setEnabled(false);
    RecordBtn->setText(IdsText(3));
    RecordBtn->setIcon(QIcon(QStringLiteral(":/icons/stop.svg")));
    Recording = true;
    // A journal that failed before gets another chance with the whole record.
    Journal.retry();
    StartRecordClock();
    AddStartMarker();
}

void TMainFrm::AddStartMarker()
{
    // The clock's own start: a reader counts a new record's days from this
    // marker's month, as the intake does from RecStart's.
    RecordLines.append(FormatStartMarker(RecStart, DisplayFormat));
    Memo->linesAppended();
    JournalLineAdded();
}

void TMainFrm::ClearBtnClick()
{
    if (!Dlg.askYesNo(this, IdsText(5), Dialogs::Icon::Warning))
        return;
    ClearRecordView();
    DropJournal();
    // A recording goes on into the emptied record. Its rows need a start
    // marker above them: a file without one reads as the previous version,
    // whose rows have no day field, and the rows would be lost on opening.
    if (Recording)
        AddStartMarker();
    Modified = false;
}
