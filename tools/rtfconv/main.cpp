// rtfconv text IN.rtf            plain text, as the editing control's Text
// rtfconv roundtrip IN.rtf OUT   load and save, as Open then Save do
// rtfconv dump IN.rtf            formatting runs, one per line, tab-separated:
//                                start length font size colour bold italic
//                                underline strikethrough
// rtfconv kept IN.rtf            what the file keeps unseen, one per line,
//                                tab-separated: the page it was made for, the
//                                size of its header's kept part, then each
//                                item in the text (position or span, kind,
//                                its note or hidden text)
#include "platform/rtf/docformat.h"
#include "platform/rtf/kept.h"
#include "platform/rtf/rtf.h"

#include <QBrush>
#include <QFile>
#include <QCoreApplication>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

#include <algorithm>
#include <cstdio>

namespace {

int fail(const QString &message) {
    std::fprintf(stderr, "rtfconv: %s\n", qPrintable(message));
    return 1;
}

// Loads like the editor's LoadFile: the file must read and must be RTF.
bool load(const QString &path, QTextDocument *doc, QString *error) {
    doc->setDefaultFont(pennaro::rtf::editorFont());

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    if (!pennaro::rtf::looksLikeRtf(bytes)) {
        *error = QStringLiteral("%1 is not an RTF file").arg(path);
        return false;
    }
    const pennaro::rtf::ReadResult result = pennaro::rtf::readDocument(bytes, doc);
    if (!result.ok) {
        *error = QStringLiteral("%1: %2").arg(path, result.error.isEmpty() ? QStringLiteral("not readable as RTF")
                                                                           : result.error);
        return false;
    }
    return true;
}

void writeStdout(const QByteArray &bytes) { std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout); }

QByteArray flag(bool on) { return on ? "1" : "0"; }

QByteArray formatNumber(double v) { return QByteArray::number(v, 'g', 6); }

// One line per run of equal formatting; runs are merged across fragment
// boundaries that do not change any of the printed properties.
QByteArray dump(const QTextDocument &doc) {
    QByteArray out;
    QByteArray pendingKey;
    int pendingStart = -1;
    int pendingLength = 0;
    const QFont defaults = doc.defaultFont();
    auto flush = [&] {
        if (pendingStart >= 0) {
            out +=
                QByteArray::number(pendingStart) + '\t' + QByteArray::number(pendingLength) + '\t' + pendingKey + '\n';
        }
    };
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const QTextCharFormat f = fragment.charFormat();
            QString family;
            const QStringList families = f.property(QTextFormat::FontFamilies).toStringList();
            if (!families.isEmpty())
                family = families.first();
            else if (f.hasProperty(QTextFormat::FontFamily))
                family = f.stringProperty(QTextFormat::FontFamily);
            else
                family = defaults.family();
            double size = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : defaults.pointSizeF();
            QByteArray colour = "auto";
            if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
                colour = f.foreground().color().name().toLatin1();
            const QByteArray key = family.toUtf8() + '\t' + formatNumber(size) + '\t' + colour + '\t' +
                                   flag(f.fontWeight() >= QFont::DemiBold) + '\t' + flag(f.fontItalic()) + '\t' +
                                   flag(f.underlineStyle() != QTextCharFormat::NoUnderline) + '\t' +
                                   flag(f.fontStrikeOut());
            const int start = fragment.position();
            if (key == pendingKey && pendingStart >= 0 && pendingStart + pendingLength == start) {
                pendingLength += fragment.length();
            } else {
                flush();
                pendingKey = key;
                pendingStart = start;
                pendingLength = fragment.length();
            }
        }
        // The paragraph break between blocks belongs to no run but counts
        // in positions, as it does in the editor's Text.
    }
    flush();
    return out;
}

