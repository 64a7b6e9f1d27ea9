#include "plot/PlotChart.h"

#include "plot/AxisLabels.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPrinter>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

double finiteOrNaN(double value)
{
    return std::isfinite(value) ? value : qQNaN();
}

double distanceToSegment(const QPointF& p, const QPointF& a, const QPointF& b)
{
    const QPointF ab = b - a;
    const double lengthSquared = QPointF::dotProduct(ab, ab);
    double t = lengthSquared > 0 ? QPointF::dotProduct(p - a, ab) / lengthSquared : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF nearest = a + t * ab;
    return std::hypot(p.x() - nearest.x(), p.y() - nearest.y());
}

QFont pixelFont(const QFont& base, int pixelSize, bool bold = false)
{
    QFont font(base);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

} // namespace

// ---------------------------------------------------------------- TChartAxis

TChartAxis::TChartAxis(TPlotChart& chart, QCPAxis* axis, Kind kind) : chart_(chart), axis_(axis), kind_(kind)
{
    if (kind_ == Kind::DateTime) {
        timeTicker_.reset(new TRecordTimeTicker);
        timeTicker_->setDateTimeSpec(Qt::UTC);
        axis_->setTicker(timeTicker_);
    } else {
        valueTicker_.reset(new TValueTicker);
        axis_->setTicker(valueTicker_);
        SetValueFormat(QStringLiteral("#,##0.####"));
    }
    min_ = fromPlot(axis_->range().lower);
    max_ = fromPlot(axis_->range().upper);
    placed_ = axis_->range();
}

bool TChartAxis::horizontal() const
{
    return axis_->orientation() == Qt::Horizontal;
}

double TChartAxis::toPlot(double value) const
{
    return kind_ == Kind::DateTime ? RecordTimeToPlotKey(value) : value;
}

double TChartAxis::fromPlot(double coordinate) const
{
    return kind_ == Kind::DateTime ? PlotKeyToRecordTime(coordinate) : coordinate;
}

double TChartAxis::Minimum() const
{
    return axis_->range() == placed_ ? min_ : fromPlot(axis_->range().lower);
}

double TChartAxis::Maximum() const
{
    return axis_->range() == placed_ ? max_ : fromPlot(axis_->range().upper);
}

void TChartAxis::placeRange(double lo, double hi)
{
    if (!std::isfinite(lo) || !std::isfinite(hi))
        return;
    if (lo > hi)
        std::swap(lo, hi);
    if (lo == hi) {
        double span = Maximum() - Minimum();
        if (!(span > 0))
            span = 1;
        lo -= span / 2;
        hi += span / 2;
    }
    const QCPRange range(toPlot(lo), toPlot(hi));
    if (!QCPRange::validRange(range))
        return;
    axis_->setRange(range);
    placed_ = axis_->range();
    min_ = lo;
    max_ = hi;
    chart_.requestReplot();
}

void TChartAxis::SetMinMax(double a, double b)
{
    automatic_ = false;
    placeRange(a, b);
}

void TChartAxis::SetAutomatic(bool on)
{
    automatic_ = on;
    if (on)
        chart_.fitAutomatic(*this);
}

void TChartAxis::SetIncrement(double increment)
{
    increment_ = increment;
    if (timeTicker_)
        timeTicker_->incrementDays = increment;
    else
        valueTicker_->increment = increment;
    chart_.requestReplot();
}

bool TChartAxis::Visible() const
{
    return axis_->visible();
}

void TChartAxis::SetVisible(bool visible)
{
    axis_->setVisible(visible);
    chart_.requestReplot();
}

void TChartAxis::SetValueFormat(const QString& pattern)
{
    valueFormat_ = pattern;
    if (valueTicker_)
        valueTicker_->pattern = TValuePattern::parse(pattern);
    chart_.requestReplot();
}

QString TChartAxis::DateTimeFormat() const
{
    return timeTicker_ ? timeTicker_->pattern : QString();
}

void TChartAxis::SetDateTimeFormat(const QString& pattern)
{
    if (!timeTicker_ || timeTicker_->pattern == pattern)
        return;
    timeTicker_->pattern = pattern;
    chart_.requestReplot();
}

TDateTime TChartAxis::DayOrigin() const
{
    return timeTicker_ ? timeTicker_->origin : 0;
}

