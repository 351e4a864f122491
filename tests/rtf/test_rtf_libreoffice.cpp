// Nothing in the file is lost: LibreOffice reads from our saved copy what
// it reads from the original file (headers, footers, notes, comments,
// document properties, page size and orientation, bookmarks, fields, and
// every paragraph with its style and list), for files written by
// LibreOffice, AbiWord, pandoc and by hand in Word's dialect, saved as they
// were opened and after an edit that deletes one paragraph and types into
// another. Both are converted to flat ODF (soffice --convert-to fodt) and
// the facts compared; for the files whose formatting LibreOffice reads as
// Word does, the formatting of every paragraph and run too, with what the
// paragraph's style gives it (a style's bold, turned off in a run, stays
// off).
#include "platform/rtf/docformat.h"
#include "platform/rtf/rtf.h"
#include "support/external_tools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QXmlStreamReader>

#include <map>
#include <vector>

namespace {

const QString kFixtures = QStringLiteral(PENNARO_SOURCE_DIR "/tests/rtf/fixtures/");

// The paragraph each edit deletes and the one it types into, by a piece of
// their text; and what it types.
// pandoc writes notes and paragraphs only; the others have headers,
// comments, properties, bookmarks and pages besides (and all but AbiWord's
// fields in the text).
// Formatting is compared where LibreOffice reads the file as Word does:
// it takes AbiWord's list items for labels, and pandoc's \sa before a
// \par for the next paragraph's.
enum Holds { Everything, NotesOnly, StylesOnly };
struct Fixture {
    const char *name;
    const char *deleted;
    const char *typedInto;
    Holds holds = Everything;
    bool formats = true;
};
const Fixture kFixturesUnderTest[] = {
    {"libreoffice_kept", "将被删除", "报告完"},
    {"abiword_kept", "将被删除", "报告完", Everything, false},
    {"pandoc_kept", "将被删除", "报告完", NotesOnly, false},
    {"word_report", "will be deleted", "Appendix: method"},
    {"word_chinese", "将被删除", "报告完"},
    {"word_styles", "will be deleted", "End of the minutes", StylesOnly},
};

const Fixture &fixtureNamed(const QString &name) {
    for (const Fixture &f : kFixturesUnderTest) {
        if (name == QLatin1String(f.name))
            return f;
    }
    return kFixturesUnderTest[0];
}
const QString kTyped = QStringLiteral("（已修订）");

// A flat ODF file as a tree; enough of XML for what we look at.
struct Node {
    QString name;  // local name with a prefix of our own ("text:p"); empty for text
    QXmlStreamAttributes attributes;
    QString text;
    std::vector<Node> children;

    QString attribute(const QString &qualified) const {
        for (const QXmlStreamAttribute &a : attributes) {
            if (a.qualifiedName() == qualified)
                return a.value().toString();
        }
        return {};
    }
};

Node parse(const QByteArray &xml) {
    QXmlStreamReader reader(xml);
    Node root;
    std::vector<Node *> open{&root};
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            Node node;
            node.name = reader.qualifiedName().toString();
            node.attributes = reader.attributes();
            open.back()->children.push_back(std::move(node));
            open.push_back(&open.back()->children.back());
            break;
        }
        case QXmlStreamReader::EndElement: open.pop_back(); break;
        case QXmlStreamReader::Characters: {
            Node text;
            text.text = reader.text().toString();
            open.back()->children.push_back(std::move(text));
            break;
        }
        default: break;
        }
    }
    return root;
}

template <typename Visit>
void forEach(const Node &node, const QString &name, Visit visit) {
    for (const Node &child : node.children) {
        if (child.name == name)
            visit(child);
        else
            forEach(child, name, visit);
    }
}

// The text a reader sees in an element: notes and comments left out, white
// space at the ends too (LibreOffice keeps a note's leading space from
// some files and not from others).
QString textOf(const Node &node) {
    QString text;
    std::function<void(const Node &)> walk = [&](const Node &n) {
        for (const Node &c : n.children) {
            if (c.name.isEmpty())
                text += c.text;
            else if (c.name == u"text:tab")
                text += u'\t';
            else if (c.name == u"text:s")
                text += QString(std::max(1, c.attribute(QStringLiteral("text:c")).toInt()), u' ');
            else if (c.name == u"text:line-break")
                text += u'\n';
            else if (c.name != u"text:note" && c.name != u"office:annotation")
                walk(c);
        }
    };
    walk(node);
    return text.trimmed();
}

