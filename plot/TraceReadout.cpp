// The tracked series and the click readout.

#include "app/MainForm.h"

void TMainFrm::CatchBtnClick() {}
void TMainFrm::BuildCatchPopup() {}
void TMainFrm::ClearCatch() {}
void TMainFrm::CatchPopupItemClick(QAction*) {}
void TMainFrm::SeriesClick(TLineSeries*, int, Qt::MouseButton) {}
