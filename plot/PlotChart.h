#pragma once

#include "app/Clock.h"
#include "plot/MinMaxPyramid.h"

#include <qcustomplot.h>

#include <QPointer>
#include <QTimer>
#include <QSharedPointer>

#include <array>
#include <memory>
#include <vector>

class QPrinter;
class TLineSeries;
class TPlotChart;
class TRecordTimeTicker;
class TValueTicker;

// One axis of the chart, in the program's units: record times (days since
// 30 December 1899) on the date-time axis, plain values on the others. It is
// either manual (limits set by the program) or automatic (kept fitted to the
// data of its series).
class TChartAxis {
public:
    enum class Kind { Value, DateTime };

    TChartAxis(TPlotChart& chart, QCPAxis* axis, Kind kind);
    TChartAxis(const TChartAxis&) = delete;
    TChartAxis& operator=(const TChartAxis&) = delete;

    // Both limits; the smaller value becomes the minimum. Makes the axis manual.
    // Equal limits keep the present span, centred on the value (an axis needs a
    // span to draw anything).
    void SetMinMax(double a, double b);
    bool Automatic() const { return automatic_; }
    void SetAutomatic(bool on);
    double Minimum() const;
    double Maximum() const;
    // The smallest step between two labels.
    double Increment() const { return increment_; }
    void SetIncrement(double increment);
    bool Visible() const;
    void SetVisible(bool visible);

    // Value labels, e.g. "#,##0.####" (separators of the user's locale).
    QString ValueFormat() const { return valueFormat_; }
    void SetValueFormat(const QString& pattern);
    // Date-time labels, "h:nn:ss" or " d h:nn:ss"; the day counts from DayOrigin.
    QString DateTimeFormat() const;
    void SetDateTimeFormat(const QString& pattern);
    TDateTime DayOrigin() const;
    void SetDayOrigin(TDateTime origin);

    // Shifts both limits by offset and makes the axis manual. With checkLimits
    // it moves only when some series of the axis holds data beyond the limit
    // in the direction of the move.
    void Scroll(double offset, bool checkLimits);

    Kind kind() const { return kind_; }
    bool horizontal() const;
    QCPAxis* qcpAxis() const { return axis_; }
    // Program units <-> QCustomPlot coordinates.
    double toPlot(double value) const;
    double fromPlot(double coordinate) const;

private:
    friend class TPlotChart;
    // Sets the limits without touching the mode.
    void placeRange(double lo, double hi);

    TPlotChart& chart_;
    QCPAxis* axis_;
    Kind kind_;
    bool automatic_ = false;
    double increment_ = 0;
    QString valueFormat_;
    // The limits as the program last placed them, and the coordinates they
    // became; Minimum/Maximum give them back exactly while the axis is there
    // (no round trip through seconds since 1970).
    double min_ = 0;
    double max_ = 0;
    QCPRange placed_;
    QSharedPointer<TValueTicker> valueTicker_;
    QSharedPointer<TRecordTimeTicker> timeTicker_;
};

// A line series: straight segments between consecutive points. Every point is
// kept and reachable by its index in the order added. While x only grows,
// QCustomPlot's own container is the store (one copy of a month of points);
// a point with a smaller x than the last switches the series to keep its own
// copy in the order added, while the chart draws the points in time order.
//
// Drawing takes the smallest and largest value of each pixel column from a
// min/max pyramid, so a redraw costs the same for a day or a month of data.
class TLineSeries : public QCPGraph {
    Q_OBJECT
public:
    TLineSeries(TPlotChart& chart, TChartAxis& horizontal, TChartAxis& vertical);

    // Appends a point (x in the horizontal axis' units).
    void AddXY(double x, double y);
    // Replaces all points at once (x and y of equal length); one hand-over to
    // the chart instead of a million appends.
    void AssignPoints(QVector<double> x, QVector<double> y);
    void Clear();
    int Count() const;
    double XValue(int index) const;
    double YValue(int index) const;
    // Extremes over the finite values; 0 when there is none.
    double MinYValue() const;
    double MaxYValue() const;
    bool HasFiniteYValue() const { return minY_ <= maxY_; }
    // Extremes of x; 0 when the series is empty.
    double MinXValue() const;
    double MaxXValue() const;

    QString Title() const { return name(); }
    void SetTitle(const QString& title) { setName(title); }
    QColor Color() const { return pen().color(); }
    void SetColor(const QColor& colour);
    int Width() const { return pen().width(); }
    void SetWidth(int width);
    TChartAxis& HorizAxis() const { return *horizontal_; }
    TChartAxis& VertAxis() const { return *vertical_; }
    void SetVertAxis(TChartAxis& axis);
    Qt::CursorShape Cursor() const { return cursor_; }
    void SetCursor(Qt::CursorShape shape) { cursor_ = shape; }

