// Keystrokes in SendKeys notation and the one window message the program
// sends, delivered to Qt widgets. Shared by the Qt input system and the
// scripted one, so that tests exercise the same parsing and delivery.
#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

class QWidget;

namespace pennaro {

struct KeyStroke {
    int key = 0;  // Qt::Key
    Qt::KeyboardModifiers modifiers;
    QString text;  // what the key types, empty for keys that type nothing
    bool operator==(const KeyStroke &) const = default;
};

// Parses SendKeys notation: plain characters, "~" for Enter, "+" Shift,
// "^" Ctrl and "%" Alt before a key or a parenthesised group, and braced
// names ("{DELETE}", "{HOME}", "{F3}", "{LEFT 4}", "{+}"). Throws
// PlatformError for text it cannot read; nothing is sent then.
QList<KeyStroke> parseSendKeys(const QString &keys);

// Sends a press and a release for each stroke to the widget: synchronously
// when wait is set, through the event queue otherwise.
void deliverKeys(QWidget *target, const QList<KeyStroke> &strokes, bool wait);

// WM_UNDO to a text editing widget (or a widget inside one) undoes its last
// edit and returns 1; with nothing to undo, or for any other message or
// widget, nothing happens and the result is 0.
long deliverWindowMessage(QWidget *target, quint32 msg, quintptr wParam, qintptr lParam);

}  // namespace pennaro
