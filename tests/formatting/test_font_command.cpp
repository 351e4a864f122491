// The Format menu's Font command: how the dialog is preset, what it carries
// from one use to the next, what OK writes to the selection and the
// displays, and Cancel.
#include "formatting/formatting_support.h"
#include "shell/statusbar.h"

#include <QComboBox>
#include <QTest>
#include <QTextDocument>

using namespace pennaro;
using namespace pennaro::testing;

namespace {

FontChoice choice(const QString &name, float size, quint32 color, bool bold = false, bool italic = false,
                  bool underline = false, bool strikethru = false) {
    return {name, size, color, bold, italic, underline, strikethru};
}

// "宋体前" + "Arial 10.5 blue" + "后", the middle selected.
void threeRuns(FormFixture &f) {
    f.type(QStringLiteral("宋体前Arial后"));
    select(f, 3, 5);
    f.form->RichTextBox1->setSelFontName(QStringLiteral("Arial"));
    f.form->RichTextBox1->setSelFontSize(10.5f);
    f.form->RichTextBox1->setSelColor(0xFF0000);
}

ShownDialog runFont(FormFixture &f) {
    f.run([&] { f.form->mnuFontItem_Click(); });
    const QList<ShownDialog> shown = f.platform.dialogs.takeShown();
    if (shown.size() != 1 || shown[0].kind != DialogKind::Font)
        qFatal("expected exactly one font dialog");
    return shown[0];
}

}  // namespace

class FontCommand : public QObject {
    Q_OBJECT
private slots:
    void presetsAndWhatCarriesOver();
    void mixedSelectionPresetsTheEditorFont_data();
    void mixedSelectionPresetsTheEditorFont();
    void okWritesAllSevenAndTheDisplays();
    void caretTakesTheChosenFont();
    void displaysShowWhatTheControlHolds();
    void cancelChangesNothing();
};

// A selection in one font, size and colour: the dialog starts from them,
// with the option bits for screen and printer fonts and effects, and with
// bold, italic, underline and strikethrough off. Those four are never
// preset: OK without other changes gives the whole selection the styles the
// dialog holds, and the next use starts with them again, after a Cancel as
// well, whatever is selected.
void FontCommand::presetsAndWhatCarriesOver() {
    FormFixture f;
    threeRuns(f);
    RangeFormat expected = formatOf(f, 3, 5);
    f.platform.dialogs.answerFont(choice(QStringLiteral("Arial"), 10.5f, 0xFF0000, true, false, true, false));
    const ShownDialog shown = runFont(f);
    QCOMPARE(shown.font, choice(QStringLiteral("Arial"), 10.5f, 0xFF0000));
    QCOMPARE(shown.flags, 259);
    QVERIFY(f.form->CommonDialog1.CancelError);
    expected.bold = expected.underline = true;
    QCOMPARE(formatOf(f, 3, 5), expected);

    select(f, 0, 2);  // plain 宋体 text
    f.platform.dialogs.cancel(DialogKind::Font);
    QCOMPARE(runFont(f).font, choice(QStringLiteral("宋体"), 12.0f, 0, true, false, true, false));
    f.platform.dialogs.answerFont(choice(QStringLiteral("宋体"), 12.0f, 0));
    QCOMPARE(runFont(f).font, choice(QStringLiteral("宋体"), 12.0f, 0, true, false, true, false));
}

void FontCommand::mixedSelectionPresetsTheEditorFont_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("recolourOne");
    QTest::newRow("name and size differ") << 6 << false;
    QTest::newRow("only the colour differs") << 5 << true;
}

void FontCommand::mixedSelectionPresetsTheEditorFont() {
    QFETCH(int, length);
    QFETCH(bool, recolourOne);
    FormFixture f;
    threeRuns(f);
    if (recolourOne) {
        select(f, 3, 1);
        f.form->RichTextBox1->setSelColor(0x00FF00);
    }
    select(f, 3, length);
    f.platform.dialogs.answerFont(choice(QStringLiteral("黑体"), 14.0f, 0));
    QCOMPARE(runFont(f).font, choice(QStringLiteral("宋体"), 12.0f, 0));
}