    // The point under pixel (within tolerance), else the earlier end of the
    // segment under it; -1 when the line is not hit. distance gets the pixel
    // distance of the hit.
    int HitTest(const QPointF& pixel, double tolerance, double* distance = nullptr) const;

Q_SIGNALS:
    // A click on the line: the point index as HitTest gives it.
    void clicked(TLineSeries* series, int valueIndex, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                 QPoint position);

protected:
    void getOptimizedLineData(QVector<QCPGraphData>* lineData, const QCPGraphDataContainer::const_iterator& begin,
                              const QCPGraphDataContainer::const_iterator& end) const override;
    void drawLinePlot(QCPPainter* painter, const QVector<QPointF>& lines) const override;

private:
    void noteY(double y);
    void enterOwnOrder();
    void changed();
    void ensurePyramid() const;
    // Index in the order added of the drawn point at container index.
    int addedIndexOf(int containerIndex) const;

    TPlotChart& chart_;
    TChartAxis* horizontal_;
    TChartAxis* vertical_;
    Qt::CursorShape cursor_ = Qt::ArrowCursor;
    double minY_;
    double maxY_;
    // Set once a point arrived out of time order: the points in the order added.
    bool ownOrder_ = false;
    std::vector<double> addedX_;
    std::vector<double> addedY_;
    mutable TMinMaxPyramid pyramid_;
    mutable bool pyramidStale_ = false;
    // The last line data were thinned to pixel columns.
    mutable bool decimated_ = false;
};

// The chart component of the "Plot" page, over QCustomPlot.
class TPlotChart : public QCustomPlot {
    Q_OBJECT
public:
    explicit TPlotChart(QWidget* parent = nullptr);
    ~TPlotChart() override;

    int SeriesCount() const { return int(series_.size()); }
    TLineSeries* Series(int index) const;
    TLineSeries* AddSeries(TChartAxis& horizontal, TChartAxis& vertical);

    TChartAxis& BottomAxis() { return *axes_[0]; }
    TChartAxis& LeftAxis() { return *axes_[1]; }
    TChartAxis& TopAxis() { return *axes_[2]; }
    TChartAxis& RightAxis() { return *axes_[3]; }

    // Largest / smallest x over the series whose horizontal axis is axis; 0
    // when none holds a point.
    double MaxXValue(const TChartAxis& axis) const;
    double MinXValue(const TChartAxis& axis) const;

    bool LegendVisible() const;
    void SetLegendVisible(bool visible);

    // The chart on one landscape page at the printer's resolution, with its
    // on-screen proportions; the printer's orientation is restored afterwards.
    // Gives the rectangle drawn into (device pixels of the printable area);
    // empty when the printer could not be started.
    QRectF PrintLandscape(QPrinter& printer);
    // The chart as a vector picture (SVG) of its on-screen size.
    QByteArray VectorPicture();
    // The vector picture and a bitmap on the clipboard, replacing its contents.
    void CopyToClipboard();

    // A redraw shortly after; the changes of that time share it. A poll cycle
    // brings its three readings in separate hand-overs from the read thread,
    // and a redraw for each would treble the drawing.
    void requestReplot();
    bool replotPending() const { return replotTimer_.isActive(); }
    static constexpr int kReplotDelayMs = 20;

Q_SIGNALS:
    // A click anywhere on the chart (press and release without a drag).
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void processRectZoom(QRect rect, QMouseEvent* event) override;

private:
    friend class TChartAxis;
    friend class TLineSeries;
    struct Hit {
        QPointer<TLineSeries> series;
        int index = -1;
    };
    Hit hitAt(const QPointF& pixel) const;
    void seriesChanged(TLineSeries* series);
    void fitAutomatic(TChartAxis& axis);
    // Extremes of the data an axis shows; false when there is none.
    bool dataExtent(const TChartAxis& axis, double& lo, double& hi) const;

    std::array<std::unique_ptr<TChartAxis>, 4> axes_;
    std::vector<TLineSeries*> series_;
    QTimer replotTimer_;
    Hit pressHit_;
    QPoint pressPos_;
    Qt::MouseButton pressButton_ = Qt::NoButton;
};

// Where the chart goes on a page: 70 % of the page width when the chart is
// wider than tall (else 70 % of its height), proportions kept, centred.
QRectF LandscapePrintRect(const QSizeF& page, const QSizeF& chart);
