// The plot series and the value axis with its scale steps.

#include "app/IniFile.h"
#include "app/MainForm.h"

void TMainFrm::CreatePlotSeries() {}
void TMainFrm::TrackBarChange() {}
void TMainFrm::cbYAutoClick() {}
void TMainFrm::FollowLatest() {}
void TMainFrm::ChartClick() {}
void TMainFrm::InitValueAxis(const TIniFile&) {}
