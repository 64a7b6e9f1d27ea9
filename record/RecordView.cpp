#include "record/RecordView.h"

#include "record/RecordLines.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

TRecordView::TRecordView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    updateScrollRanges();
}

void TRecordView::setLines(const TRecordLines* lines)
{
    lines_ = lines;
    linesReset();
}

qsizetype TRecordView::lineCount() const
{
    return lines_ ? lines_->count() : 0;
}

int TRecordView::lineHeight() const
{
    return std::max(1, fontMetrics().lineSpacing());
}

int TRecordView::charWidth() const
{
    return std::max(1, fontMetrics().horizontalAdvance(QLatin1Char('0')));
}

qsizetype TRecordView::firstVisibleLine() const
{
    return verticalScrollBar()->value();
}

qsizetype TRecordView::visibleLineCount() const
{
    return std::max(1, viewport()->height() / lineHeight());
}

void TRecordView::updateScrollRanges()
{
    const qsizetype count = lineCount();
    const qsizetype page = visibleLineCount();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setPageStep(int(page));
    vertical->setSingleStep(1);
    vertical->setRange(0, int(std::max<qsizetype>(0, count - page)));

    const qsizetype width = (lines_ ? lines_->longestLine() : 0) * charWidth() + 2 * kMargin;
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setPageStep(viewport()->width());
    horizontal->setSingleStep(charWidth());
    horizontal->setRange(0, int(std::max<qsizetype>(0, width - viewport()->width())));
}

void TRecordView::linesAppended()
{
    QScrollBar* vertical = verticalScrollBar();
    const bool atEnd = vertical->value() >= vertical->maximum();
    updateScrollRanges();
    if (atEnd)
        vertical->setValue(vertical->maximum());
    viewport()->update();
}

void TRecordView::linesReset()
{
    anchor_ = -1;
    current_ = -1;
    updateScrollRanges();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
}

qsizetype TRecordView::selectionFirst() const
{
    return anchor_ < 0 ? 0 : std::min(anchor_, current_);
}

qsizetype TRecordView::selectionLast() const
{
    return anchor_ < 0 ? -1 : std::max(anchor_, current_);
}

void TRecordView::selectLines(qsizetype anchor, qsizetype current)
{
    const qsizetype count = lineCount();
    if (count == 0) {
        anchor_ = current_ = -1;
    } else {
        anchor_ = std::clamp<qsizetype>(anchor, 0, count - 1);
        current_ = std::clamp<qsizetype>(current, 0, count - 1);
    }
    viewport()->update();
}

void TRecordView::selectAll()
{
    selectLines(0, lineCount() - 1);
}

QString TRecordView::selectedText() const
{
    if (!lines_ || !hasSelection())
        return QString();
    return QString::fromUtf8(lines_->joined("\n", selectionFirst(), selectionLast()));
}

void TRecordView::copy() const
{
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

qsizetype TRecordView::lineAt(const QPoint& viewportPos) const
{
    const qsizetype line = firstVisibleLine() + std::max(0, viewportPos.y()) / lineHeight();
    return std::clamp<qsizetype>(line, 0, std::max<qsizetype>(0, lineCount() - 1));
}

void TRecordView::ensureVisible(qsizetype line)
{
    QScrollBar* vertical = verticalScrollBar();
    if (line < vertical->value())
        vertical->setValue(int(line));
    else if (line >= vertical->value() + visibleLineCount())
        vertical->setValue(int(line - visibleLineCount() + 1));
}

void TRecordView::moveCurrent(qsizetype line, bool extend)
{
    if (lineCount() == 0)
        return;
    line = std::clamp<qsizetype>(line, 0, lineCount() - 1);
    selectLines(extend && anchor_ >= 0 ? anchor_ : line, line);
    ensureVisible(line);
}

void TRecordView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const int height = lineHeight();
    const int ascent = fontMetrics().ascent();
    const int x = kMargin - horizontalScrollBar()->value();
    const qsizetype first = firstVisibleLine();
    const qsizetype last = std::min(lineCount(), first + visibleLineCount() + 1);
    const qsizetype selFirst = selectionFirst();
    const qsizetype selLast = selectionLast();
    const QPalette& colours = palette();
    for (qsizetype line = first; line < last; ++line) {
        const int y = int(line - first) * height;
        const bool selected = line >= selFirst && line <= selLast;
        if (selected)
            painter.fillRect(QRect(0, y, viewport()->width(), height), colours.highlight());
        painter.setPen(selected ? colours.color(QPalette::HighlightedText) : colours.color(QPalette::Text));
        painter.drawText(x, y + ascent, lines_->line(line));
    }
}

void TRecordView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRanges();
}

void TRecordView::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateScrollRanges();
}

void TRecordView::scrollContentsBy(int, int)
{
    // The vertical bar counts lines, not pixels: draw afresh.
    viewport()->update();
}

void TRecordView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || lineCount() == 0)
        return;
    const qsizetype line = lineAt(event->position().toPoint());
    moveCurrent(line, event->modifiers() & Qt::ShiftModifier);
}

void TRecordView::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton) || anchor_ < 0)
        return;
    // Dragging past the top or bottom edge scrolls on.
    const int y = event->position().toPoint().y();
    qsizetype line = lineAt(event->position().toPoint());
    if (y < 0)
        line = std::max<qsizetype>(0, firstVisibleLine() - 1);
    moveCurrent(line, true);
}

void TRecordView::keyPressEvent(QKeyEvent* event)
{
    if (event == QKeySequence::Copy) {
        copy();
        return;
    }
    if (event == QKeySequence::SelectAll) {
        selectAll();
        return;
    }
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const qsizetype current = current_ < 0 ? firstVisibleLine() : current_;
    switch (event->key()) {
    case Qt::Key_Up:
        moveCurrent(current - 1, extend);
        return;
    case Qt::Key_Down:
        moveCurrent(current_ < 0 ? current : current + 1, extend);
        return;
    case Qt::Key_PageUp:
        moveCurrent(current - visibleLineCount(), extend);
        return;
    case Qt::Key_PageDown:
        moveCurrent(current + visibleLineCount(), extend);
        return;
    case Qt::Key_Home:
        if (event->modifiers() & Qt::ControlModifier)
            moveCurrent(0, extend);
        else
            horizontalScrollBar()->setValue(0);
        return;
    case Qt::Key_End:
        if (event->modifiers() & Qt::ControlModifier)
            moveCurrent(lineCount() - 1, extend);
        else
            horizontalScrollBar()->setValue(horizontalScrollBar()->maximum());
        return;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}