void TChartAxis::SetDayOrigin(TDateTime origin)
{
    if (!timeTicker_ || timeTicker_->origin == origin)
        return;
    timeTicker_->origin = origin;
    chart_.requestReplot();
}

void TChartAxis::Scroll(double offset, bool checkLimits)
{
    if (checkLimits) {
        double lo = 0;
        double hi = 0;
        if (!chart_.dataExtent(*this, lo, hi))
            return;
        if (offset > 0 && !(hi > Maximum()))
            return;
        if (offset < 0 && !(lo < Minimum()))
            return;
    }
    const double from = Minimum();
    const double to = Maximum();
    automatic_ = false;
    placeRange(from + offset, to + offset);
}

// --------------------------------------------------------------- TLineSeries

TLineSeries::TLineSeries(TPlotChart& chart, TChartAxis& horizontal, TChartAxis& vertical)
    : QCPGraph(horizontal.qcpAxis(), vertical.qcpAxis()), chart_(chart), horizontal_(&horizontal),
      vertical_(&vertical), minY_(kInf), maxY_(-kInf)
{
    setAdaptiveSampling(true);
    setLineStyle(lsLine);
}

void TLineSeries::noteY(double y)
{
    if (!std::isfinite(y))
        return;
    minY_ = std::min(minY_, y);
    maxY_ = std::max(maxY_, y);
}

void TLineSeries::changed()
{
    chart_.seriesChanged(this);
}

void TLineSeries::enterOwnOrder()
{
    // The container is in time order; from now on the order added lives here.
    ownOrder_ = true;
    const int n = mDataContainer->size();
    addedX_.resize(size_t(n));
    addedY_.resize(size_t(n));
    auto it = mDataContainer->constBegin();
    for (int i = 0; i < n; ++i, ++it) {
        addedX_[size_t(i)] = horizontal_->fromPlot(it->key);
        addedY_[size_t(i)] = it->value;
    }
}

void TLineSeries::AddXY(double x, double y)
{
    const double key = horizontal_->toPlot(x);
    const bool inOrder = std::isfinite(key)
                         && (mDataContainer->isEmpty() || !(key < (mDataContainer->constEnd() - 1)->key));
    if (!ownOrder_ && !inOrder)
        enterOwnOrder();
    if (ownOrder_) {
        addedX_.push_back(x);
        addedY_.push_back(y);
    }
    if (std::isfinite(key)) {
        mDataContainer->add(QCPGraphData(key, y));
        if (inOrder && !pyramidStale_)
            pyramid_.append(y);
        else
            pyramidStale_ = true;
    }
    noteY(y);
    changed();
}

void TLineSeries::AssignPoints(QVector<double> x, QVector<double> y)
{
    const qsizetype n = std::min(x.size(), y.size());
    x.resize(n);
    y.resize(n);
    ownOrder_ = false;
    addedX_ = {};
    addedY_ = {};
    minY_ = kInf;
    maxY_ = -kInf;
    for (double value : y)
        noteY(value);

    bool sorted = true;
    for (qsizetype i = 0; i < n && sorted; ++i)
        sorted = std::isfinite(x[i]) && (i == 0 || !(x[i] < x[i - 1]));
    if (!sorted) {
        ownOrder_ = true;
        addedX_.assign(x.cbegin(), x.cend());
        addedY_.assign(y.cbegin(), y.cend());
        // Only points with a place on the time axis are drawn.
        qsizetype kept = 0;
        for (qsizetype i = 0; i < n; ++i) {
            if (std::isfinite(x[i])) {
                x[kept] = x[i];
                y[kept] = y[i];
                ++kept;
            }
        }
        x.resize(kept);
        y.resize(kept);
    }
    for (double& value : x)
        value = horizontal_->toPlot(value);
    setData(x, y, sorted);
    x = {};
    y = {};

    // Built now, as part of the loading: built at the first redraw of the
    // whole record, it would hold that redraw up.
    pyramidStale_ = true;
    ensurePyramid();
    changed();
}

void TLineSeries::Clear()
{
    mDataContainer->clear();
    ownOrder_ = false;
    addedX_ = {};
    addedY_ = {};
    minY_ = kInf;
    maxY_ = -kInf;
    pyramid_.clear();
    pyramidStale_ = false;
    changed();
}

