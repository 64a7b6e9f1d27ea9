#pragma once

#include <QAbstractScrollArea>

class TRecordLines;

// The table of the record: a read-only view of its lines. It draws only the
// lines in sight, straight from the compact line store, so a month of rows
// costs no layout; appending a row only moves the scroll range and repaints.
// Lines are selected with the mouse (Shift extends) and the arrow keys;
// Ctrl+A selects all, Ctrl+C copies the selected lines.
class TRecordView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TRecordView(QWidget* parent = nullptr);

    // The lines to show; not owned, must outlive the view.
    void setLines(const TRecordLines* lines);
    const TRecordLines* lines() const { return lines_; }

    // After lines were appended or the last one extended. A view that showed
    // the last line keeps showing it.
    void linesAppended();
    // After the lines were emptied or replaced: no selection, back to the top.
    void linesReset();

    // Selected lines [first, last]; first > last when none.
    qsizetype selectionFirst() const;
    qsizetype selectionLast() const;
    bool hasSelection() const { return anchor_ >= 0; }
    void selectLines(qsizetype anchor, qsizetype current);
    void selectAll();
    // The selected lines, each followed by a line end.
    QString selectedText() const;
    void copy() const;

    // First line in sight and how many fit.
    qsizetype firstVisibleLine() const;
    qsizetype visibleLineCount() const;
    // The line under a viewport position (clamped to the lines there are).
    qsizetype lineAt(const QPoint& viewportPos) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    qsizetype lineCount() const;
    int lineHeight() const;
    int charWidth() const;
    void updateScrollRanges();
    void moveCurrent(qsizetype line, bool extend);
    void ensureVisible(qsizetype line);

    const TRecordLines* lines_ = nullptr;
    qsizetype anchor_ = -1;
    qsizetype current_ = -1;
    static constexpr int kMargin = 4;
};