struct Facts {
    QStringList meta, headers, pages, notes, comments, bookmarks, fields, paragraphs;
    QStringList formats;  // per paragraph: its own, then each run's with its text
};

// The formatting a paragraph or run has from its styles, automatic ones
// included, parents first.
class StyleSheet {
public:
    explicit StyleSheet(const Node &root) {
        forEach(root, QStringLiteral("style:style"), [&](const Node &s) {
            Style &style =
                styles_[s.attribute(QStringLiteral("style:family")) + u'/' + s.attribute(QStringLiteral("style:name"))];
            style.parent = s.attribute(QStringLiteral("style:parent-style-name"));
            for (const Node &part : s.children) {
                if (part.name == u"style:text-properties" || part.name == u"style:paragraph-properties") {
                    for (const QXmlStreamAttribute &a : part.attributes)
                        style.properties.emplace(a.qualifiedName().toString(), a.value().toString());
                }
            }
        });
    }

    // The properties of the style, added to those given (which win).
    void addTo(std::map<QString, QString> *properties, const QString &family, QString name) const {
        for (int depth = 0; depth < 10 && !name.isEmpty(); ++depth) {
            const auto found = styles_.find(family + u'/' + name);
            if (found == styles_.end())
                return;
            for (const auto &[key, value] : found->second.properties)
                properties->emplace(key, value);
            name = found->second.parent;
        }
    }

private:
    struct Style {
        QString parent;
        std::map<QString, QString> properties;
    };
    std::map<QString, Style> styles_;
};

// The properties that differ from what a paragraph or run has by default,
// as "name=value" words.
QString formatting(const std::map<QString, QString> &properties, const std::map<QString, QString> &defaults) {
    QStringList words;
    for (const auto &[name, fallback] : defaults) {
        const auto found = properties.find(name);
        QString value = found == properties.end() ? fallback : found->second;
        if (value == u"left")
            value = QStringLiteral("start");
        // A length of 0 in any unit.
        if (value.front().isDigit() &&
            value.section(QRegularExpression(QStringLiteral("[a-z%]")), 0, 0).toDouble() == 0)
            value = fallback;
        if (value != fallback)
            words << name + u'=' + value;
    }
    return words.join(u' ');
}

const std::map<QString, QString> kParagraphDefaults = {
    {QStringLiteral("fo:text-align"), QStringLiteral("start")},
    {QStringLiteral("fo:margin-left"), QStringLiteral("0")},
    {QStringLiteral("fo:margin-right"), QStringLiteral("0")},
    {QStringLiteral("fo:text-indent"), QStringLiteral("0")},
    {QStringLiteral("fo:margin-top"), QStringLiteral("0")},
    {QStringLiteral("fo:margin-bottom"), QStringLiteral("0")},
    {QStringLiteral("fo:line-height"), QStringLiteral("100%")},
};
// LibreOffice reads the \plain our paragraphs start with as black where
// the file had the automatic colour: they look the same.
const std::map<QString, QString> kRunDefaults = {
    {QStringLiteral("fo:font-weight"), QStringLiteral("normal")},
    {QStringLiteral("fo:font-style"), QStringLiteral("normal")},
    {QStringLiteral("style:text-underline-style"), QStringLiteral("none")},
    {QStringLiteral("style:text-line-through-style"), QStringLiteral("none")},
    {QStringLiteral("fo:text-transform"), QStringLiteral("none")},
    {QStringLiteral("fo:font-variant"), QStringLiteral("normal")},
    {QStringLiteral("text:display"), QStringLiteral("true")},
    {QStringLiteral("fo:background-color"), QStringLiteral("transparent")},
    {QStringLiteral("fo:color"), QStringLiteral("#000000")},
};