int TLineSeries::Count() const
{
    return ownOrder_ ? int(addedX_.size()) : mDataContainer->size();
}

double TLineSeries::XValue(int index) const
{
    if (index < 0 || index >= Count())
        return 0;
    if (ownOrder_)
        return addedX_[size_t(index)];
    return horizontal_->fromPlot(mDataContainer->at(index)->key);
}

double TLineSeries::YValue(int index) const
{
    if (index < 0 || index >= Count())
        return 0;
    if (ownOrder_)
        return addedY_[size_t(index)];
    return mDataContainer->at(index)->value;
}

double TLineSeries::MinYValue() const
{
    return HasFiniteYValue() ? minY_ : 0;
}

double TLineSeries::MaxYValue() const
{
    return HasFiniteYValue() ? maxY_ : 0;
}

double TLineSeries::MinXValue() const
{
    if (mDataContainer->isEmpty())
        return 0;
    return horizontal_->fromPlot(mDataContainer->constBegin()->key);
}

double TLineSeries::MaxXValue() const
{
    if (mDataContainer->isEmpty())
        return 0;
    return horizontal_->fromPlot((mDataContainer->constEnd() - 1)->key);
}

void TLineSeries::SetColor(const QColor& colour)
{
    QPen line = pen();
    line.setColor(colour);
    setPen(line);
    chart_.requestReplot();
}

void TLineSeries::SetWidth(int width)
{
    QPen line = pen();
    line.setWidth(width);
    setPen(line);
    chart_.requestReplot();
}

void TLineSeries::SetVertAxis(TChartAxis& axis)
{
    vertical_ = &axis;
    setValueAxis(axis.qcpAxis());
    changed();
}

int TLineSeries::addedIndexOf(int containerIndex) const
{
    if (!ownOrder_)
        return containerIndex;
    const QCPGraphData& point = *mDataContainer->at(containerIndex);
    for (size_t i = 0; i < addedX_.size(); ++i) {
        if (horizontal_->toPlot(addedX_[i]) == point.key
            && (addedY_[i] == point.value || (std::isnan(addedY_[i]) && std::isnan(point.value))))
            return int(i);
    }
    return containerIndex;
}

int TLineSeries::HitTest(const QPointF& pixel, double tolerance, double* distance) const
{
    QCPAxis* keyAxis = mKeyAxis.data();
    QCPAxis* valueAxis = mValueAxis.data();
    if (!keyAxis || !valueAxis || mDataContainer->isEmpty() || !visible())
        return -1;
    const bool keyHorizontal = keyAxis->orientation() == Qt::Horizontal;
    const double along = keyHorizontal ? pixel.x() : pixel.y();
    double keyLo = keyAxis->pixelToCoord(along - tolerance);
    double keyHi = keyAxis->pixelToCoord(along + tolerance);
    if (keyLo > keyHi)
        std::swap(keyLo, keyHi);
    // One point more on each side: a segment may cross the pointer's column
    // with both ends outside it.
    const auto first = mDataContainer->constBegin();
    const auto from = mDataContainer->findBegin(keyLo, true);
    const auto to = mDataContainer->findEnd(keyHi, true);
    auto pixelOf = [&](const QCPGraphData& point) { return coordsToPixels(point.key, point.value); };

    int best = -1;
    double bestDistance = kInf;
    for (auto it = from; it != to; ++it) {
        if (!std::isfinite(it->value))
            continue;
        const QPointF p = pixelOf(*it);
        const double d = std::hypot(p.x() - pixel.x(), p.y() - pixel.y());
        if (d <= tolerance && d < bestDistance) {
            bestDistance = d;
            best = int(it - first);
        }
    }
    if (best < 0) {
        for (auto it = from; it != to && it + 1 != to; ++it) {
            if (!std::isfinite(it->value) || !std::isfinite((it + 1)->value))
                continue;
            const double d = distanceToSegment(pixel, pixelOf(*it), pixelOf(*(it + 1)));
            if (d <= tolerance && d < bestDistance) {
                bestDistance = d;
                best = int(it - first);
            }
        }
    }
    if (best < 0)
        return -1;
    if (distance)
        *distance = bestDistance;
    return addedIndexOf(best);
}

