// Bold, Italic and Underline from the Format menu and the toolbar, and All
// Caps: what the characters carry afterwards, read through the control and
// through a save and reload, and what else the commands leave alone.
#include "formatting/formatting_support.h"
#include "resources/texts.h"
#include "shell/statusbar.h"

#include <QTest>
#include <QTextDocument>
#include <map>

using namespace pennaro;
using namespace pennaro::testing;

namespace {

using Read = std::optional<bool> (RichTextBox::*)() const;
using Write = void (RichTextBox::*)(std::optional<bool>);
using Command = void (Form1::*)();

struct Toggle {
    Command menu;
    QString key;
    Read read;
    Write write;
};

const Toggle &toggleNamed(const QByteArray &name) {
    static const std::map<QByteArray, Toggle> toggles = {
        {"Bold", {&Form1::mnuBoldItem_Click, QStringLiteral("Bold"), &RichTextBox::SelBold, &RichTextBox::setSelBold}},
        {"Italic",
         {&Form1::mnuItalicItem_Click, QStringLiteral("Italic"), &RichTextBox::SelItalic, &RichTextBox::setSelItalic}},
        {"Underline",
         {&Form1::mnuUnderlineItem_Click, QStringLiteral("Underline"), &RichTextBox::SelUnderline,
          &RichTextBox::setSelUnderline}},
    };
    return toggles.at(name);
}

}  // namespace

class StyleToggles : public QObject {
    Q_OBJECT
private slots:
    void togglesTheWholeSelection_data();
    void togglesTheWholeSelection();
    void mixedSelectionTakesTheAttributeThroughout();
    void caretChangesOnlyTheTextTypedNext();
    void allCapsUpperCasesInPlace();
    void allCapsFormatsAsTheControlReplaces();
};

void StyleToggles::togglesTheWholeSelection_data() {
    QTest::addColumn<QByteArray>("toggle");
    QTest::addColumn<bool>("fromToolbar");
    for (const char *name : {"Bold", "Italic", "Underline"}) {
        QTest::addRow("%s, menu", name) << QByteArray(name) << false;
        QTest::addRow("%s, toolbar", name) << QByteArray(name) << true;
    }
}

// On, off and on again over a selection that carries the other attributes,
// which stay; the selection, the panels and the other text stay too.
void StyleToggles::togglesTheWholeSelection() {
    QFETCH(QByteArray, toggle);
    QFETCH(bool, fromToolbar);
    const Toggle &t = toggleNamed(toggle);
    FormFixture f;
    RichTextBox &box = *f.form->RichTextBox1;
    f.type(QStringLiteral("前 middle 后"));
    select(f, 2, 6);
    box.setSelBold(true);
    box.setSelItalic(true);
    box.setSelUnderline(true);
    box.setSelStrikeThru(true);
    box.setSelColor(0x0000FF);
    (box.*t.write)(false);
    const RangeFormat before = formatOf(f, 2, 6);
    const RangeFormat around = formatOf(f, 0, 2);
    f.form->Modified = false;
    select(f, 2, 6);
    // The toggles leave the panels alone.
    f.form->StatusBar1->setPanelText(2, QStringLiteral("p2"));
    f.form->StatusBar1->setPanelText(3, QStringLiteral("p3"));

    auto run = [&] {
        if (fromToolbar)
            click(f, t.key);
        else
            f.run([&] { (f.form.get()->*t.menu)(); });
    };
    run();
    QCOMPARE((box.*t.read)(), std::optional<bool>(true));
    QCOMPARE(box.SelStart(), 2);
    QCOMPARE(box.SelLength(), 6);
    QVERIFY(f.form->Modified);
    QCOMPARE(f.panel(2), QStringLiteral("p2"));
    QCOMPARE(f.panel(3), QStringLiteral("p3"));
    RangeFormat expected = before;
    (toggle == "Bold" ? expected.bold : toggle == "Italic" ? expected.italic : expected.underline) = true;
    QCOMPARE(formatOf(f, 2, 6), expected);
    QCOMPARE(formatOf(f, 0, 2), around);

    saveAndReload(f);
    QCOMPARE(formatOf(f, 2, 6), expected);
    QCOMPARE(formatOf(f, 0, 2), around);
    QCOMPARE(box.Text(), QStringLiteral("前 middle 后"));

    select(f, 2, 6);
    run();
    QCOMPARE(formatOf(f, 2, 6), before);
    run();
    QCOMPARE(formatOf(f, 2, 6), expected);
}

