// The toolbar's own formatting buttons: font size steps around 20 points and
// within 1 to 1638 points, the mixed-size message, the colour dialog, and the
// exact comparison of the buttons' keys.
#include "formatting/formatting_support.h"
#include "platform/rtf/rtf.h"
#include "resources/texts.h"
#include "shell/statusbar.h"

#include <QTest>

using namespace pennaro;
using namespace pennaro::testing;

class ToolbarFormatting : public QObject {
    Q_OBJECT
private slots:
    void sizeSteps_data();
    void sizeSteps();
    void fractionalSizeAndPanel();
    void sizesStayWithinOneTo1638_data();
    void sizesStayWithinOneTo1638();
    void mixedSizesAreRefused();
    void colourDialog();
    void keysAreComparedExactly();
};

void ToolbarFormatting::sizeSteps_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<float>("from");
    QTest::addColumn<QList<float>>("steps");
    QTest::newRow("up from 18") << "Up" << 18.0f << QList<float>{19, 20, 21, 26, 31};
    QTest::newRow("down from 31") << "Down" << 31.0f << QList<float>{26, 21, 16, 15, 14};
    QTest::newRow("down from 25") << "Down" << 25.0f << QList<float>{20, 19};
}

void ToolbarFormatting::sizeSteps() {
    QFETCH(QString, key);
    QFETCH(float, from);
    QFETCH(QList<float>, steps);
    FormFixture f;
    f.type(QStringLiteral("字号测试"));
    selectAll(f);
    f.form->RichTextBox1->setSelFontSize(from);
    for (float expected : steps) {
        click(f, key);
        QCOMPARE(f.form->RichTextBox1->SelFontSize(), std::optional<float>(expected));
        QCOMPARE(f.panel(3), QString::number(expected));
    }
    QCOMPARE(f.form->RichTextBox1->SelLength(), 4);  // the selection stays
}

void ToolbarFormatting::fractionalSizeAndPanel() {
    FormFixture f;
    f.type(QStringLiteral("abc"));
    selectAll(f);
    f.form->RichTextBox1->setSelFontSize(10.5f);
    const QString panel2 = f.panel(2);
    click(f, "Up");
    QCOMPARE(f.panel(3), QStringLiteral("11.5"));
    QCOMPARE(f.panel(2), panel2);  // the font-name panel is not touched

    // A caret: the size applies to what is typed next.
    f.form->RichTextBox1->setSelStart(3);
    click(f, "Up");
    f.type(QStringLiteral("d"));
    f.form->RichTextBox1->setSelStart(3);
    f.form->RichTextBox1->setSelLength(1);
    QCOMPARE(f.form->RichTextBox1->SelFontSize(), std::optional<float>(12.5f));
}

void ToolbarFormatting::sizesStayWithinOneTo1638_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<float>("from");
    QTest::addColumn<float>("to");
    QTest::newRow("down at 1") << "Down" << 1.0f << 1.0f;
    QTest::newRow("down at 1.5") << "Down" << 1.5f << 1.0f;
    QTest::newRow("up at 1634") << "Up" << 1634.0f << 1638.0f;
    QTest::newRow("up at 1638") << "Up" << 1638.0f << 1638.0f;
    QTest::newRow("down at 1638") << "Down" << 1638.0f << 1633.0f;
}

// A step that would leave the range stops at its end, with no message;
// the panel shows the size the text has, and so does the saved file.
void ToolbarFormatting::sizesStayWithinOneTo1638() {
    QFETCH(QString, key);
    QFETCH(float, from);
    QFETCH(float, to);
    FormFixture f;
    f.type(QStringLiteral("字号"));
    selectAll(f);
    f.form->RichTextBox1->setSelFontSize(from);
    click(f, key);
    QCOMPARE(f.form->RichTextBox1->SelFontSize(), std::optional<float>(to));
    QCOMPARE(f.panel(3), QString::number(to));
    QVERIFY(f.platform.dialogs.shown().isEmpty());
    saveAndReload(f);
    QCOMPARE(formatOf(f, 0, 2).size, std::optional<float>(to));
}

void ToolbarFormatting::mixedSizesAreRefused() {
    FormFixture f;
    f.type(QStringLiteral("ab"));
    f.form->RichTextBox1->setSelStart(0);
    f.form->RichTextBox1->setSelLength(1);
    f.form->RichTextBox1->setSelFontSize(20.0f);
    selectAll(f);
    f.form->StatusBar1->setPanelText(3, QStringLiteral("before"));
    for (const char *key : {"Up", "Down"}) {
        f.platform.dialogs.answerMessage(vbOK);
        click(f, key);
        const ShownDialog box = f.platform.dialogs.takeShown().value(0);
        QCOMPARE(box.kind, DialogKind::MessageBox);
        QCOMPARE(box.prompt, texts::SelectOneSize);
        QCOMPARE(box.buttons, int(vbOKOnly));
    }
    QCOMPARE(f.form->RichTextBox1->SelFontSize(), std::nullopt);
    QCOMPARE(f.panel(3), QStringLiteral("before"));
}

void ToolbarFormatting::colourDialog() {
    FormFixture f;
    f.type(QStringLiteral("蓝色"));
    selectAll(f);
    f.form->CommonDialog1.Flags = 0x103;
    f.platform.dialogs.answerColor(0xFF0000);
    click(f, "Color");
    QCOMPARE(f.platform.dialogs.shown().value(0).kind, DialogKind::Color);
    QCOMPARE(f.platform.dialogs.shown().value(0).flags, 0);
    QCOMPARE(f.form->RichTextBox1->SelColor(), std::optional<quint32>(0xFF0000));
    QVERIFY(f.form->Modified);

    // Cancel: the colour stays, nothing is shown.
    f.form->Modified = false;
    f.platform.dialogs.cancel(DialogKind::Color);
    click(f, "Color");
    QCOMPARE(f.platform.dialogs.shown().size(), 2);
    QCOMPARE(f.form->RichTextBox1->SelColor(), std::optional<quint32>(0xFF0000));
    QVERIFY(!f.form->Modified);
}

// Keys are compared whole and case-sensitively: a key that is not in the
// table does nothing at all, no dialog, no change.
void ToolbarFormatting::keysAreComparedExactly() {
    FormFixture f;
    f.type(QStringLiteral("键 key"));
    selectAll(f);
    f.form->Modified = false;
    const QByteArray before = rtf::writeDocument(f.form->RichTextBox1->document());
    const DocumentView view = f.document();
    for (const char *key :
         {"",     "bold", "BOLD", "Bold ", " Bold", "italic", "UNDERLINE", "color", "Colour", "up",
          "DOWN", "new",  "open", "save",  "print", "cut",    "copy",      "paste", "粗体",   "Up\n"}) {
        click(f, QString::fromUtf8(key));
        QCOMPARE(f.document(), view);
        QCOMPARE(rtf::writeDocument(f.form->RichTextBox1->document()), before);
    }
    QVERIFY(f.platform.dialogs.shown().isEmpty());

    click(f, QStringLiteral("Bold"));
    QCOMPARE(f.form->RichTextBox1->SelBold(), std::optional<bool>(true));
}

QTEST_MAIN(ToolbarFormatting)
#include "test_toolbar_formatting.moc"