// A paragraph's formatting and its runs', runs of one formatting joined:
// "paragraph | text{run} | text{run}".
QString formatsOf(const Node &paragraph, const StyleSheet &styles) {
    std::map<QString, QString> own;
    styles.addTo(&own, QStringLiteral("paragraph"), paragraph.attribute(QStringLiteral("text:style-name")));
    QStringList runs;
    QString last;
    std::function<void(const Node &, const std::map<QString, QString> &)> walk =
        [&](const Node &n, const std::map<QString, QString> &properties) {
            for (const Node &c : n.children) {
                QString text;
                if (c.name.isEmpty())
                    text = c.text;
                else if (c.name == u"text:tab")
                    text = QStringLiteral("\t");
                else if (c.name == u"text:s")
                    text = QString(std::max(1, c.attribute(QStringLiteral("text:c")).toInt()), u' ');
                if (!text.isEmpty()) {
                    const QString format = formatting(properties, kRunDefaults);
                    if (!runs.isEmpty() && format == last)
                        runs.last().insert(runs.last().size() - format.size() - 2, text);
                    else
                        runs << text + u'{' + format + u'}';
                    last = format;
                } else if (c.name == u"text:span" || c.name == u"text:a") {
                    std::map<QString, QString> inner;
                    styles.addTo(&inner, QStringLiteral("text"), c.attribute(QStringLiteral("text:style-name")));
                    inner.insert(properties.begin(), properties.end());
                    walk(c, inner);
                } else if (c.name != u"text:note" && c.name != u"office:annotation" && !c.name.isEmpty()) {
                    walk(c, properties);
                }
            }
        };
    walk(paragraph, own);
    return (QStringList{formatting(own, kParagraphDefaults)} + runs).join(QStringLiteral(" | "));
}

Facts factsOf(const QByteArray &fodt) {
    const Node root = parse(fodt);
    const StyleSheet styles(root);
    Facts f;
    // Properties: everything but what a save changes by itself.
    forEach(root, QStringLiteral("office:meta"), [&](const Node &meta) {
        for (const Node &m : meta.children) {
            if (m.name.isEmpty() || m.name == u"meta:generator" || m.name == u"dc:date" ||
                m.name == u"meta:editing-cycles" || m.name == u"meta:editing-duration" ||
                m.name == u"meta:document-statistic")
                continue;
            f.meta << m.name + u' ' + m.attribute(QStringLiteral("meta:name")) + u'=' + textOf(m);
        }
    });
    f.meta.sort();
    forEach(root, QStringLiteral("style:master-page"), [&](const Node &page) {
        for (const Node &part : page.children) {
            if (!part.name.isEmpty())
                f.headers << part.name + QStringLiteral(": ") + textOf(part);
        }
    });
    f.headers.sort();
    forEach(root, QStringLiteral("style:page-layout-properties"), [&](const Node &p) {
        f.pages << QStringList{p.attribute(QStringLiteral("fo:page-width")),
                               p.attribute(QStringLiteral("fo:page-height")),
                               p.attribute(QStringLiteral("style:print-orientation")),
                               p.attribute(QStringLiteral("fo:margin-left")),
                               p.attribute(QStringLiteral("fo:margin-right")),
                               p.attribute(QStringLiteral("fo:margin-top")),
                               p.attribute(QStringLiteral("fo:margin-bottom"))}
                       .join(u' ');
    });
    f.pages.sort();
    f.pages.removeDuplicates();

    // Paragraph styles by name: automatic ones stand for their parent.
    std::map<QString, QString> styleNames;
    std::map<QString, QString> parents;
    std::map<QString, const Node *> listStyles;
    forEach(root, QStringLiteral("style:style"), [&](const Node &s) {
        const QString name = s.attribute(QStringLiteral("style:name"));
        const QString display = s.attribute(QStringLiteral("style:display-name"));
        styleNames[name] = display.isEmpty() ? name : display;
        parents[name] = s.attribute(QStringLiteral("style:parent-style-name"));
    });
    forEach(root, QStringLiteral("text:list-style"),
            [&](const Node &s) { listStyles[s.attribute(QStringLiteral("style:name"))] = &s; });
    auto styleOf = [&](QString name) {
        for (int i = 0; i < 4 && styleNames[name].startsWith(u'P') && !parents[name].isEmpty(); ++i)
            name = parents[name];
        return styleNames.count(name) ? styleNames[name] : name;
    };
    // The label a list level gives: its bullet or its number format.
    auto labelOf = [&](const QString &style, int level) -> QString {
        const auto found = listStyles.find(style);
        if (found == listStyles.end())
            return QStringLiteral("?");
        for (const Node &l : found->second->children) {
            if (l.attribute(QStringLiteral("text:level")).toInt() != level)
                continue;
            if (l.name == u"text:list-level-style-bullet")
                return QStringLiteral("bullet");
            return QStringLiteral("number %1%2")
                .arg(l.attribute(QStringLiteral("style:num-format")), l.attribute(QStringLiteral("style:num-suffix")));
        }
        return QStringLiteral("?");
    };
    forEach(root, QStringLiteral("office:text"), [&](const Node &body) {
        std::function<void(const Node &, int, const QString &)> walk = [&](const Node &n, int depth,
                                                                           const QString &list) {
            for (const Node &c : n.children) {
                if (c.name == u"text:p" || c.name == u"text:h") {
                    QString line = styleOf(c.attribute(QStringLiteral("text:style-name")));
                    if (depth > 0)
                        line += QStringLiteral(" [list %1: %2]").arg(depth).arg(labelOf(list, depth));
                    f.paragraphs << line + u' ' + textOf(c);
                    f.formats << formatsOf(c, styles);
                    walk(c, depth, list);  // notes and comments inside
                } else if (c.name == u"text:list") {
                    const QString style = c.attribute(QStringLiteral("text:style-name"));
                    walk(c, depth + 1, style.isEmpty() ? list : style);
                } else if (c.name == u"text:note") {
                    forEach(c, QStringLiteral("text:note-body"), [&](const Node &b) {
                        f.notes << c.attribute(QStringLiteral("text:note-class")) + QStringLiteral(": ") + textOf(b);
                    });
                } else if (c.name == u"office:annotation") {
                    QString who;
                    QString text;
                    for (const Node &a : c.children) {
                        if (a.name == u"dc:creator" || a.name == u"dc:date")
                            who += textOf(a) + u'|';
                        else if (a.name == u"text:p")
                            text += textOf(a);
                    }
                    f.comments << who + text;
                } else if (c.name == u"text:bookmark-start" || c.name == u"text:bookmark") {
                    f.bookmarks << c.attribute(QStringLiteral("text:name"));
                } else if (c.name == u"text:page-number" || c.name == u"text:date" || c.name == u"text:bookmark-ref" ||
                           c.name == u"text:table-of-content" || c.name == u"text:user-defined" ||
                           c.name == u"text:a") {
                    f.fields << c.name + u' ' + c.attribute(QStringLiteral("xlink:href"));
                    walk(c, depth, list);
                } else if (!c.name.isEmpty()) {
                    walk(c, depth, list);
                }
            }
        };
        walk(body, 0, QString());
    });
    return f;
}

