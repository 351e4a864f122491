// The main window as it stands after creation: caption and icon, menus,
// toolbar, font-name box, status panels, tab order and focus, and the
// shortcuts that reach (or must not reach) the menu commands.
#include "platform/errors.h"
#include "platform/richtextbox.h"
#include "resources/texts.h"
#include "shell/clientarea.h"
#include "shell/form1.h"
#include "shell/statusbar.h"
#include "support/scripted_platform.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QTime>
#include <QToolBar>
#include <QToolButton>
#include <cmath>
#include <memory>

using namespace pennaro;
using pennaro::testing::ScriptedPlatform;

namespace {

int px(double twips, double twipsPerPixel) { return int(std::lround(twips / twipsPerPixel)); }

// An image that shows something: some pixels drawn, not all of one colour.
bool drawsSomething(const QIcon &icon, int size) {
    const QImage image = icon.pixmap(size, size).toImage();
    if (image.isNull())
        return false;
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            opaque += qAlpha(image.pixel(x, y)) > 128;
    return opaque > image.width() * image.height() / 10;
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedPlatform> platform;
    std::unique_ptr<Form1> form;

private slots:
    void init() {
        platform = std::make_unique<ScriptedPlatform>();
        form = std::make_unique<Form1>(platform->services());
    }
    void cleanup() {
        form.reset();
        platform.reset();
    }

    void captionAndIcon() {
        QCOMPARE(form->windowTitle(), QStringLiteral("RTF文件编辑器"));
        const QIcon icon = form->windowIcon();
        QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
        QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
        QVERIFY(drawsSomething(icon, 32));
        QVERIFY(drawsSomething(icon, 16));
    }

    void menusFollowTheTable() {
        struct Row {
            QAction *action;
            const char *caption;
            QKeySequence shortcut;
            bool enabled;
        };
        const QKeySequence none;
        const QList<QPair<QMenu *, QList<Row>>> table = {
            {form->mnuFile,
             {{form->mnuOpenItem, "&Open...", QKeySequence(QStringLiteral("Ctrl+O")), true},
              {form->mnuCloseItem, "&Close", none, true},
              {form->mnuSave, "&Save", none, true},
              {form->mnuSaveAsItem, "Save &As...", QKeySequence(QStringLiteral("Ctrl+S")), true},
              {form->mnuPrintItem, "&Print...", QKeySequence(QStringLiteral("Ctrl+P")), true},
              {form->mnuExitItem, "E&xit", none, true}}},
            {form->mnuEdit,
             {{form->mnuUndo, "&Undo", QKeySequence(QStringLiteral("Ctrl+Z")), true},
              {form->mnuRedo, "&Redo", QKeySequence(QStringLiteral("Ctrl+Y")), false},
              {form->mnuCutItem, "Cu&t", QKeySequence(QStringLiteral("Ctrl+X")), true},
              {form->mnudel, "&Del", none, true},
              {form->mnuSelectAll, "Select &All", none, true},
              {form->mnuCopyItem, "&Copy", QKeySequence(QStringLiteral("Ctrl+C")), true},
              {form->mnuPasteItem, "&Paste", QKeySequence(QStringLiteral("Ctrl+V")), true},
              {form->mnuFindItem, "&Find...", QKeySequence(QStringLiteral("Ctrl+F")), true},
              {form->mnuFindNextItem, "Find&Next", QKeySequence(QStringLiteral("F3")), true},
              {form->mnufindall, "Find al&l", none, true}}},
            {form->mnuFormat,
             {{form->mnuAllcapsItem, "&All Caps", none, true},
              {form->mnuFontItem, "&Font...", none, true},
              {form->mnuBoldItem, "&Bold", none, true},
              {form->mnuItalicItem, "&Italic", none, true},
              {form->mnuUnderlineItem, "&Underline", none, true}}},
        };
        const QList<QAction *> bar = form->menuBar()->actions();
        QCOMPARE(bar.size(), 3);
        QCOMPARE(bar[0]->text(), QStringLiteral("&File"));
        QCOMPARE(bar[1]->text(), QStringLiteral("&Edit"));
        QCOMPARE(bar[2]->text(), QStringLiteral("F&ormat"));
        for (int m = 0; m < table.size(); ++m) {
            QMenu *menu = table[m].first;
            QCOMPARE(bar[m]->menu(), menu);
            const QList<QAction *> actions = menu->actions();
            QCOMPARE(actions.size(), table[m].second.size());
            for (int i = 0; i < actions.size(); ++i) {
                const Row &row = table[m].second[i];
                QCOMPARE(actions[i], row.action);
                QCOMPARE(actions[i]->text(), QString::fromUtf8(row.caption));
                QCOMPARE(actions[i]->shortcuts(),
                         row.shortcut.isEmpty() ? QList<QKeySequence>{} : QList<QKeySequence>{row.shortcut});
                QCOMPARE(actions[i]->isEnabled(), row.enabled);
                QVERIFY(!actions[i]->isSeparator());
                QVERIFY(!actions[i]->isCheckable());
            }
        }
    }

    void toolbarFollowsTheTable() {
        const QStringList keys = {"New", "Open", "Save",   "",          "Print", "",      "Cut", "Copy", "Paste",
                                  "",    "Bold", "Italic", "Underline", "",      "Color", "",    "Up",   "Down"};
        const QStringList tips = {"新建", "打开", "保存", "",       "打印", "",         "剪切", "复制",     "粘贴",
                                  "",     "粗体", "斜体", "下划线", "",     "字体颜色", "",     "增大字号", "减小字号"};
        const QList<QAction *> actions = form->Toolbar1->actions();
        QCOMPARE(actions.size(), 18);
        QCOMPARE(form->Toolbar1->iconSize(), QSize(16, 16));
        QCOMPARE(form->Toolbar1->toolButtonStyle(), Qt::ToolButtonIconOnly);
        QSet<size_t> images;
        for (int i = 0; i < actions.size(); ++i) {
            QAction *a = actions[i];
            if (keys[i].isEmpty()) {
                QVERIFY2(a->isSeparator(), qPrintable(QString::number(i + 1)));
                continue;
            }
            QVERIFY(!a->isSeparator());
            QCOMPARE(a->data().toString(), keys[i]);
            QCOMPARE(a->toolTip(), tips[i]);
            QVERIFY(!a->isCheckable());
            QVERIFY(a->isEnabled());
            QVERIFY2(drawsSomething(a->icon(), 16), qPrintable(keys[i]));
            const QImage image = a->icon().pixmap(16, 16).toImage();
            images.insert(qHashBits(image.constBits(), size_t(image.sizeInBytes())));
        }
        QCOMPARE(images.size(), 13);  // thirteen different pictures
    }

    void toolbarClickPassesTheKey() {
        form->resize(712, 500);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QAction *underline = form->Toolbar1->actions().at(12);
        QSignalSpy spy(form->Toolbar1, &QToolBar::actionTriggered);
        auto *button = qobject_cast<QToolButton *>(form->Toolbar1->widgetForAction(underline));
        QVERIFY(button);
        QVERIFY(button->isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy[0][0].value<QAction *>()->data().toString(), QStringLiteral("Underline"));
        QVERIFY(!button->isDown());
    }

    void fontBoxSitsOnTheToolbarStrip() {
        form->resize(712, 500);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QComboBox *box = form->Combo1;
        QVERIFY(box->isEditable());
        QCOMPARE(box->currentText(), QStringLiteral("字体"));
        QCOMPARE(box->count(), 0);
        QVERIFY(box->isVisible());
        const QPoint topLeft = box->mapTo(form->centralWidget(), QPoint(0, 0));
        QCOMPARE(topLeft, QPoint(px(5730, twipsPerPixelX()), px(45, twipsPerPixelY())));
        QCOMPARE(box->size(), QSize(px(3795, twipsPerPixelX()), px(300, twipsPerPixelY())));
        QWidget *lastButton = form->Toolbar1->widgetForAction(form->Toolbar1->actions().last());
        QVERIFY(lastButton->isVisible());
        QVERIFY(lastButton->geometry().right() < box->geometry().left());
    }

    void barsAreDockedAtFullWidth() {
        form->resize(700, 500);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QWidget *client = form->centralWidget();
        QVERIFY(qobject_cast<ClientArea *>(client));
        QCOMPARE(client->geometry().top(), form->menuBar()->geometry().bottom() + 1);
        QCOMPARE(form->ScaleWidth(), client->width() * twipsPerPixelX());
        QCOMPARE(form->ScaleHeight(), client->height() * twipsPerPixelY());
        const int toolbarHeight = px(420, twipsPerPixelY()), statusHeight = px(270, twipsPerPixelY());
        QCOMPARE(form->Toolbar1->geometry(), QRect(0, 0, client->width(), toolbarHeight));
        QCOMPARE(form->StatusBar1->geometry(),
                 QRect(0, client->height() - statusHeight, client->width(), statusHeight));
        form->resize(900, 650);
        QTRY_COMPARE(form->Toolbar1->width(), client->width());
        QCOMPARE(form->StatusBar1->geometry(),
                 QRect(0, client->height() - statusHeight, client->width(), statusHeight));
    }

    void statusPanels() {
        StatusBar *bar = form->StatusBar1;
        QCOMPARE(bar->panelText(1), QStringLiteral("状态"));
        QCOMPARE(bar->panelText(2), QStringLiteral("字体"));
        QCOMPARE(bar->panelText(3), QStringLiteral("字号"));
        // The clock shows the time of day, hours and minutes.
        const QString format = StatusBar::clockFormat();
        QVERIFY2(!format.contains(u's') && format.contains(u'm') && format.contains(u'h', Qt::CaseInsensitive),
                 qPrintable(format));
        const QString clock = bar->panelText(4);
        const QTime now = QTime::currentTime();
        QVERIFY2(clock == QLocale::system().toString(now, format) ||
                     clock == QLocale::system().toString(now.addSecs(-60), format),
                 qPrintable(clock));
        bar->setPanelText(1, QStringLiteral("/tmp/文档 1.rtf"));
        QCOMPARE(bar->panelText(1), QStringLiteral("/tmp/文档 1.rtf"));
        bar->setPanelText(3, QStringLiteral("10.5"));
        QCOMPARE(bar->panelText(3), QStringLiteral("10.5"));
        QVERIFY_THROWS_EXCEPTION(PlatformError, bar->panelText(0));
        QVERIFY_THROWS_EXCEPTION(PlatformError, bar->setPanelText(5, QStringLiteral("x")));
    }

    void statusPanelWidths() {
        form->resize(712, 500);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        StatusBar *bar = form->StatusBar1;
        const int inch = px(1440, twipsPerPixelX());
        for (int i = 2; i <= 4; ++i)
            QCOMPARE(bar->panel(i)->width(), inch);
        const int first = bar->panel(1)->width();
        QVERIFY(first > 3 * inch);
        if (twipsPerPixelX() == 15)  // the design size is whole pixels at 96 DPI only
            QCOMPARE(first, px(6030, 15));
        QVERIFY(bar->panel(1)->x() < bar->panel(2)->x());
        QVERIFY(bar->panel(3)->x() < bar->panel(4)->x());
        QVERIFY(bar->panel(4)->geometry().right() < bar->width());

        // A long font name widens its panel at the first panel's expense.
        bar->setPanelText(2, QStringLiteral("Microsoft YaHei UI Light Condensed Extra"));
        QTRY_VERIFY(bar->panel(2)->width() > inch);
        QVERIFY(bar->panel(2)->width() >= bar->panel(2)->fontMetrics().horizontalAdvance(bar->panelText(2)));
        QCOMPARE(bar->panel(1)->width(), first - (bar->panel(2)->width() - inch));
        QCOMPARE(bar->panel(3)->width(), inch);

        // Growing the window widens only the first panel.
        form->resize(900, 500);
        QTRY_VERIFY(bar->panel(1)->width() > first);
        QCOMPARE(bar->panel(3)->width(), inch);
        QCOMPARE(bar->panel(4)->width(), inch);
    }

    // The bars between the editing area and the font-name box take no
    // focus, so Tab leads from the editing area's chain to the box.
    void tabOrderAndFirstFocus() {
        QWidget *editor = form->RichTextBox1->widget();
        QCOMPARE(form->StatusBar1->focusPolicy(), Qt::NoFocus);
        QCOMPARE(form->Toolbar1->focusPolicy(), Qt::NoFocus);
        QWidget *next = editor->nextInFocusChain();
        while (next != editor && (editor->isAncestorOf(next) || !(next->focusPolicy() & Qt::TabFocus)))
            next = next->nextInFocusChain();
        QVERIFY(next == form->Combo1 || form->Combo1->isAncestorOf(next));

        form->show();
        QApplication::setActiveWindow(form.get());
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTRY_COMPARE(QApplication::focusWidget(), editor);
    }

    // Ctrl+Y runs nothing: Redo is greyed, and the editing area must not redo
    // on its own either. The other shortcuts reach their menu items even
    // while the editing area has the focus.
    void shortcutsFromTheEditingArea() {
        form->show();
        QApplication::setActiveWindow(form.get());
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QWidget *editor = form->RichTextBox1->widget();
        editor->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), editor);

        QTest::keyClicks(editor, QStringLiteral("abc"));
        QCOMPARE(form->RichTextBox1->Text(), QStringLiteral("abc"));
        form->RichTextBox1->document()->undo();
        const QString afterUndo = form->RichTextBox1->Text();
        QVERIFY(form->RichTextBox1->document()->isRedoAvailable());

        QSignalSpy redo(form->mnuRedo, &QAction::triggered);
        QTest::keyClick(editor, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(redo.size(), 0);
        QCOMPARE(form->RichTextBox1->Text(), afterUndo);

        QSignalSpy copy(form->mnuCopyItem, &QAction::triggered);
        QTest::keyClick(editor, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(copy.size(), 1);
        QSignalSpy selectAll(form->mnuSelectAll, &QAction::triggered);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);  // not a shortcut of this window
        QCOMPARE(selectAll.size(), 0);
    }
};

QTEST_MAIN(WindowTest)
#include "test_window.moc"
