#include "ui/ImageButton.h"

#include <QPainter>

namespace vellumine {

TImageBtn::TImageBtn(const QIcon& normal, const QIcon& pressed, QWidget* parent)
    : QAbstractButton(parent), FNormal(normal), FPressed(pressed)
{
    setCursor(Qt::PointingHandCursor);
    setIconSize(QSize(32, 32));
    setFocusPolicy(Qt::NoFocus);
}

QSize TImageBtn::sizeHint() const
{
    return iconSize() + QSize(4, 4);
}

void TImageBtn::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QIcon& picture = isDown() ? FPressed : FNormal;
    picture.paint(&painter, rect().adjusted(2, 2, -2, -2));
}

}  // namespace vellumine
