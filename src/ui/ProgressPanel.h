#pragma once
// The status bar's progress panel: a navy bar over its width as a batch
// run goes on.

#include <QWidget>

namespace vellumine {

class ProgressPanel : public QWidget {
    Q_OBJECT
public:
    explicit ProgressPanel(QWidget* parent = nullptr);
    void SetPercent(int percent);
    int Percent() const { return FPercent; }
    // Width of the bar in pixels for the current percentage.
    int BarWidth() const;
    // How often the panel was painted (for measuring how much a run repaints).
    int PaintCount() const { return FPaints; }
    // The percentage the bar on screen shows: what it was last painted with.
    int PaintedPercent() const { return FPaintedPercent; }

signals:
    // After each change, with the bar's new width in pixels.
    void PercentChanged(int percent, int barWidth);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int FPercent = 0;
    int FPaints = 0;
    int FPaintedPercent = 0;
};

}  // namespace vellumine
