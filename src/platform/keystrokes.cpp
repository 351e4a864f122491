#include "platform/keystrokes.h"

#include "platform/editorwidget.h"
#include "platform/errors.h"
#include "platform/services.h"

#include <QCoreApplication>
#include <QHash>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>
#include <QWidget>

namespace pennaro {

namespace {

const QHash<QString, int> &namedKeys() {
    static const QHash<QString, int> keys = [] {
        QHash<QString, int> k{
            {QStringLiteral("BACKSPACE"), Qt::Key_Backspace},
            {QStringLiteral("BS"), Qt::Key_Backspace},
            {QStringLiteral("BKSP"), Qt::Key_Backspace},
            {QStringLiteral("BREAK"), Qt::Key_Pause},
            {QStringLiteral("CAPSLOCK"), Qt::Key_CapsLock},
            {QStringLiteral("DELETE"), Qt::Key_Delete},
            {QStringLiteral("DEL"), Qt::Key_Delete},
            {QStringLiteral("DOWN"), Qt::Key_Down},
            {QStringLiteral("END"), Qt::Key_End},
            {QStringLiteral("ENTER"), Qt::Key_Return},
            {QStringLiteral("ESC"), Qt::Key_Escape},
            {QStringLiteral("HELP"), Qt::Key_Help},
            {QStringLiteral("HOME"), Qt::Key_Home},
            {QStringLiteral("INSERT"), Qt::Key_Insert},
            {QStringLiteral("INS"), Qt::Key_Insert},
            {QStringLiteral("LEFT"), Qt::Key_Left},
            {QStringLiteral("NUMLOCK"), Qt::Key_NumLock},
            {QStringLiteral("PGDN"), Qt::Key_PageDown},
            {QStringLiteral("PGUP"), Qt::Key_PageUp},
            {QStringLiteral("PRTSC"), Qt::Key_Print},
            {QStringLiteral("RIGHT"), Qt::Key_Right},
            {QStringLiteral("SCROLLLOCK"), Qt::Key_ScrollLock},
            {QStringLiteral("TAB"), Qt::Key_Tab},
            {QStringLiteral("UP"), Qt::Key_Up},
        };
        for (int i = 1; i <= 16; ++i)
            k.insert(QStringLiteral("F%1").arg(i), Qt::Key_F1 + i - 1);
        return k;
    }();
    return keys;
}

QString typedText(int key) {
    switch (key) {
    case Qt::Key_Return: return QStringLiteral("\r");
    case Qt::Key_Tab: return QStringLiteral("\t");
    case Qt::Key_Backspace: return QStringLiteral("\b");
    case Qt::Key_Escape: return QStringLiteral("\x1b");
    case Qt::Key_Delete: return QStringLiteral("\x7f");
    default: return QString();
    }
}

KeyStroke characterStroke(QChar ch, Qt::KeyboardModifiers modifiers) {
    KeyStroke stroke;
    stroke.modifiers = modifiers;
    if (ch.isLetter() && ch.isUpper())
        stroke.modifiers |= Qt::ShiftModifier;
    const QChar upper = ch.toUpper();
    if (upper >= QLatin1Char('A') && upper <= QLatin1Char('Z'))
        stroke.key = Qt::Key_A + (upper.unicode() - 'A');
    else
        stroke.key = upper.unicode();  // Qt's key codes are the Unicode values
    QString text(ch);
    if (modifiers & Qt::ShiftModifier)
        text = text.toUpper();
    // Ctrl and Alt chords type nothing into an editor.
    if (!(stroke.modifiers & (Qt::ControlModifier | Qt::AltModifier)))
        stroke.text = text;
    return stroke;
}

KeyStroke namedStroke(int key, Qt::KeyboardModifiers modifiers) {
    KeyStroke stroke;
    stroke.key = key;
    stroke.modifiers = modifiers;
    if (!(modifiers & (Qt::ControlModifier | Qt::AltModifier)))
        stroke.text = typedText(key);
    return stroke;
}

[[noreturn]] void malformed(const QString &keys) {
    throw PlatformError(QStringLiteral("Invalid key notation: %1").arg(keys));
}

}  // namespace

QList<KeyStroke> parseSendKeys(const QString &keys) {
    QList<KeyStroke> strokes;
    Qt::KeyboardModifiers pending;  // modifiers waiting for their key
    Qt::KeyboardModifiers group;    // modifiers of an open "(...)" group
    bool inGroup = false;
    const int n = int(keys.size());
    auto emitStroke = [&](KeyStroke stroke, int repeat) {
        for (int r = 0; r < repeat; ++r)
            strokes.append(stroke);
    };
    for (int i = 0; i < n; ++i) {
        const QChar ch = keys.at(i);
        const Qt::KeyboardModifiers mods = pending | (inGroup ? group : Qt::KeyboardModifiers());
        if (ch == QLatin1Char('+') || ch == QLatin1Char('^') || ch == QLatin1Char('%')) {
            pending |= ch == QLatin1Char('+')   ? Qt::ShiftModifier
                       : ch == QLatin1Char('^') ? Qt::ControlModifier
                                                : Qt::AltModifier;
            continue;
        }
        if (ch == QLatin1Char('(')) {
            if (inGroup)
                malformed(keys);
            inGroup = true;
            group = pending;
            pending = {};
            continue;
        }
        if (ch == QLatin1Char(')')) {
            if (!inGroup || pending)
                malformed(keys);
            inGroup = false;
            group = {};
            continue;
        }
        if (ch == QLatin1Char('~')) {
            emitStroke(namedStroke(Qt::Key_Return, mods), 1);
        } else if (ch == QLatin1Char('{')) {
            // "{}}" and "{{}" name the brace itself.
            const int close = int(keys.indexOf(QLatin1Char('}'), i + 2));
            if (close < 0)
                malformed(keys);
            const QString inner = keys.mid(i + 1, close - i - 1);
            i = close;
            QString name = inner;
            int repeat = 1;
            const int space = int(inner.lastIndexOf(QLatin1Char(' ')));
            if (space > 0) {
                bool ok = false;
                repeat = inner.mid(space + 1).toInt(&ok);
                if (!ok || repeat < 0)
                    malformed(keys);
                name = inner.left(space);
            }
            if (name.size() == 1) {
                emitStroke(characterStroke(name.at(0), mods), repeat);
            } else {
                const auto it = namedKeys().constFind(name.toUpper());
                if (it == namedKeys().constEnd())
                    malformed(keys);
                emitStroke(namedStroke(it.value(), mods), repeat);
            }
        } else if (ch == QLatin1Char('}')) {
            malformed(keys);
        } else if (ch == QLatin1Char('\n')) {
            emitStroke(namedStroke(Qt::Key_Return, mods), 1);
        } else {
            emitStroke(characterStroke(ch, mods), 1);
        }
        pending = {};
    }
    if (inGroup || pending)
        malformed(keys);
    return strokes;
}

void deliverKeys(QWidget *target, const QList<KeyStroke> &strokes, bool wait) {
    QPointer<QWidget> guard(target);
    for (const KeyStroke &stroke : strokes) {
        if (!guard)
            return;
        if (wait) {
            QKeyEvent press(QEvent::KeyPress, stroke.key, stroke.modifiers, stroke.text);
            QCoreApplication::sendEvent(guard, &press);
            if (!guard)
                return;
            QKeyEvent release(QEvent::KeyRelease, stroke.key, stroke.modifiers, stroke.text);
            QCoreApplication::sendEvent(guard, &release);
        } else {
            QCoreApplication::postEvent(guard,
                                        new QKeyEvent(QEvent::KeyPress, stroke.key, stroke.modifiers, stroke.text));
            QCoreApplication::postEvent(guard,
                                        new QKeyEvent(QEvent::KeyRelease, stroke.key, stroke.modifiers, stroke.text));
        }
    }
}

long deliverWindowMessage(QWidget *target, quint32 msg, quintptr wParam, qintptr lParam) {
    Q_UNUSED(wParam);
    Q_UNUSED(lParam);
    if (msg != WM_UNDO || !target)
        return 0;
    // The focused widget may be a text edit's viewport; the message is meant
    // for the edit that owns it.
    for (QWidget *w = target; w; w = w->parentWidget()) {
        if (auto *editor = qobject_cast<EditorWidget *>(w))
            return editor->undoLastEdit() ? 1 : 0;
        if (auto *edit = qobject_cast<QTextEdit *>(w)) {
            if (!edit->document()->isUndoAvailable())
                return 0;
            edit->undo();
            return 1;
        }
        if (auto *edit = qobject_cast<QPlainTextEdit *>(w)) {
            if (!edit->document()->isUndoAvailable())
                return 0;
            edit->undo();
            return 1;
        }
        if (auto *line = qobject_cast<QLineEdit *>(w)) {
            if (!line->isUndoAvailable())
                return 0;
            line->undo();
            return 1;
        }
        if (w->isWindow())
            break;
    }
    return 0;
}

}  // namespace pennaro
