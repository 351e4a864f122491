#include "shell/fontnamebox.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QScopedValueRollback>

namespace pennaro {

FontNameBox::FontNameBox(QComboBox *box, QWidget *menuOwner, std::function<void()> onPick)
    : QObject(box), box_(box), menuOwner_(menuOwner) {
    // The box keeps the focus and hands keys and focus changes to its line
    // edit itself, so the box is where to look at them.
    box_->installEventFilter(this);
    connect(box_, &QComboBox::activated, this, [this, onPick = std::move(onPick)](int) {
        if (!typing_)
            onPick();
    });
}

bool FontNameBox::isMenuKey(const QKeyEvent *event) const {
    const QKeySequence pressed(event->keyCombination());
    const QList<QAction *> actions = menuOwner_->findChildren<QAction *>();
    for (const QAction *action : actions) {
        if (!action->shortcut().isEmpty() && action->shortcut().matches(pressed) == QKeySequence::ExactMatch)
            return true;
    }
    return false;
}

bool FontNameBox::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        if (isMenuKey(static_cast<QKeyEvent *>(event))) {
            // Not accepting the override leaves the key to the window's
            // shortcut (or to nobody, for a greyed item).
            event->ignore();
            return true;
        }
        return false;
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        if (isMenuKey(key))
            return true;  // a greyed item's key: the box must not act on it either
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        break;
    }
    case QEvent::FocusOut: break;
    default: return false;
    }
    // Deliver the Enter or focus change now, so that an activation it
    // causes is known to come from typing.
    const QScopedValueRollback<bool> typing(typing_, true);
    watched->event(event);
    return true;
}

}  // namespace pennaro
