// The plot series and the value axis with its scale steps.

#include "app/Astr.h"
#include "app/IniFile.h"
#include "app/MainForm.h"
#include "plot/AxisMath.h"

#include <QSignalBlocker>

void TMainFrm::CreatePlotSeries()
{
    struct SeriesLook {
        int titleId;
        const char16_t* unit;
        QColor colour;
    };
    static const SeriesLook looks[] = {
        {30, u", °C", QColor(0, 0, 255)},
        {31, u", °C", QColor(255, 0, 255)},
        {32, u", %", QColor(128, 128, 128)},
    };
    Chart->SetLegendVisible(false);
    for (const SeriesLook& look : looks) {
        TLineSeries* series = Chart->AddSeries(Chart->BottomAxis(), Chart->RightAxis());
        series->SetTitle(IdsText(look.titleId) + QString::fromUtf16(look.unit));
        series->SetColor(look.colour);
        series->SetWidth(2);
        series->SetCursor(Qt::PointingHandCursor);
        connect(series, &TLineSeries::clicked, this,
                [this](TLineSeries* sender, int index, Qt::MouseButton button) {
                    RunHandler([&] { SeriesClick(sender, index, button); });
                });
    }
    connect(Chart, &TPlotChart::clicked, this, [this] { RunHandler([this] { ChartClick(); }); });
}

void TMainFrm::InitValueAxis(const TIniFile& ini)
{
    MaxY = ini.ReadInteger(QStringLiteral("Chart"), QStringLiteral("MaxY"), 2000);
    MinY = -MaxY;
    {
        // TrackBarChange runs once below, after the limits are in place.
        const QSignalBlocker quiet(TrackBar);
        TrackBar->setRange(0, 11);
        TrackBar->setPageStep(1);
        TrackBar->setValue(std::clamp<int>(ini.ReadInteger(QStringLiteral("Chart"), QStringLiteral("RAxis"), 0), 0, 11));
    }
    TChartAxis& axis = Chart->RightAxis();
    axis.SetMinMax(MinY, MaxY);
    axis.SetIncrement(0.0001);
    axis.SetValueFormat(QStringLiteral("#,##0.####"));
    axis.SetVisible(true);
    TrackBarChange();
}

void TMainFrm::TrackBarChange()
{
    const int position = std::clamp(TrackBar->value(), 0, 11);
    stYScale->setText(QLatin1String(MainFormConst::ScaleLabels[position]));
    const TAxisLimits limits = ScaleStepLimits(MaxY, position);
    Chart->RightAxis().SetMinMax(limits.min, limits.max);
    FollowLatest();
}

void TMainFrm::cbYAutoClick()
{
    TChartAxis& axis = Chart->RightAxis();
    if (!cbYAuto->isChecked()) {
        TrackBar->setEnabled(true);
        axis.SetAutomatic(false);
        TrackBarChange();
        return;
    }
    TrackBar->setEnabled(false);
    if (CatchSeries <= 0) {
        axis.SetAutomatic(true);
        return;
    }
    // A one-time fit to the tracked series; values that are not finite never
    // move the axis.
    const TLineSeries* series = Chart->Series(CatchSeries - 1);
    if (series && series->Count() > 2 && series->HasFiniteYValue())
        axis.SetMinMax(series->MinYValue(), series->MaxYValue());
}

void TMainFrm::FollowLatest()
{
    if (CatchSeries > 0) {
        const TLineSeries* series = Chart->Series(CatchSeries - 1);
        if (series && series->Count() > 0) {
            TChartAxis& axis = Chart->RightAxis();
            const double last = series->YValue(series->Count() - 1);
            if (const auto limits = RecentredLimits(last, axis.Minimum(), axis.Maximum()))
                axis.SetMinMax(limits->min, limits->max);
        }
    }
    TChartAxis& time = Chart->BottomAxis();
    if (!time.Automatic())
        time.Scroll(FrameSpan / 10, true);
}

void TMainFrm::ChartClick()
{
    // So that the arrow keys stop changing the scale once the user works on the plot.
    if (TrackBar->hasFocus())
        FrameBtn->setFocus();
}
