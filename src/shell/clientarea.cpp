#include "shell/clientarea.h"

#include "platform/units.h"

namespace pennaro {

ClientArea::ClientArea(QWidget *parent) : QWidget(parent) {}

void ClientArea::setDockedBars(QWidget *top, QWidget *bottom) {
    top_ = top;
    bottom_ = bottom;
    dockBars();
}

void ClientArea::dockBars() {
    const int topHeight = twipsToPixelsY(ToolbarHeightTwips);
    const int bottomHeight = twipsToPixelsY(StatusBarHeightTwips);
    if (top_)
        top_->setGeometry(0, 0, width(), topHeight);
    if (bottom_)
        bottom_->setGeometry(0, height() - bottomHeight, width(), bottomHeight);
}

void ClientArea::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    dockBars();
    if (onResize_)
        onResize_();
}

}  // namespace pennaro
