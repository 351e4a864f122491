// The toolbar's own formatting buttons: font size steps around 20 points,
// the mixed-size message, and the colour dialog.
#include "platform/richtextbox.h"
#include "resources/texts.h"
#include "shell/form1.h"
#include "shell/statusbar.h"
#include "support/form_fixture.h"

#include <QTest>

using namespace pennaro;
using namespace pennaro::testing;

namespace {

void click(FormFixture &f, const char *key) {
    f.run([&] { f.form->Toolbar1_ButtonClick({QString::fromLatin1(key)}); });
}

void selectAll(FormFixture &f) {
    f.form->RichTextBox1->setSelStart(0);
    f.form->RichTextBox1->setSelLength(int(f.form->RichTextBox1->Text().size()));
}

}  // namespace

class ToolbarFormatting : public QObject {
    Q_OBJECT
private slots:
    void sizeSteps_data();
    void sizeSteps();
    void fractionalSizeAndPanel();
    void sizeAtTheBottomStays();
    void mixedSizesAreRefused();
    void colourDialog();
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
        click(f, key.toLatin1().constData());
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

void ToolbarFormatting::sizeAtTheBottomStays() {
    FormFixture f;
    f.type(QStringLiteral("tiny"));
    selectAll(f);
    f.form->RichTextBox1->setSelFontSize(1.0f);
    click(f, "Down");  // asks for 0 points, which the control refuses
    QCOMPARE(f.form->RichTextBox1->SelFontSize(), std::optional<float>(1.0f));
    QCOMPARE(f.panel(3), QStringLiteral("1"));
    QVERIFY(f.platform.dialogs.shown().isEmpty());
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

QTEST_MAIN(ToolbarFormatting)
#include "test_toolbar_formatting.moc"
