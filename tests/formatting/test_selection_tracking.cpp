// What follows the selection: status panels 2 and 3 and the font-name box,
// a pick from the box, and the Edit menu as the editing area's context menu.
#include "formatting/formatting_support.h"
#include "shell/statusbar.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QComboBox>
#include <QGlyphRun>
#include <QMenu>
#include <QRawFont>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>

using namespace pennaro;
using namespace pennaro::testing;

namespace {

// "甲乙丙丁" 宋体 12, "abcd" Arial 12, "efgh" Arial 20, "戊己庚辛" 宋体 10.5.
void fourRuns(FormFixture &f) {
    RichTextBox &box = *f.form->RichTextBox1;
    box.setText(QStringLiteral("甲乙丙丁abcdefgh戊己庚辛"));
    select(f, 4, 8);
    box.setSelFontName(QStringLiteral("Arial"));
    select(f, 8, 4);
    box.setSelFontSize(20.0f);
    select(f, 12, 4);
    box.setSelFontSize(10.5f);
}

struct Displays {
    QString panel2, panel3, box;
    bool operator==(const Displays &) const = default;
};

Displays displays(const FormFixture &f) { return {f.panel(2), f.panel(3), f.form->Combo1->currentText()}; }

char *toString(const Displays &d) {
    return qstrdup(QStringLiteral("{\"%1\", \"%2\", box \"%3\"}").arg(d.panel2, d.panel3, d.box).toUtf8().constData());
}

void showAndActivate(FormFixture &f) {
    f.form->show();
    QApplication::setActiveWindow(f.form.get());
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
}

// Runs action, which may open a pop-up menu, and returns the menu that
// opened (nullptr if none) with where it opened. inside runs while the menu
// is open; the menu is closed afterwards if inside did not close it, so a
// menu that should not have opened cannot hang the test.
struct Popup {
    QMenu *menu = nullptr;
    QPoint pos;
};

Popup popupDuring(const std::function<void()> &action, const std::function<void(QMenu *)> &inside = {}) {
    Popup seen;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu || seen.menu)
            return;
        seen = {menu, menu->pos()};
        if (inside)
            inside(menu);
        if (menu->isVisible())
            menu->close();
    });
    poll.start();
    action();
    QTest::qWait(100);  // a menu that opens late is still seen
    return seen;
}

}  // namespace

Q_DECLARE_METATYPE(Displays)

class SelectionTracking : public QObject {
    Q_OBJECT
private slots:
    void displaysFollowTheSelection_data();
    void displaysFollowTheSelection();
    void loadedDocumentShowsItsFont();
    void pickFromTheBoxSetsTheFontOnly();
    void boxNamesThatAreNotFonts();
    void rightButtonOpensTheEditMenu();
    void otherButtonsOpenNothing();
};

void SelectionTracking::displaysFollowTheSelection_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<Displays>("expected");
    // Each row starts from a caret in the first run, which shows 宋体 / 12.
    QTest::newRow("caret, whole size") << 6 << 0 << Displays{"Arial", "12", "Arial"};
    QTest::newRow("caret, fractional size") << 14 << 0 << Displays{"宋体", "10.5", "宋体"};
    QTest::newRow("one run") << 8 << 4 << Displays{"Arial", "20", "Arial"};
    QTest::newRow("two fonts, one size") << 2 << 4 << Displays{"", "12", ""};
    // The name is not refreshed: it keeps the text of the earlier caret.
    QTest::newRow("one font, two sizes") << 4 << 8 << Displays{"宋体", "", "宋体"};
    QTest::newRow("two fonts, two sizes") << 2 << 8 << Displays{"", "", ""};
    QTest::newRow("everything") << 0 << 16 << Displays{"", "", ""};
}

void SelectionTracking::displaysFollowTheSelection() {
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(Displays, expected);
    FormFixture f;
    fourRuns(f);
    f.form->RichTextBox1->setSelStart(1);
    QCOMPARE(displays(f), (Displays{"宋体", "12", "宋体"}));
    select(f, start, length);
    QCOMPARE(displays(f), expected);
}

// Loading raises a selection change: once a document is open, at start-up
// or through Open, the displays show the font at the caret.
void SelectionTracking::loadedDocumentShowsItsFont() {
    FormFixture f(false);
    QFile file(f.path("arial.rtf"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}\\f0\\fs21 Hello\\par}");
    file.close();
    f.platform.commandLine.text = file.fileName();
    f.run([&] { f.form->Form_Load(); });
    QCOMPARE(displays(f), (Displays{"Arial", "10.5", "Arial"}));

    QFile other(f.path("courier.rtf"));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Courier New;}}\\f0\\fs28 Hi\\par}");
    other.close();
    f.platform.dialogs.answerOpen(other.fileName());
    f.run([&] { f.form->mnuOpenItem_Click(); });
    QCOMPARE(displays(f), (Displays{"Courier New", "14", "Courier New"}));
}

