// The font-name box on the toolbar strip, made to behave like the box the
// window was designed with:
// - the window's menu keys win over the box's own editing keys, as they do
//   in the editing area (Ctrl+C in the box copies the document's selection,
//   Ctrl+Y does nothing);
// - only a pick from the list counts as a click. QComboBox also reports an
//   activation when a name typed into the box matches an entry and the user
//   presses Enter or leaves the box; that is typing, not a pick.
#pragma once

#include <QObject>

#include <functional>

class QComboBox;
class QKeyEvent;

namespace pennaro {

class FontNameBox : public QObject {
public:
    // onPick runs for each pick; menuOwner is the window whose actions'
    // shortcuts count as menu keys.
    FontNameBox(QComboBox *box, QWidget *menuOwner, std::function<void()> onPick);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool isMenuKey(const QKeyEvent *event) const;

    QComboBox *box_;
    QWidget *menuOwner_;
    bool typing_ = false;  // an Enter or focus change of the box is being handled
};

}  // namespace pennaro
