// Every formatting command over a selection is one undo step: a single undo
// request gives back the document exactly as it was, across paragraphs and
// format runs.
#include "formatting/formatting_support.h"
#include "platform/rtf/rtf.h"

#include <QComboBox>
#include <QTest>

using namespace pennaro;
using namespace pennaro::testing;

Q_DECLARE_METATYPE(std::function<void(pennaro::testing::FormFixture &)>)

using Command = std::function<void(FormFixture &)>;

class FormattingUndo : public QObject {
    Q_OBJECT
private slots:
    void oneUndoStepPerCommand_data();
    void oneUndoStepPerCommand();
};

void FormattingUndo::oneUndoStepPerCommand_data() {
    QTest::addColumn<Command>("command");
    const auto menu = [](void (Form1::*handler)()) {
        return Command([handler](FormFixture &f) { f.run([&] { (f.form.get()->*handler)(); }); });
    };
    const auto button = [](const char *key) {
        return Command([key](FormFixture &f) { click(f, QString::fromLatin1(key)); });
    };
    QTest::newRow("Bold") << menu(&Form1::mnuBoldItem_Click);
    QTest::newRow("Italic") << menu(&Form1::mnuItalicItem_Click);
    QTest::newRow("Underline") << menu(&Form1::mnuUnderlineItem_Click);
    QTest::newRow("All Caps") << menu(&Form1::mnuAllcapsItem_Click);
    QTest::newRow("Font") << Command([](FormFixture &f) {
        f.platform.dialogs.answerFont({QStringLiteral("黑体"), 10.5f, 0x0000FF, true, true, true, true});
        f.run([&] { f.form->mnuFontItem_Click(); });
    });
    QTest::newRow("font-name box") << Command([](FormFixture &f) {
        f.form->Combo1->setEditText(QStringLiteral("黑体"));
        f.run([&] { f.form->Combo1_Click(); });
    });
    QTest::newRow("Up") << button("Up");
    QTest::newRow("Down") << button("Down");
    QTest::newRow("Color") << Command([](FormFixture &f) {
        f.platform.dialogs.answerColor(0x00FF00);
        click(f, "Color");
    });
}

void FormattingUndo::oneUndoStepPerCommand() {
    QFETCH(Command, command);
    FormFixture f;
    RichTextBox &box = *f.form->RichTextBox1;
    box.setText(QStringLiteral("第一段 first line\n第二段 second line\n第三段 third"));
    for (int start : {1, 12, 20, 33}) {
        select(f, start, 4);
        box.setSelBold(true);
        select(f, start + 2, 4);
        box.setSelColor(0xFF0000);
        box.setSelFontName(QStringLiteral("Arial"));
    }
    selectAll(f);
    const QByteArray before = rtf::writeDocument(box.document());

    command(f);
    QVERIFY(rtf::writeDocument(box.document()) != before);
    box.Undo();
    QCOMPARE(rtf::writeDocument(box.document()), before);
}

QTEST_MAIN(FormattingUndo)
#include "test_formatting_undo.moc"
