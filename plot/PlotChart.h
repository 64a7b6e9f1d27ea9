#pragma once

#include <qcustomplot.h>

// The chart component of the "Plot" page.
class TPlotChart : public QCustomPlot {
    Q_OBJECT
public:
    explicit TPlotChart(QWidget* parent = nullptr);
};

// One line series of the chart.
class TLineSeries;