// Every kind of fact but the paragraphs; a difference fails the test.
void compareAllButParagraphs(const Facts &actual, const Facts &expected) {
    QCOMPARE(actual.meta, expected.meta);
    QCOMPARE(actual.headers, expected.headers);
    QCOMPARE(actual.pages, expected.pages);
    QCOMPARE(actual.notes, expected.notes);
    QCOMPARE(actual.comments, expected.comments);
    QCOMPARE(actual.bookmarks, expected.bookmarks);
    QCOMPARE(actual.fields, expected.fields);
}

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool write(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The edit: the paragraph holding `deleted` goes, mark and all; `typed`
// is typed at the end of the paragraph holding `typedInto`, taking the
// format there as typing does.
void edit(QTextDocument *doc, const QString &deleted, const QString &typedInto) {
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (b.text().contains(deleted)) {
            QTextCursor c(b);
            c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
            c.removeSelectedText();
            break;
        }
    }
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (b.text().contains(typedInto)) {
            QTextCursor c(b);
            c.movePosition(QTextCursor::EndOfBlock);
            c.insertText(kTyped);
            break;
        }
    }
}

// Whether the lines appear in the list in this order, others between them.
bool inOrder(const QStringList &needles, const QStringList &haystack) {
    qsizetype at = 0;
    for (const QString &n : needles) {
        at = haystack.indexOf(n, at);
        if (at < 0)
            return false;
        ++at;
    }
    return true;
}

}  // namespace

class TestRtfLibreOffice : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::map<QString, Facts> facts_;  // by file name without extension

