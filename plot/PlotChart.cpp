#include "plot/PlotChart.h"

TPlotChart::TPlotChart(QWidget* parent) : QCustomPlot(parent) {}