void TLineSeries::ensurePyramid() const
{
    if (!pyramidStale_ && pyramid_.size() == size_t(mDataContainer->size()))
        return;
    const auto first = mDataContainer->constBegin();
    pyramid_.build(size_t(mDataContainer->size()), [first](size_t k) { return first[qsizetype(k)].value; });
    pyramidStale_ = false;
}

void TLineSeries::getOptimizedLineData(QVector<QCPGraphData>* lineData,
                                       const QCPGraphDataContainer::const_iterator& begin,
                                       const QCPGraphDataContainer::const_iterator& end) const
{
    if (!lineData)
        return;
    lineData->clear();
    QCPAxis* keyAxis = mKeyAxis.data();
    if (!keyAxis || begin == end)
        return;
    const auto first = mDataContainer->constBegin();
    const size_t b = size_t(begin - first);
    const size_t e = size_t(end - first);
    const double pixelSpan =
        std::abs(keyAxis->coordToPixel((end - 1)->key) - keyAxis->coordToPixel(begin->key));

    auto push = [lineData](double key, double value) { lineData->append(QCPGraphData(key, finiteOrNaN(value))); };

    // Few points for the pixels: draw every one.
    decimated_ = mAdaptiveSampling && double(e - b) > 2 * pixelSpan + 8;
    if (!decimated_) {
        lineData->reserve(int(e - b));
        for (auto it = begin; it != end; ++it)
            push(it->key, it->value);
        return;
    }

    ensurePyramid();
    lineData->reserve(4 * (int(std::min(pixelSpan, 1e6)) + 4));
    // The key where the next pixel column starts, for increasing keys.
    const bool reversed = keyAxis->rangeReversed() != (keyAxis->orientation() == Qt::Vertical);
    auto byKey = [](const QCPGraphData& point, double key) { return point.key < key; };
    size_t i = b;
    while (i < e) {
        const double column = std::floor(keyAxis->coordToPixel(first[qsizetype(i)].key));
        const double boundary = keyAxis->pixelToCoord(reversed ? column : column + 1.0);
        size_t j = size_t(std::lower_bound(first + qsizetype(i), first + qsizetype(e), boundary, byKey) - first);
        if (j <= i)
            j = i + 1;
        if (j - i <= 2) {
            for (size_t k = i; k < j; ++k)
                push(first[qsizetype(k)].key, first[qsizetype(k)].value);
        } else {
            // One column of many points: its extremes, as one vertical stroke,
            // in the direction the column runs so the line flows on.
            const auto extremes = pyramid_.query(i, j, [&](size_t k) { return first[qsizetype(k)].value; });
            const double k0 = first[qsizetype(i)].key;
            const double k1 = first[qsizetype(j - 1)].key;
            if (!extremes.valid()) {
                push(k0 + (k1 - k0) / 2, qQNaN());
            } else if (first[qsizetype(i)].value > first[qsizetype(j - 1)].value) {
                push(k0 + (k1 - k0) / 3, extremes.max);
                push(k0 + 2 * (k1 - k0) / 3, extremes.min);
            } else {
                push(k0 + (k1 - k0) / 3, extremes.min);
                push(k0 + 2 * (k1 - k0) / 3, extremes.max);
            }
        }
        i = j;
    }
}

void TLineSeries::drawLinePlot(QCPPainter* painter, const QVector<QPointF>& lines) const
{
    if (!decimated_) {
        QCPGraph::drawLinePlot(painter, lines);
        return;
    }
    // A thinned line is a band of vertical strokes; smoothing its edges costs
    // a third of a month's redraw and shows nothing.
    if (painter->pen().style() != Qt::NoPen && painter->pen().color().alpha() != 0) {
        painter->setAntialiasing(false);
        drawPolyline(painter, lines);
    }
}

// ---------------------------------------------------------------- TPlotChart

