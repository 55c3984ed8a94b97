#include "ui/ProgressPanel.h"

#include <QPainter>

namespace vellumine {

ProgressPanel::ProgressPanel(QWidget* parent) : QWidget(parent)
{
    setFixedWidth(50);
}

void ProgressPanel::SetPercent(int percent)
{
    FPercent = std::clamp(percent, 0, 100);
    emit PercentChanged(FPercent, BarWidth());
}

int ProgressPanel::BarWidth() const
{
    return width() * FPercent / 100;
}

// StatusBar1DrawPanel: the bar over the panel's width times the percentage.
void ProgressPanel::paintEvent(QPaintEvent*)
{
    ++FPaints;
    FPaintedPercent = FPercent;
    QPainter painter(this);
    painter.fillRect(QRect(0, 1, BarWidth(), height() - 2), QColor(0, 0, 128));
}

}  // namespace vellumine