QByteArray keptList(const QTextDocument &doc) {
    using pennaro::rtf::KeptItem;
    auto kind = [](KeptItem::Kind k) -> QByteArray {
        switch (k) {
        case KeptItem::Kind::HiddenText: return "hidden";
        case KeptItem::Kind::Markup: return "markup";
        case KeptItem::Kind::Note: return "note";
        case KeptItem::Kind::Wrapper: return "wrapper";
        case KeptItem::Kind::Picture: return "picture";
        case KeptItem::Kind::SectionBreak: return "section";
        }
        return "?";
    };
    auto shown = [](const KeptItem &item) {
        QString text = item.text();
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        return text.toUtf8();
    };
    QByteArray out;
    if (const pennaro::rtf::KeptDocumentPtr kept = pennaro::rtf::keptDocument(&doc)) {
        const pennaro::rtf::PageSetup &p = kept->page;
        if (!p.isEmpty())
            out += "page\t" + QByteArray::number(p.width) + 'x' + QByteArray::number(p.height) + '\t' +
                   (p.landscape ? "landscape" : "portrait") + "\tmargins " + QByteArray::number(p.left) + ' ' +
                   QByteArray::number(p.right) + ' ' + QByteArray::number(p.top) + ' ' + QByteArray::number(p.bottom) +
                   '\n';
        out += "header\t" + QByteArray::number(kept->prologue.size()) + " bytes\n";
    }
    for (const pennaro::rtf::PlacedItem &placed : pennaro::rtf::placeKeptContent(&doc))
        out += QByteArray::number(placed.position) + '\t' + kind(placed.item->kind) + '\t' + shown(*placed.item) + '\n';
    QList<std::pair<pennaro::rtf::OwnedSpan, const KeptItem *>> owned;
    for (const auto &[item, span] : pennaro::rtf::ownedSpans(&doc))
        owned.append({span, item});
    std::sort(owned.begin(), owned.end(), [](const auto &a, const auto &b) { return a.first.start < b.first.start; });
    for (const auto &[span, item] : owned)
        out += QByteArray::number(span.start) + '-' + QByteArray::number(span.end) + '\t' + kind(item->kind) + '\t' +
               shown(*item) + '\n';
    return out;
}

int usage() {
    std::fprintf(stderr, "usage: rtfconv text IN.rtf | rtfconv roundtrip IN.rtf OUT.rtf | rtfconv dump IN.rtf | "
                         "rtfconv kept IN.rtf\n");
    return 2;
}

}  // namespace

int main(int argc, char **argv) {
    // Reading and writing never lay text out, so no GUI application (and
    // no display) is needed.
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return usage();
    const QString command = args.at(1);
    const QString in = args.at(2);

    if (command == QLatin1String("text") && args.size() == 3) {
        QTextDocument doc;
        QString error;
        if (!load(in, &doc, &error))
            return fail(error);
        // Every paragraph ends with a newline, the last one included, as
        // text exports by word processors do.
        QByteArray text = doc.toPlainText().toUtf8();
        if (!doc.isEmpty())
            text += '\n';
        writeStdout(text);
        return 0;
    }
    if ((command == QLatin1String("dump") || command == QLatin1String("kept")) && args.size() == 3) {
        QTextDocument doc;
        QString error;
        if (!load(in, &doc, &error))
            return fail(error);
        writeStdout(command == QLatin1String("dump") ? dump(doc) : keptList(doc));
        return 0;
    }
    if (command == QLatin1String("roundtrip") && args.size() == 4) {
        QTextDocument doc;
        QString error;
        if (!load(in, &doc, &error))
            return fail(error);
        const QString outPath = args.at(3);
        QSaveFile file(outPath);
        if (!file.open(QIODevice::WriteOnly))
            return fail(QStringLiteral("cannot write %1: %2").arg(outPath, file.errorString()));
        file.write(pennaro::rtf::writeDocument(&doc));
        if (!file.commit())
            return fail(QStringLiteral("cannot write %1: %2").arg(outPath, file.errorString()));
        return 0;
    }
    return usage();
}
