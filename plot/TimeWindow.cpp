// The time axis: the window, its length, scrolling and the whole record.

#include "app/IniFile.h"
#include "app/MainForm.h"

void TMainFrm::FrameBtnClick() {}
void TMainFrm::FramePopupItemClick(QAction*) {}
void TMainFrm::cbXAutoClick() {}
void TMainFrm::ScrollBarChange() {}
double TMainFrm::MaxTime()
{
    return 0;
}
double TMainFrm::MinTime()
{
    return 0;
}
void TMainFrm::UpdateTimeLabels() {}
void TMainFrm::ClearRecordView() {}
void TMainFrm::WindowForNewRecord() {}
void TMainFrm::ShowLoadedRecord() {}
void TMainFrm::InitTimeWindow(const TIniFile&) {}