// A selection that is only partly bold reads Null; the toggle makes all of
// it bold (the menu and the toolbar alike), and a second toggle clears it.
void StyleToggles::mixedSelectionTakesTheAttributeThroughout() {
    for (const char *name : {"Bold", "Italic", "Underline"}) {
        const Toggle &t = toggleNamed(name);
        FormFixture f;
        RichTextBox &box = *f.form->RichTextBox1;
        f.type(QStringLiteral("粗体和 plain"));
        select(f, 0, 2);
        (box.*t.write)(true);
        select(f, 1, 6);
        QCOMPARE((box.*t.read)(), std::nullopt);
        f.run([&] { (f.form.get()->*t.menu)(); });
        QCOMPARE((box.*t.read)(), std::optional<bool>(true));
        select(f, 0, 9);
        QCOMPARE((box.*t.read)(), std::nullopt);  // the rest is untouched
        click(f, t.key);
        QCOMPARE((box.*t.read)(), std::optional<bool>(true));
        click(f, t.key);
        QCOMPARE((box.*t.read)(), std::optional<bool>(false));
    }
}

// With a caret, a toggle sets the format of the text typed next and All Caps
// has nothing to replace: the text there is left as it was, and neither
// changes the document.
void StyleToggles::caretChangesOnlyTheTextTypedNext() {
    FormFixture f;
    RichTextBox &box = *f.form->RichTextBox1;
    f.type(QStringLiteral("abc"));
    f.form->Modified = false;
    box.setSelStart(1);
    f.run([&] { f.form->mnuAllcapsItem_Click(); });
    QCOMPARE(box.SelStart(), 1);
    box.setSelStart(2);
    f.run([&] { f.form->mnuBoldItem_Click(); });
    QCOMPARE(f.document(), (DocumentView{QStringLiteral("abc"), texts::PanelStatus, false}));
    QCOMPARE(box.SelBold(), std::optional<bool>(true));
    f.type(QStringLiteral("粗"));
    QCOMPARE(box.Text(), QStringLiteral("ab粗c"));
    QCOMPARE(formatOf(f, 2, 1).bold, std::optional<bool>(true));
    QCOMPARE(formatOf(f, 0, 2).bold, std::optional<bool>(false));
    QCOMPARE(formatOf(f, 3, 1).bold, std::optional<bool>(false));
}

void StyleToggles::allCapsUpperCasesInPlace() {
    FormFixture f;
    RichTextBox &box = *f.form->RichTextBox1;
    box.setText(QStringLiteral("x abc Def 中文 123\nstraße ǆ y"));
    f.form->Modified = false;
    select(f, 2, 24);
    f.run([&] { f.form->mnuAllcapsItem_Click(); });
    // "ß" has no capital of one character and stays, so nothing moves.
    QCOMPARE(box.Text(), QStringLiteral("x ABC DEF 中文 123\nSTRAßE Ǆ y"));
    QCOMPARE(box.SelLength(), 0);
    QCOMPARE(box.SelStart(), 26);
    QVERIFY(f.form->Modified);

    // Choosing it again changes no character.
    select(f, 2, 24);
    f.run([&] { f.form->mnuAllcapsItem_Click(); });
    QCOMPARE(box.Text(), QStringLiteral("x ABC DEF 中文 123\nSTRAßE Ǆ y"));
    saveAndReload(f);
    QCOMPARE(box.Text(), QStringLiteral("x ABC DEF 中文 123\nSTRAßE Ǆ y"));
}

// The converted text takes the format of the selection's first character,
// as any text replacing a selection in the control does.
void StyleToggles::allCapsFormatsAsTheControlReplaces() {
    FormFixture f;
    RichTextBox &box = *f.form->RichTextBox1;
    f.type(QStringLiteral("abcdef"));
    select(f, 0, 6);
    box.setSelFontName(QStringLiteral("Arial"));
    select(f, 1, 2);
    box.setSelBold(true);
    box.setSelFontSize(20.0f);
    select(f, 1, 4);
    f.run([&] { f.form->mnuAllcapsItem_Click(); });
    QCOMPARE(box.Text(), QStringLiteral("aBCDEf"));
    const RangeFormat replaced = formatOf(f, 1, 4);
    QCOMPARE(replaced.bold, std::optional<bool>(true));
    QCOMPARE(replaced.size, std::optional<float>(20.0f));
    QCOMPARE(replaced.name, std::optional<QString>(QStringLiteral("Arial")));
    QCOMPARE(formatOf(f, 5, 1).bold, std::optional<bool>(false));
}

QTEST_MAIN(StyleToggles)
#include "test_style_toggles.moc"
