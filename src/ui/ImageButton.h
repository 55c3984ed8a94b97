#pragma once
// A picture button with two pictures: the second while the mouse button is
// held down on it, the first again when it is released or the mouse leaves.

#include <QAbstractButton>
#include <QIcon>

namespace vellumine {

class TImageBtn : public QAbstractButton {
    Q_OBJECT
public:
    TImageBtn(const QIcon& normal, const QIcon& pressed, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QIcon FNormal;
    QIcon FPressed;
};

}  // namespace vellumine
