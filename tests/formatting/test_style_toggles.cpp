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

struct Toggle {
    void (Form1::*menu)();
    std::optional<bool> (RichTextBox::*read)() const;
    void (RichTextBox::*write)(std::optional<bool>);
    std::optional<bool> RangeFormat::*field;
};

const std::map<QString, Toggle> kToggles = {
    {"Bold", {&Form1::mnuBoldItem_Click, &RichTextBox::SelBold, &RichTextBox::setSelBold, &RangeFormat::bold}},
    {"Italic",
     {&Form1::mnuItalicItem_Click, &RichTextBox::SelItalic, &RichTextBox::setSelItalic, &RangeFormat::italic}},
    {"Underline",
     {&Form1::mnuUnderlineItem_Click, &RichTextBox::SelUnderline, &RichTextBox::setSelUnderline,
      &RangeFormat::underline}},
};

}  // namespace

class StyleToggles : public QObject {
    Q_OBJECT
private slots:
    void togglesTheWholeSelection_data();
    void togglesTheWholeSelection();
    void caretChangesOnlyTheTextTypedNext();
    void allCapsUpperCasesInPlace();
};

void StyleToggles::togglesTheWholeSelection_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("fromToolbar");
    for (const char *key : {"Bold", "Italic", "Underline"}) {
        QTest::addRow("%s, menu", key) << QString::fromLatin1(key) << false;
        QTest::addRow("%s, toolbar", key) << QString::fromLatin1(key) << true;
    }
}

// A selection that has the attribute on one character only (Null) gets it
// throughout; then off, then on again. The other attributes, the text
// around, the selection and the panels stay as they were, and the result
// survives a save and reload.
void StyleToggles::togglesTheWholeSelection() {
    QFETCH(QString, key);
    QFETCH(bool, fromToolbar);
    const Toggle &t = kToggles.at(key);
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
    RangeFormat off = formatOf(f, 2, 6);
    RangeFormat on = off;
    on.*t.field = true;
    const RangeFormat around = formatOf(f, 0, 2);
    select(f, 7, 1);
    (box.*t.write)(true);
    f.form->Modified = false;
    select(f, 2, 6);
    QCOMPARE((box.*t.read)(), std::nullopt);
    f.form->StatusBar1->setPanelText(2, QStringLiteral("p2"));
    f.form->StatusBar1->setPanelText(3, QStringLiteral("p3"));

    const auto toggle = [&] {
        if (fromToolbar)
            click(f, key);
        else
            f.run([&] { (f.form.get()->*t.menu)(); });
    };
    toggle();
    QCOMPARE(box.SelStart(), 2);
    QCOMPARE(box.SelLength(), 6);
    QVERIFY(f.form->Modified);
    QCOMPARE(f.panel(2), QStringLiteral("p2"));
    QCOMPARE(f.panel(3), QStringLiteral("p3"));
    QCOMPARE(formatOf(f, 2, 6), on);
    toggle();
    QCOMPARE(formatOf(f, 2, 6), off);
    toggle();  // formatOf left the range selected
    saveAndReload(f);
    QCOMPARE(box.Text(), QStringLiteral("前 middle 后"));
    QCOMPARE(formatOf(f, 2, 6), on);
    QCOMPARE(formatOf(f, 0, 2), around);
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

QTEST_MAIN(StyleToggles)
#include "test_style_toggles.moc"
