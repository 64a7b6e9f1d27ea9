#include "app/StatusBar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

TStatusBar::TStatusBar(QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    QFont panelFont(QStringLiteral("Segoe UI"));
    panelFont.setPixelSize(12);
    setFont(panelFont);
}

QString TStatusBar::panelText(int index) const
{
    return index >= 0 && index < kPanelCount ? texts_[size_t(index)] : QString();
}

void TStatusBar::setPanelText(int index, const QString& text)
{
    if (index < 0 || index >= kPanelCount || texts_[size_t(index)] == text)
        return;
    texts_[size_t(index)] = text;
    update();
}

int TStatusBar::panelWidth(int index) const
{
    return index >= 0 && index < kPanelCount ? widths_[size_t(index)] : 0;
}

void TStatusBar::setPanelWidth(int index, int width)
{
    if (index < 0 || index >= kPanelCount || widths_[size_t(index)] == width)
        return;
    widths_[size_t(index)] = width;
    update();
}

int TStatusBar::panelAt(int x) const
{
    int left = 0;
    for (int i = 0; i < kPanelCount; ++i) {
        left += widths_[size_t(i)];
        if (x < left)
            return i;
    }
    return -1;
}

QSize TStatusBar::sizeHint() const
{
    return QSize(QStatusBar::sizeHint().width(), fontMetrics().height() + 8);
}

void TStatusBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    int left = 0;
    for (int i = 0; i < kPanelCount; ++i) {
        const int width = widths_[size_t(i)];
        // The last panel takes what is left, as a status bar's last panel does.
        const int drawWidth = i == kPanelCount - 1 ? std::max(width, this->width() - left) : width;
        const QRect panel(left, 1, drawWidth - 2, height() - 2);
        QStyleOptionFrame frame;
        frame.initFrom(this);
        frame.rect = panel;
        frame.lineWidth = 1;
        frame.state |= QStyle::State_Sunken;
        style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, this);
        const QRect textRect = panel.adjusted(4, 0, -2, 0);
        const QString shown =
            fontMetrics().elidedText(texts_[size_t(i)], Qt::ElideRight, textRect.width());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, shown);
        left += width;
    }
}

void TStatusBar::mousePressEvent(QMouseEvent* event)
{
    const int x = int(event->position().x());
    leftPressed_ = event->button() == Qt::LeftButton;
    Q_EMIT mouseDown(event->button(), x);
    event->accept();
}

void TStatusBar::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = leftPressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    leftPressed_ = false;
    event->accept();
    if (click)
        Q_EMIT clicked();
}
