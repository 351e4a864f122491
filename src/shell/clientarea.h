// The window's client area below the menu bar. Its size is the window's
// ScaleWidth x ScaleHeight; the toolbar is docked along its top edge and the
// status bar along its bottom edge, both at full width and fixed heights.
// Everything else in it (the editing area) is placed by the resize handler.
#pragma once

#include <QWidget>
#include <functional>

namespace pennaro {

class ClientArea : public QWidget {
    Q_OBJECT
public:
    explicit ClientArea(QWidget *parent = nullptr);

    static constexpr double ToolbarHeightTwips = 420;
    static constexpr double StatusBarHeightTwips = 270;

    void setDockedBars(QWidget *top, QWidget *bottom);
    // Runs after the bars have been docked on every change of size.
    void setResizeHandler(std::function<void()> handler) { onResize_ = std::move(handler); }
    // Places the docked bars for the current size.
    void dockBars();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *top_ = nullptr;
    QWidget *bottom_ = nullptr;
    std::function<void()> onResize_;
};

}  // namespace pennaro