TPlotChart::TPlotChart(QWidget* parent) : QCustomPlot(parent)
{
    setBackground(Qt::white);
    replotTimer_.setSingleShot(true);
    replotTimer_.setInterval(kReplotDelayMs);
    connect(&replotTimer_, &QTimer::timeout, this, [this] { replot(); });
    // Any redraw shows the changes that were waiting for one.
    connect(this, &QCustomPlot::beforeReplot, &replotTimer_, &QTimer::stop);
    // Lines drawn segment by segment: a decimated month is a zigzag that the
    // raster engine strokes very slowly as one polyline.
    setPlottingHint(QCP::phFastPolylines, true);
    // Pixel-sized fonts scale with the painter, so print and copy keep the
    // proportions of the screen.
    const QFont labels = pixelFont(font(), 12);
    for (QCPAxis* axis : {xAxis, yAxis, xAxis2, yAxis2}) {
        axis->setTickLabelFont(labels);
        axis->setLabelFont(labels);
    }
    legend->setFont(labels);

    axes_[0] = std::make_unique<TChartAxis>(*this, xAxis, TChartAxis::Kind::DateTime);
    axes_[1] = std::make_unique<TChartAxis>(*this, yAxis, TChartAxis::Kind::Value);
    axes_[2] = std::make_unique<TChartAxis>(*this, xAxis2, TChartAxis::Kind::Value);
    axes_[3] = std::make_unique<TChartAxis>(*this, yAxis2, TChartAxis::Kind::Value);
    xAxis->setVisible(true);
    yAxis->setVisible(false);
    xAxis2->setVisible(false);
    yAxis2->setVisible(true);
    yAxis->grid()->setVisible(false);
    yAxis2->grid()->setVisible(true);

    // The rectangle zoom of QCustomPlot, on the axes the series use.
    setSelectionRectMode(QCP::srmZoom);
    selectionRect()->setPen(QPen(Qt::black));
    selectionRect()->setBrush(Qt::NoBrush);
    axisRect()->setRangeZoomAxes(xAxis, yAxis2);
    setMouseTracking(true);
    // A click leaves the focus where it is; the window decides where it goes.
    setFocusPolicy(Qt::NoFocus);
}

TPlotChart::~TPlotChart() = default;

TLineSeries* TPlotChart::Series(int index) const
{
    return index >= 0 && index < SeriesCount() ? series_[size_t(index)] : nullptr;
}

TLineSeries* TPlotChart::AddSeries(TChartAxis& horizontal, TChartAxis& vertical)
{
    auto* series = new TLineSeries(*this, horizontal, vertical); // the plot owns it
    series_.push_back(series);
    return series;
}

bool TPlotChart::dataExtent(const TChartAxis& axis, double& lo, double& hi) const
{
    lo = kInf;
    hi = -kInf;
    for (const TLineSeries* series : series_) {
        if (&series->HorizAxis() == &axis && series->data()->size() > 0) {
            lo = std::min(lo, series->MinXValue());
            hi = std::max(hi, series->MaxXValue());
        }
        if (&series->VertAxis() == &axis && series->HasFiniteYValue()) {
            lo = std::min(lo, series->MinYValue());
            hi = std::max(hi, series->MaxYValue());
        }
    }
    return lo <= hi;
}

double TPlotChart::MaxXValue(const TChartAxis& axis) const
{
    double result = -kInf;
    for (const TLineSeries* series : series_)
        if (&series->HorizAxis() == &axis && series->data()->size() > 0)
            result = std::max(result, series->MaxXValue());
    return std::isfinite(result) ? result : 0;
}

double TPlotChart::MinXValue(const TChartAxis& axis) const
{
    double result = kInf;
    for (const TLineSeries* series : series_)
        if (&series->HorizAxis() == &axis && series->data()->size() > 0)
            result = std::min(result, series->MinXValue());
    return std::isfinite(result) ? result : 0;
}

void TPlotChart::fitAutomatic(TChartAxis& axis)
{
    double lo = 0;
    double hi = 0;
    if (dataExtent(axis, lo, hi))
        axis.placeRange(lo, hi);
}

void TPlotChart::seriesChanged(TLineSeries* series)
{
    // The extremes are kept per series, so a refit costs nothing per point.
    for (auto& axis : axes_)
        if (axis->Automatic() && (&series->HorizAxis() == axis.get() || &series->VertAxis() == axis.get()))
            fitAutomatic(*axis);
    requestReplot();
}

bool TPlotChart::LegendVisible() const
{
    return legend->visible();
}

void TPlotChart::SetLegendVisible(bool visible)
{
    legend->setVisible(visible);
    requestReplot();
}

void TPlotChart::requestReplot()
{
    if (!replotTimer_.isActive())
        replotTimer_.start();
}

