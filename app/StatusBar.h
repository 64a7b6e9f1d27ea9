#pragma once

#include <QStatusBar>
#include <QString>

#include <array>

// A status bar of four panels with fixed widths (the third one is set by the
// window as it resizes). It draws the panels itself and reports mouse presses
// with their position, as the language switch needs.
class TStatusBar : public QStatusBar {
    Q_OBJECT
public:
    static constexpr int kPanelCount = 4;

    explicit TStatusBar(QWidget* parent = nullptr);

    QString panelText(int index) const;
    void setPanelText(int index, const QString& text);
    int panelWidth(int index) const;
    void setPanelWidth(int index, int width);
    // The panel under x, or -1 right of the last one.
    int panelAt(int x) const;

    // A free integer, as every component has: the language switch keeps the x
    // of the last left-button press here.
    int Tag = 0;

    QSize sizeHint() const override;

Q_SIGNALS:
    void mouseDown(Qt::MouseButton button, int x);
    // A left-button press and release on the bar.
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::array<QString, kPanelCount> texts_;
    std::array<int, kPanelCount> widths_{200, 350, 350, 50};
    bool leftPressed_ = false;
};
