// The Qt services: the settings store, keystrokes and the undo message.
#include "platform/errors.h"
#include "platform/keystrokes.h"
#include "platform/qtservices.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QVBoxLayout>
#include <memory>

using namespace pennaro;

namespace {

// Settings go to a private configuration folder for the whole run; it has to
// be in place before the first QSettings or QStandardPaths use.
QTemporaryDir *configHome() {
    static QTemporaryDir dir;
    return &dir;
}

}  // namespace

class TestServices : public QObject {
    Q_OBJECT

private slots:
    void settingsRoundTrip() {
        QtSettingsStore store;
        QCOMPARE(store.GetSetting(QStringLiteral("Pennaro"), QStringLiteral("Settings"), QStringLiteral("MainLeft"),
                                  QStringLiteral("1000")),
                 QStringLiteral("1000"));
        store.SaveSetting(QStringLiteral("Pennaro"), QStringLiteral("Settings"), QStringLiteral("MainLeft"),
                          QStringLiteral("-120"));
        store.SaveSetting(QStringLiteral("Pennaro"), QStringLiteral("Settings"), QStringLiteral("MainTop"),
                          QStringLiteral("1,5"));
        QtSettingsStore fresh;
        QCOMPARE(fresh.GetSetting(QStringLiteral("Pennaro"), QStringLiteral("Settings"), QStringLiteral("MainLeft"),
                                  QString()),
                 QStringLiteral("-120"));
        QCOMPARE(fresh.GetSetting(QStringLiteral("Pennaro"), QStringLiteral("Settings"), QStringLiteral("MainTop"),
                                  QString()),
                 QStringLiteral("1,5"));
        // Stored where a per-user INI file belongs.
        QVERIFY(QFile::exists(configHome()->filePath(QStringLiteral("Pennaro/Pennaro.ini"))));
    }

    void settingsWriteFailureIsReported() {
        // Another application name whose folder is blocked by a file: the
        // write cannot succeed, for root either.
        QFile blocker(configHome()->filePath(QStringLiteral("Pennaro/Blocked.ini")));
        QVERIFY(QDir().mkpath(blocker.fileName()));  // a folder where the file should go
        QtSettingsStore store;
        QVERIFY_THROWS_EXCEPTION(PlatformError, store.SaveSetting(QStringLiteral("Blocked"), QStringLiteral("S"),
                                                                  QStringLiteral("k"), QStringLiteral("v")));
    }

    void sendKeysNotation() {
        QList<KeyStroke> s = parseSendKeys(QStringLiteral("^{HOME}"));
        QCOMPARE(s.size(), 1);
        QCOMPARE(s[0].key, int(Qt::Key_Home));
        QCOMPARE(s[0].modifiers, Qt::KeyboardModifiers(Qt::ControlModifier));

        s = parseSendKeys(QStringLiteral("+a{+}B~{LEFT 3}%(xy)"));
        QCOMPARE(s.size(), 1 + 1 + 1 + 1 + 3 + 2);
        QCOMPARE(s[0].text, QStringLiteral("A"));
        QCOMPARE(s[0].modifiers, Qt::KeyboardModifiers(Qt::ShiftModifier));
        QCOMPARE(s[1].text, QStringLiteral("+"));
        QCOMPARE(s[1].modifiers, Qt::KeyboardModifiers());
        QCOMPARE(s[2].text, QStringLiteral("B"));  // a capital is typed with Shift
        QCOMPARE(s[2].modifiers, Qt::KeyboardModifiers(Qt::ShiftModifier));
        QCOMPARE(s[3].key, int(Qt::Key_Return));
        QCOMPARE(s[4].key, int(Qt::Key_Left));
        QCOMPARE(s[6].key, int(Qt::Key_Left));
        QCOMPARE(s[7].key, int(Qt::Key_X));
        QCOMPARE(s[8].modifiers, Qt::KeyboardModifiers(Qt::AltModifier));
        QVERIFY(s[8].text.isEmpty());

        QVERIFY_THROWS_EXCEPTION(PlatformError, parseSendKeys(QStringLiteral("{NOSUCHKEY}")));
        QVERIFY_THROWS_EXCEPTION(PlatformError, parseSendKeys(QStringLiteral("{HOME")));
        QVERIFY_THROWS_EXCEPTION(PlatformError, parseSendKeys(QStringLiteral("^")));
        QVERIFY_THROWS_EXCEPTION(PlatformError, parseSendKeys(QStringLiteral("(ab")));
    }

