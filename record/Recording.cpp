// Recording on and off, clearing, and the intake of one reading.

#include "app/MainForm.h"

void TMainFrm::AddSample(TDateTime, double value, int n)
{
    if (n == 1)
        stTemp->setText(FormatFixed2(value, DisplayFormat));
}

void TMainFrm::StartRecordClock() {}
void TMainFrm::RecordBtnClick() {}
void TMainFrm::ClearBtnClick() {}