private slots:
    // One run of LibreOffice for every file: the originals, our copies as
    // saved right after opening, and our copies after the edit.
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QStringList files;
        for (const Fixture &fixture : kFixturesUnderTest) {
            const QString name = QString::fromLatin1(fixture.name);
            const QByteArray original = readAll(kFixtures + name + QStringLiteral(".rtf"));
            QVERIFY2(!original.isEmpty(), fixture.name);
            QTextDocument doc;
            doc.setDefaultFont(pennaro::rtf::editorFont());
            QVERIFY(pennaro::rtf::readDocument(original, &doc).ok);
            const QString base = dir_.filePath(name);
            QVERIFY(write(base + QStringLiteral(".rtf"), original));
            QVERIFY(write(base + QStringLiteral("_saved.rtf"), pennaro::rtf::writeDocument(&doc)));
            edit(&doc, QString::fromUtf8(fixture.deleted), QString::fromUtf8(fixture.typedInto));
            QVERIFY(write(base + QStringLiteral("_edited.rtf"), pennaro::rtf::writeDocument(&doc)));
            files << base + QStringLiteral(".rtf") << base + QStringLiteral("_saved.rtf")
                  << base + QStringLiteral("_edited.rtf");
        }
        const QString out = dir_.filePath(QStringLiteral("fodt"));
        QString log;
        QVERIFY2(pennaro::testing::convertWithLibreOffice(files, QStringLiteral("fodt"), out, dir_.path(), &log),
                 qPrintable(log));
        for (const QString &file : files) {
            const QString name = QFileInfo(file).completeBaseName();
            const QByteArray fodt = readAll(out + u'/' + name + QStringLiteral(".fodt"));
            QVERIFY2(!fodt.isEmpty(), qPrintable(name + u' ' + log));
            facts_[name] = factsOf(fodt);
        }
    }

    void sameAfterSaving_data() {
        QTest::addColumn<QString>("name");
        for (const Fixture &fixture : kFixturesUnderTest)
            QTest::newRow(fixture.name) << QString::fromLatin1(fixture.name);
    }

    // Everything LibreOffice reads from the file it reads the same from our
    // copy. Paragraphs may be more: LibreOffice loses AbiWord's list items,
    // which AbiWord writes inside their labels; we keep them, and our copy
    // has them where LibreOffice sees them.
    void sameAfterSaving() {
        QFETCH(QString, name);
        const Facts &original = facts_[name];
        const Facts &saved = facts_[name + QStringLiteral("_saved")];
        const Fixture &fixture = fixtureNamed(name);
        // The file holds what is compared.
        QVERIFY(!original.paragraphs.isEmpty());
        if (fixture.holds != StylesOnly)
            QVERIFY(!original.notes.isEmpty());
        if (fixture.holds == Everything) {
            for (const QStringList *facts :
                 {&original.meta, &original.headers, &original.pages, &original.comments, &original.bookmarks})
                QVERIFY(!facts->isEmpty());
        }
        compareAllButParagraphs(saved, original);
        if (QTest::currentTestFailed())
            return;
        if (name == u"abiword_kept")
            QVERIFY2(inOrder(original.paragraphs, saved.paragraphs), qPrintable(saved.paragraphs.join(u'\n')));
        else
            QCOMPARE(saved.paragraphs, original.paragraphs);
        if (fixture.formats)
            QCOMPARE(saved.formats, original.formats);
    }

    void sameAfterAnEdit_data() { sameAfterSaving_data(); }

    // After the edit, the same but for the paragraph deleted and the text
    // typed.
    void sameAfterAnEdit() {
        QFETCH(QString, name);
        const Fixture *fixture = &fixtureNamed(name);
        const Facts &saved = facts_[name + QStringLiteral("_saved")];
        const Facts &edited = facts_[name + QStringLiteral("_edited")];
        compareAllButParagraphs(edited, saved);
        if (QTest::currentTestFailed())
            return;
        // The text typed joins the last run of its paragraph, in its format.
        QStringList expected = saved.paragraphs;
        QStringList formats = saved.formats;
        const QString deleted = QString::fromUtf8(fixture->deleted);
        const QString typedInto = QString::fromUtf8(fixture->typedInto);
        bool gone = false, typed = false;
        for (qsizetype i = 0; i < expected.size(); ++i) {
            if (!gone && expected[i].contains(deleted)) {
                expected.removeAt(i);
                formats.removeAt(i--);
                gone = true;
            } else if (!typed && expected[i].contains(typedInto)) {
                expected[i] += kTyped;
                formats[i].insert(formats[i].lastIndexOf(u'{'), kTyped);
                typed = true;
            }
        }
        QVERIFY(gone && typed);
        QCOMPARE(edited.paragraphs, expected);
        if (fixture->formats)
            QCOMPARE(edited.formats, formats);
    }
};

QTEST_MAIN(TestRtfLibreOffice)
#include "test_rtf_libreoffice.moc"
