// Hidden text (\v): not shown and not part of the control's Text or
// selection offsets, kept beside the characters around it through editing,
// and written back as hidden text where it stood.
#include "box_fixture.h"
#include "kept_text.h"

#include "platform/richtextbox.h"
#include "platform/rtf/docformat.h"
#include "platform/rtf/rtf.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QTextTable>
#include <QWidget>

#include <memory>

using namespace pennaro;
using pennaro::rtf::test::textWithKept;

namespace {

// Hidden text in the middle of a paragraph, before a full stop, alone in a
// paragraph and at a paragraph's end.
const QByteArray kDocument = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}\\f0 See{\\v  the note} this"
                             "{\\b\\v  bold{\\f1  code}}.\\par{\\v whole paragraph}\\par end{\\v tail}\\par}";
const QString kShown = QStringLiteral("See this.\n\nend");
const QString kWithKept = QStringLiteral("See[ the note] this[ bold code].\n[whole paragraph]\nend[tail]");

std::unique_ptr<QTextDocument> load(const QByteArray &rtf) {
    auto doc = std::make_unique<QTextDocument>();
    doc->setDefaultFont(rtf::editorFont());
    rtf::readDocument(rtf, doc.get());
    return doc;
}

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int occurrences(const QByteArray &haystack, const QByteArray &needle) { return int(haystack.count(needle)); }

}  // namespace

class TestRtfHidden : public QObject {
    Q_OBJECT

    std::unique_ptr<rtf::test::BoxFixture> fixture_;
    RichTextBox *box_ = nullptr;

    QString path(const QString &name) const { return fixture_->path(name); }
    void loadIntoBox(const QByteArray &rtf) { QVERIFY(fixture_->load(rtf)); }
    void select(int start, int length) { fixture_->select(start, length); }
    QString kept() const { return textWithKept(*box_->document()); }

private slots:
    void init() {
        fixture_ = std::make_unique<rtf::test::BoxFixture>();
        box_ = fixture_->box();
    }

    void cleanup() {
        box_ = nullptr;
        fixture_.reset();
    }

    void keptOffTheTextWithItsFormatting() {
        auto doc = load(kDocument);
        QCOMPARE(doc->toPlainText(), kShown);
        QCOMPARE(textWithKept(*doc), kWithKept);
        // The hidden runs keep their own formatting.
        const std::vector<rtf::PlacedItem> placed = rtf::placeKeptContent(doc.get());
        QCOMPARE(placed.size(), size_t(4));
        const rtf::KeptItem &bold = *placed[1].item;
        QCOMPARE(bold.runs.size(), size_t(2));
        QVERIFY(bold.runs[0].format.fontWeight() >= QFont::DemiBold);
        QVERIFY(bold.runs[0].format.boolProperty(rtf::HiddenText));
        QCOMPARE(bold.runs[0].format.fontFamilies().toStringList(), QStringList{"Arial"});
        QCOMPARE(bold.runs[1].format.fontFamilies().toStringList(), QStringList{"Courier New"});
        // The shown text around it keeps its own formatting, no more.
        QTextCursor c(doc.get());
        c.setPosition(9);
        QVERIFY(c.charFormat().fontWeight() < QFont::DemiBold);
    }

