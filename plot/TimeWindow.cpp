// The time axis: the window, its length, scrolling and the whole record.

#include "app/IniFile.h"
#include "app/MainForm.h"
#include "plot/AxisMath.h"

#include <QCursor>
#include <QMenu>

namespace {

// The FramePopup items in menu order; the index is the item's tag.
std::array<QAction*, 5> frameItems(const TMainFrm& frm)
{
    return {frm.FramePopupItem, frm.N151, frm.N301, frm.N11, frm.N21};
}

} // namespace

void TMainFrm::InitTimeWindow(const TIniFile& ini)
{
    FrameIndex = ValidFrameIndex(ini.ReadInteger(QStringLiteral("Chart"), QStringLiteral("Frame"), 1));
    const auto items = frameItems(*this);
    for (size_t i = 0; i < items.size(); ++i)
        items[i]->setData(int(i));
    items[size_t(FrameIndex)]->setChecked(true);
    FrameSpan = MainFormConst::FrameLengths[FrameIndex];
    ViewMax = FrameSpan / 60;
    ViewMin = ViewMax - FrameSpan;
    TChartAxis& time = Chart->BottomAxis();
    time.SetMinMax(ViewMin, ViewMax);
    time.SetIncrement(1.0 / 86400);
    UpdateTimeLabels();
}

void TMainFrm::FrameBtnClick()
{
    FramePopup->popup(QCursor::pos());
}

void TMainFrm::FramePopupItemClick(QAction* Sender)
{
    const auto items = frameItems(*this);
    const auto found = std::find(items.begin(), items.end(), Sender);
    if (found == items.end())
        return;
    Sender->setChecked(true);
    FrameIndex = int(found - items.begin());
    FrameSpan = MainFormConst::FrameLengths[FrameIndex];
    TChartAxis& time = Chart->BottomAxis();
    if (time.Automatic())
        return; // the new length shows when "Whole record" is switched off
    ViewMax = ReanchoredViewMax(MaxTime(), ViewMax, FrameSpan);
    time.SetMinMax(ViewMax - FrameSpan, ViewMax);
}

void TMainFrm::cbXAutoClick()
{
    TChartAxis& time = Chart->BottomAxis();
    if (cbXAuto->isChecked()) {
        ScrollBar->setValue(ScrollBar->maximum()); // back to the newest data first
        ScrollBar->setEnabled(false);
        ViewMin = time.Minimum();
        ViewMax = time.Maximum();
        time.SetAutomatic(true);
        UpdateTimeLabels();
        return;
    }
    ScrollBar->setEnabled(true);
    time.SetAutomatic(false);
    ViewMax = ReanchoredViewMax(MaxTime(), ViewMax, FrameSpan);
    time.SetMinMax(ViewMax - FrameSpan, ViewMax);
    UpdateTimeLabels();
}

void TMainFrm::ScrollBarChange()
{
    const int position = ScrollBar->value();
    // The span is taken as the thumb leaves the newest data and held until
    // it is back there.
    if (ScrollPos == ScrollBar->maximum() || !(ScrollSpan > 0))
        ScrollSpan = ScrollTravelSpan(MinTime(), MaxTime(), FrameSpan);
    const double offset =
        ScrollOffset(position, ScrollPos, ScrollSpan, ScrollBar->minimum(), ScrollBar->maximum());
    Chart->BottomAxis().Scroll(offset, false);
    ScrollPos = position;
}

double TMainFrm::MaxTime()
{
    return Chart->MaxXValue(Chart->BottomAxis());
}

double TMainFrm::MinTime()
{
    return Chart->MinXValue(Chart->BottomAxis());
}

void TMainFrm::UpdateTimeLabels()
{
    TChartAxis& time = Chart->BottomAxis();
    time.SetDayOrigin(RecordOrigin);
    time.SetDateTimeFormat(QLatin1String(TimeLabelPattern(MinTime(), MaxTime())));
}

void TMainFrm::ClearRecordView()
{
    for (int i = 0; i < Chart->SeriesCount(); ++i)
        Chart->Series(i)->Clear();
    RecordLines.clear();
    Memo->linesReset();

    TChartAxis& time = Chart->BottomAxis();
    ViewMax = FrameSpan / 60;
    ViewMin = ViewMax - FrameSpan;
    if (!time.Automatic())
        time.SetMinMax(ViewMin, ViewMax);
    ScrollPos = ScrollBar->maximum();
    ScrollBar->setValue(ScrollBar->maximum());

    cbYAutoClick();
    StartRecordClock();
    UpdateTimeLabels();
}

void TMainFrm::WindowForNewRecord()
{
    TChartAxis& time = Chart->BottomAxis();
    if (!time.Automatic())
        time.SetMinMax(TimeBase - FrameSpan, TimeBase);
}

void TMainFrm::ShowLoadedRecord()
{
    Memo->linesReset();
    TChartAxis& time = Chart->BottomAxis();
    const double last = MaxTime();
    time.SetMinMax(last - FrameSpan, last);
    if (cbXAuto->isChecked())
        time.SetAutomatic(true);
    ClearCatch();
    BuildCatchPopup();
    FollowLatest();
    UpdateTimeLabels();
}