    void keystrokesReachTheFocusedWidget() {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *edit = new QTextEdit(&window);
        auto *line = new QLineEdit(&window);
        auto *button = new QPushButton(QStringLiteral("b"), &window);
        layout->addWidget(edit);
        layout->addWidget(line);
        layout->addWidget(button);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), edit);

        QtInputSystem input;
        QCOMPARE(input.GetFocus(), edit);
        QCOMPARE(input.ActiveControl(), edit);
        edit->setPlainText(QStringLiteral("abcdef"));
        QTextCursor cursor = edit->textCursor();
        cursor.setPosition(1);
        cursor.setPosition(3, QTextCursor::KeepAnchor);
        edit->setTextCursor(cursor);
        // Waiting: the deletion is done when SendKeys returns.
        input.SendKeys(QStringLiteral("{DELETE}"), true);
        QCOMPARE(edit->toPlainText(), QStringLiteral("adef"));
        input.SendKeys(QStringLiteral("{DELETE}"), true);
        QCOMPARE(edit->toPlainText(), QStringLiteral("aef"));
        // Not waiting: done once the event queue has run.
        input.SendKeys(QStringLiteral("^{HOME}"), false);
        QTRY_COMPARE(edit->textCursor().position(), 0);
        input.SendKeys(QStringLiteral("xY"), true);
        QCOMPARE(edit->toPlainText(), QStringLiteral("xYaef"));

        // The undo message goes to the edit even when the viewport is named.
        QCOMPARE(input.SendMessageA(edit->viewport(), WM_UNDO, 0, 0), 1L);
        QCOMPARE(edit->toPlainText(), QStringLiteral("aef"));
        QCOMPARE(input.SendMessageA(button, WM_UNDO, 0, 0), 0L);
        QCOMPARE(input.SendMessageA(edit, 0x0010, 0, 0), 0L);
        QCOMPARE(input.SendMessageA(nullptr, WM_UNDO, 0, 0), 0L);

        // The box keeps its own keys: Delete there edits the box only.
        line->setText(QStringLiteral("xyz"));
        line->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), line);
        line->setCursorPosition(0);
        input.SendKeys(QStringLiteral("{DELETE}"), true);
        QCOMPARE(line->text(), QStringLiteral("yz"));
        QCOMPARE(edit->toPlainText(), QStringLiteral("aef"));
    }

    // Keys sent without waiting while no control has the keyboard (a dialog
    // has just closed) go to the control that gets it next.
    void keystrokesWaitForTheKeyboard() {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *edit = new QTextEdit(&window);
        layout->addWidget(edit);
        edit->setPlainText(QStringLiteral("abc"));
        edit->moveCursor(QTextCursor::End);
        QCOMPARE(QApplication::focusWidget(), nullptr);

        QtInputSystem input;
        input.SendKeys(QStringLiteral("^{HOME}"), false);
        input.SendKeys(QStringLiteral("{DELETE}"), true);  // waiting: nowhere to go, and gone
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
        QTRY_COMPARE(edit->textCursor().position(), 0);
        QCOMPARE(edit->toPlainText(), QStringLiteral("abc"));
    }

    void fontIndexOutOfRange() {
        QtScreenFonts fonts;
        QVERIFY(fonts.FontCount() >= 0);
        QVERIFY_THROWS_EXCEPTION(PlatformError, fonts.Fonts(fonts.FontCount()));
        QVERIFY_THROWS_EXCEPTION(PlatformError, fonts.Fonts(-1));
    }

    // The words after the program's name, as the program was started:
    // joined by single spaces, blanks inside a word kept, and words that
    // look like Qt's own options kept too (a QApplication built from the
    // same argv takes those out of its list).
    void commandLineWords() {
        QByteArray words[] = {"pennaro", "-style", "fusion", "my  report.rtf", "\"x\"", "\xe4\xbd\xa0.rtf"};
        char *argv[] = {words[0].data(), words[1].data(), words[2].data(),
                        words[3].data(), words[4].data(), words[5].data()};
        int argc = 6;
        QtCommandLine line(argc, argv);
        QCOMPARE(line.Command(), QStringLiteral("-style fusion my  report.rtf \"x\" 你.rtf"));
        QCOMPARE(QtCommandLine(1, argv).Command(), QString());
    }
};

int main(int argc, char **argv) {
    qputenv("XDG_CONFIG_HOME", configHome()->path().toLocal8Bit());
    QApplication app(argc, argv);
    TestServices test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_services.moc"