    void keptInCellsLinksAndEmptyDocuments() {
        auto table = load("{\\rtf1\\trowd\\cellx1000\\cellx2000\\pard\\intbl a{\\v h1}\\cell{\\v h2}\\cell\\row"
                          "\\pard after}");
        QCOMPARE(textWithKept(*table), QStringLiteral("\na[h1]\n[h2]\nafter"));
        auto link = load("{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"http://example.com\"}{\\fldrslt li{\\v h}nk}} x}");
        QCOMPARE(textWithKept(*link), QStringLiteral("li[h]nk x"));
        const QByteArray saved = rtf::writeDocument(link.get());
        // Written inside the link's result, between its two halves.
        const qsizetype hidden = saved.indexOf("\\v h}");
        QVERIFY2(hidden > saved.indexOf("\\fldrslt") && hidden < saved.indexOf("}}}"), saved.constData());
        auto back = load(saved);
        QCOMPARE(textWithKept(*back), QStringLiteral("li[h]nk x"));
        QVERIFY(back->find(QStringLiteral("nk")).charFormat().isAnchor());
        auto only = load("{\\rtf1{\\v nothing shown}}");
        QCOMPARE(only->toPlainText(), QString());
        QCOMPARE(textWithKept(*only), QStringLiteral("[nothing shown]"));
        QCOMPARE(textWithKept(*load(rtf::writeDocument(only.get()))), QStringLiteral("[nothing shown]"));
    }

    void writtenBackInPlaceOnce() {
        auto doc = load(kDocument);
        const QByteArray saved = rtf::writeDocument(doc.get());
        QCOMPARE(occurrences(saved, " the note}"), 1);
        QCOMPARE(occurrences(saved, "whole paragraph}"), 1);
        QVERIFY(saved.contains("\\b\\v  bold}"));
        auto back = load(saved);
        QCOMPARE(back->toPlainText(), kShown);
        QCOMPARE(textWithKept(*back), kWithKept);
        // A second save is the same file.
        QCOMPARE(rtf::writeDocument(back.get()), saved);
    }

    // The control counts only what it shows; edits move or delete hidden
    // text with its neighbours, and undo brings it back.
    void editingThroughTheControl() {
        loadIntoBox(kDocument);
        QCOMPARE(box_->Text(), kShown);
        select(4, 4);
        QCOMPARE(box_->SelText(), QStringLiteral("this"));

        // Either neighbour alone may go.
        select(3, 1);
        box_->setSelText(QString());
        QCOMPARE(kept(), QStringLiteral("See[ the note]this[ bold code].\n[whole paragraph]\nend[tail]"));
        box_->Undo();
        QCOMPARE(kept(), kWithKept);
        select(2, 1);
        box_->setSelText(QString());
        QCOMPARE(kept(), QStringLiteral("Se[ the note] this[ bold code].\n[whole paragraph]\nend[tail]"));
        box_->Undo();
        // Both go: so does the hidden text between them.
        select(2, 2);
        box_->setSelText(QString());
        QCOMPARE(kept(), QStringLiteral("Sethis[ bold code].\n[whole paragraph]\nend[tail]"));
        box_->Undo();
        QCOMPARE(kept(), kWithKept);

        // Typed on either side of it, the hidden text stays put and is
        // written once.
        box_->widget()->setFocus();
        select(3, 0);
        QTest::keyClicks(box_->widget(), QStringLiteral("XY"));
        select(6, 0);
        QTest::keyClicks(box_->widget(), QStringLiteral("Z"));
        QCOMPARE(box_->Text(), QStringLiteral("SeeXY Zthis.\n\nend"));
        QCOMPARE(kept(), QStringLiteral("SeeXY[ the note] Zthis[ bold code].\n[whole paragraph]\nend[tail]"));
        // A new paragraph typed after the hidden tail does not take it along.
        select(int(box_->Text().size()), 0);
        QTest::keyClick(box_->widget(), Qt::Key_Return);
        QTest::keyClicks(box_->widget(), QStringLiteral("more"));
        QCOMPARE(kept(), QStringLiteral("SeeXY[ the note] Zthis[ bold code].\n[whole paragraph]\nend[tail]\nmore"));

        const QString saved = path(QStringLiteral("saved.rtf"));
        box_->SaveFile(saved, 0);
        const QByteArray bytes = readAll(saved);
        QCOMPARE(occurrences(bytes, " the note}"), 1);
        QCOMPARE(occurrences(bytes, "tail}"), 1);
        RichTextBox other(fixture_->window());
        other.LoadFile(saved, 0);
        QCOMPARE(other.Text(), box_->Text());
        QCOMPARE(textWithKept(*other.document()), kept());
    }

    void pastedWithItsHiddenText() {
        box_->setText(QStringLiteral("xy"));
        select(1, 0);
        box_->setSelRTF(QStringLiteral("{\\rtf1 A{\\v hid}B}"));
        QCOMPARE(box_->Text(), QStringLiteral("xABy"));
        QCOMPARE(kept(), QStringLiteral("xA[hid]By"));
        select(4, 0);
        box_->setSelRTF(QStringLiteral("{\\rtf1{\\v only}}"));
        QCOMPARE(kept(), QStringLiteral("xA[hid]By[only]"));
        box_->Undo();
        box_->Undo();
        QCOMPARE(kept(), QStringLiteral("xy"));
    }
};

QTEST_MAIN(TestRtfHidden)
#include "test_rtf_hidden.moc"