// OK over a selection that mixes everything: the whole selection takes the
// seven values, the panels and the box show the chosen font, the document
// counts as modified, and all of it survives a save and reload.
void FontCommand::okWritesAllSevenAndTheDisplays() {
    FormFixture f;
    threeRuns(f);
    select(f, 0, 3);
    f.form->RichTextBox1->setSelBold(true);
    f.form->RichTextBox1->setSelStrikeThru(true);
    select(f, 1, 8);
    f.form->Modified = false;
    f.platform.dialogs.answerFont(choice(QStringLiteral("黑体"), 10.5f, 0x0000FF, true, true, true, true));
    runFont(f);

    const RangeFormat chosen{QStringLiteral("黑体"), 10.5f, 0x0000FF, true, true, true, true};
    QCOMPARE(formatOf(f, 1, 8), chosen);
    QCOMPARE(f.panel(2), QStringLiteral("黑体"));
    QCOMPARE(f.panel(3), QStringLiteral("10.5"));
    QCOMPARE(f.form->Combo1->currentText(), QStringLiteral("黑体"));
    QVERIFY(f.form->Modified);
    const RangeFormat first = formatOf(f, 0, 1);
    QCOMPARE(first.name, std::optional<QString>(QStringLiteral("宋体")));
    QCOMPARE(first.strikethru, std::optional<bool>(true));

    saveAndReload(f);
    QCOMPARE(formatOf(f, 1, 8), chosen);
    QCOMPARE(formatOf(f, 0, 1), first);
}

// With a caret the chosen font is for the text typed next; the displays
// show it all the same.
void FontCommand::caretTakesTheChosenFont() {
    FormFixture f;
    f.type(QStringLiteral("ab"));
    f.form->Modified = false;
    f.platform.dialogs.answerFont(choice(QStringLiteral("Arial"), 20.0f, 0x0000FF, false, true));
    runFont(f);
    QCOMPARE(f.panel(2), QStringLiteral("Arial"));
    QCOMPARE(f.panel(3), QStringLiteral("20"));
    QCOMPARE(f.form->Combo1->currentText(), QStringLiteral("Arial"));
    QVERIFY(!f.form->Modified);
    f.type(QStringLiteral("字"));
    QCOMPARE(formatOf(f, 2, 1), (RangeFormat{QStringLiteral("Arial"), 20.0f, 0x0000FF, false, true, false, false}));
    QCOMPARE(formatOf(f, 0, 2).name, std::optional<QString>(QStringLiteral("宋体")));
}

// The command ends by tracking the selection again, so the panels end up
// showing what the control holds: a size the control refuses is not shown.
void FontCommand::displaysShowWhatTheControlHolds() {
    FormFixture f;
    threeRuns(f);
    f.platform.dialogs.answerFont(choice(QStringLiteral("Arial"), 2000.0f, 0xFF0000));
    runFont(f);
    QCOMPARE(f.form->RichTextBox1->SelFontSize(), std::optional<float>(10.5f));
    QCOMPARE(f.panel(3), QStringLiteral("10.5"));
}

void FontCommand::cancelChangesNothing() {
    FormFixture f;
    threeRuns(f);
    select(f, 1, 8);
    f.form->Modified = false;
    const RangeFormat before = formatOf(f, 1, 8);
    f.form->StatusBar1->setPanelText(2, QStringLiteral("p2"));
    f.form->StatusBar1->setPanelText(3, QStringLiteral("p3"));
    f.form->Combo1->setEditText(QStringLiteral("box"));
    const int undoSteps = f.form->RichTextBox1->document()->availableUndoSteps();
    f.platform.dialogs.cancel(DialogKind::Font);
    runFont(f);
    QVERIFY(f.platform.dialogs.shown().isEmpty());  // no message after Cancel
    QCOMPARE(f.panel(2), QStringLiteral("p2"));
    QCOMPARE(f.panel(3), QStringLiteral("p3"));
    QCOMPARE(f.form->Combo1->currentText(), QStringLiteral("box"));
    QVERIFY(!f.form->Modified);
    QCOMPARE(f.form->RichTextBox1->document()->availableUndoSteps(), undoSteps);
    QCOMPARE(formatOf(f, 1, 8), before);
}

QTEST_MAIN(FontCommand)
#include "test_font_command.moc"