// A pick from the list changes the selection's font and panel 2; the size,
// panel 3 and the focus stay where they were.
void SelectionTracking::pickFromTheBoxSetsTheFontOnly() {
    FormFixture f;
    fourRuns(f);
    showAndActivate(f);
    QComboBox *combo = f.form->Combo1;
    combo->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), combo);
    combo->setCurrentIndex(0);  // 宋体, then Arial, 黑体, Arial
    select(f, 6, 4);
    f.form->StatusBar1->setPanelText(3, QStringLiteral("p3"));
    f.form->Modified = false;

    QTest::keyClick(combo, Qt::Key_Down);  // a pick: the next entry, Arial
    QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(combo->currentText(), QStringLiteral("黑体"));
    QCOMPARE(f.form->RichTextBox1->SelFontName(), std::optional<QString>(QStringLiteral("黑体")));
    QCOMPARE(f.panel(2), QStringLiteral("黑体"));
    QCOMPARE(f.panel(3), QStringLiteral("p3"));
    QCOMPARE(QApplication::focusWidget(), combo);
    QVERIFY(f.form->Modified);
    QCOMPARE(formatOf(f, 6, 4).size, std::nullopt);  // 12 and 20 as before
    QCOMPARE(formatOf(f, 4, 2).name, std::optional<QString>(QStringLiteral("Arial")));
}

// An empty name changes nothing. A name no installed font carries is kept
// as it stands (it is what the file will name), and the characters are
// still drawn, in a font that has them.
void SelectionTracking::boxNamesThatAreNotFonts() {
    const QString unknown = QStringLiteral("无此字体 NoSuchFont");
    FormFixture f(false);
    f.platform.fonts.names = {QStringLiteral("宋体"), unknown, QString()};
    f.run([&] { f.form->Form_Load(); });
    RichTextBox &box = *f.form->RichTextBox1;
    box.setText(QStringLiteral("中文 text"));
    showAndActivate(f);
    f.form->Modified = false;
    selectAll(f);
    f.form->StatusBar1->setPanelText(2, QStringLiteral("p2"));

    f.form->Combo1->setCurrentIndex(2);
    f.run([&] { f.form->Combo1_Click(); });
    QCOMPARE(f.panel(2), QStringLiteral("p2"));
    QCOMPARE(box.SelFontName(), std::optional<QString>(QStringLiteral("宋体")));
    QVERIFY(!f.form->Modified);

    f.form->Combo1->setCurrentIndex(1);
    f.run([&] { f.form->Combo1_Click(); });
    QCOMPARE(f.panel(2), unknown);
    QCOMPARE(box.SelFontName(), std::optional<QString>(unknown));
    saveAndReload(f);
    QCOMPARE(formatOf(f, 0, 7).name, std::optional<QString>(unknown));

    // Shaped in the font the document resolves for the text, as it is drawn.
    const QTextBlock block = box.document()->firstBlock();
    const QFont font = block.begin().fragment().charFormat().font().resolve(box.document()->defaultFont());
    QTextLayout layout(block.text(), font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    int glyphs = 0;
    for (const QGlyphRun &run : layout.glyphRuns()) {
        QVERIFY(!run.rawFont().familyName().isEmpty());
        for (quint32 index : run.glyphIndexes()) {
            QVERIFY2(index != 0, qPrintable(run.rawFont().familyName()));  // 0 is the missing-glyph box
            ++glyphs;
        }
    }
    QCOMPARE(glyphs, 7);
}

// The Edit menu of the menu bar, the very same items, opens at the pointer
// on the right button's release; an item chosen there runs its command.
void SelectionTracking::rightButtonOpensTheEditMenu() {
    FormFixture f;
    fourRuns(f);
    showAndActivate(f);
    select(f, 4, 4);
    QWidget *viewport = f.form->RichTextBox1->widget()->viewport();
    const QPoint at(20, 10);
    QTest::mouseMove(viewport, at);
    QSignalSpy copy(f.form->mnuCopyItem, &QAction::triggered);

    const Popup popup = popupDuring([&] { QTest::mouseClick(viewport, Qt::RightButton, {}, at); },
                                    [&](QMenu *menu) {
                                        const QRect item = menu->actionGeometry(f.form->mnuCopyItem);
                                        QTest::mouseClick(menu, Qt::LeftButton, {}, item.center());
                                    });
    QCOMPARE(popup.menu, f.form->mnuEdit);
    QCOMPARE(popup.pos, viewport->mapToGlobal(at));
    QCOMPARE(copy.size(), 1);
    // The right button selects nothing and moves nothing.
    QCOMPARE(f.form->RichTextBox1->SelStart(), 4);
    QCOMPARE(f.form->RichTextBox1->SelLength(), 4);
}

void SelectionTracking::otherButtonsOpenNothing() {
    FormFixture f;
    fourRuns(f);
    showAndActivate(f);
    QWidget *viewport = f.form->RichTextBox1->widget()->viewport();
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::MiddleButton}) {
        const Popup popup = popupDuring([&] { QTest::mouseClick(viewport, button, {}, QPoint(20, 10)); });
        QCOMPARE(popup.menu, nullptr);
    }
}

QTEST_MAIN(SelectionTracking)
#include "test_selection_tracking.moc"