TPlotChart::Hit TPlotChart::hitAt(const QPointF& pixel) const
{
    Hit best;
    double bestDistance = kInf;
    for (auto it = series_.rbegin(); it != series_.rend(); ++it) {
        double distance = kInf;
        const int index = (*it)->HitTest(pixel, selectionTolerance(), &distance);
        if (index >= 0 && distance < bestDistance) {
            bestDistance = distance;
            best.series = *it;
            best.index = index;
        }
    }
    return best;
}

void TPlotChart::mousePressEvent(QMouseEvent* event)
{
    pressPos_ = event->pos();
    pressButton_ = event->button();
    pressHit_ = hitAt(event->position());
    // Only the left button draws the zoom rectangle.
    if (event->button() == Qt::LeftButton)
        QCustomPlot::mousePressEvent(event);
    else
        event->accept();
}

void TPlotChart::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() == Qt::NoButton) {
        const Hit hit = hitAt(event->position());
        const Qt::CursorShape shape = hit.series ? hit.series->Cursor() : Qt::ArrowCursor;
        if (cursor().shape() != shape)
            setCursor(shape);
    }
    QCustomPlot::mouseMoveEvent(event);
}

void TPlotChart::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click =
        event->button() == pressButton_ && (event->pos() - pressPos_).manhattanLength() <= 3;
    if (event->button() == Qt::LeftButton)
        QCustomPlot::mouseReleaseEvent(event);
    else
        event->accept();
    pressButton_ = Qt::NoButton;
    if (!click)
        return;
    const Hit hit = pressHit_;
    pressHit_ = {};
    if (hit.series)
        emit hit.series->clicked(hit.series, hit.index, event->button(), event->modifiers(), event->pos());
    emit clicked();
}

void TPlotChart::processRectZoom(QRect rect, QMouseEvent* event)
{
    QCustomPlot::processRectZoom(rect, event);
    // A zoomed axis is manual until the program places it again.
    for (auto& axis : axes_) {
        if (axis->qcpAxis() == xAxis || axis->qcpAxis() == yAxis2)
            axis->automatic_ = false;
    }
}

void TPlotChart::paintEvent(QPaintEvent* event)
{
    QCustomPlot::paintEvent(event);
    QPainter painter(this);
    painter.setPen(Qt::gray);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

QRectF LandscapePrintRect(const QSizeF& page, const QSizeF& chart)
{
    if (chart.width() <= 0 || chart.height() <= 0)
        return {};
    if (chart.width() > chart.height()) {
        const double width = 0.7 * page.width();
        const double height = width * chart.height() / chart.width();
        return {0.15 * page.width(), (page.height() - height) / 2, width, height};
    }
    const double height = 0.7 * page.height();
    const double width = height * chart.width() / chart.height();
    return {(page.width() - width) / 2, 0.15 * page.height(), width, height};
}

QRectF TPlotChart::PrintLandscape(QPrinter& printer)
{
    const QPageLayout::Orientation before = printer.pageLayout().orientation();
    printer.setPageOrientation(QPageLayout::Landscape);
    QRectF target;
    QCPPainter painter;
    if (painter.begin(&printer)) {
        target = LandscapePrintRect(QSizeF(printer.width(), printer.height()), QSizeF(size()));
        if (!target.isEmpty()) {
            painter.setMode(QCPPainter::pmVectorized);
            painter.setMode(QCPPainter::pmNoCaching);
            painter.translate(target.topLeft());
            painter.scale(target.width() / width(), target.height() / height());
            toPainter(&painter, width(), height());
        }
        painter.end();
    }
    printer.setPageOrientation(before);
    return target;
}

QByteArray TPlotChart::VectorPicture()
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size());
    generator.setViewBox(QRect(QPoint(0, 0), size()));
    generator.setTitle(QStringLiteral("Quintara plot"));
    QCPPainter painter;
    if (painter.begin(&generator)) {
        painter.setMode(QCPPainter::pmVectorized);
        toPainter(&painter, width(), height());
        painter.end();
    }
    return buffer.data();
}

void TPlotChart::CopyToClipboard()
{
    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("image/svg+xml"), VectorPicture());
    // For programs that take no SVG.
    mime->setImageData(toPixmap().toImage());
    QGuiApplication::clipboard()->setMimeData(mime);
}
