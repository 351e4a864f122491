#include "benchdoc.h"

#include "platform/rtf/docformat.h"

#include <QColor>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTextCursor>
#include <QTextDocument>

namespace pennaro::bench {

namespace {

// Words of a quarterly report; common characters, all in GBK.
const char16_t *const kWords[] = {
    u"公司",   u"季度", u"销售", u"收入", u"利润", u"同比", u"增长",   u"市场",   u"客户", u"产品", u"项目", u"合同",
    u"预算",   u"成本", u"费用", u"管理", u"部门", u"计划", u"完成",   u"情况",   u"经营", u"业绩", u"分析", u"报告",
    u"董事会", u"股东", u"投资", u"风险", u"控制", u"质量", u"供应链", u"采购",   u"生产", u"库存", u"物流", u"渠道",
    u"品牌",   u"推广", u"研发", u"技术", u"人员", u"培训", u"考核",   u"绩效",   u"目标", u"战略", u"发展", u"合作",
    u"伙伴",   u"区域", u"华东", u"华南", u"华北", u"西南", u"总部",   u"子公司", u"财务", u"审计", u"税务", u"现金流",
};
const char16_t *const kPunct[] = {u"，", u"，", u"、", u"。", u"；", u"：", u"（", u"）"};
const char *const kLatin[] = {"ERP", "Q3", "KPI", "CRM", "2024", "12.5%", "3,450", "OEM", "ISO 9001", "ROI"};

// The RTF for each format, matching BusinessDocument::formats.
struct FormatSpec {
    const char *rtf;
    const char16_t *family;
    double points;
    bool bold;
    QRgb colour;  // 0: automatic
};
const FormatSpec kFormats[] = {
    {"\\f0\\fs21", u"宋体", 10.5, false, 0},
    {"\\f0\\fs21\\b", u"宋体", 10.5, true, 0},
    {"\\f1\\fs21", u"黑体", 10.5, false, 0},
    {"\\f0\\fs21\\cf2", u"宋体", 10.5, false, qRgb(192, 0, 0)},
    {"\\f1\\fs24\\b\\cf3", u"黑体", 12, true, qRgb(0, 0, 160)},
    {"\\f2\\fs21", u"Arial", 10.5, false, 0},
};
constexpr int kFormatCount = int(std::size(kFormats));

void appendGbk(QByteArray *rtf, QStringEncoder &gbk, QStringView text) {
    static const char kHex[] = "0123456789abcdef";
    const QByteArray bytes = gbk.encode(text);
    for (char c : bytes) {
        const uchar b = uchar(c);
        if (b < 0x80) {
            rtf->append(c);
        } else {
            rtf->append("\\'");
            rtf->append(kHex[b >> 4]);
            rtf->append(kHex[b & 15]);
        }
    }
}

void appendUnicode(QByteArray *rtf, QStringView text) {
    for (QChar ch : text) {
        rtf->append("\\u");
        rtf->append(QByteArray::number(int(int16_t(ch.unicode()))));
        rtf->append('?');
    }
}

}  // namespace

BusinessDocument makeBusinessDocument(qsizetype bytes, unsigned seed, bool oneParagraph) {
    BusinessDocument doc;
    QRandomGenerator rng(seed);
    QStringEncoder gbk("GBK");

    for (const FormatSpec &spec : kFormats) {
        QTextCharFormat f;
        f.setFontFamilies({QString::fromUtf16(spec.family)});
        f.setFontPointSize(spec.points);
        if (spec.bold)
            f.setFontWeight(QFont::Bold);
        if (spec.colour)
            f.setForeground(QColor(spec.colour));
        doc.formats.push_back(f);
    }
    doc.paragraph.setTextIndent(28);
    doc.paragraph.setLineHeight(150, QTextBlockFormat::ProportionalHeight);

    QByteArray &rtf = doc.rtf;
    rtf.reserve(bytes + 4096);
    rtf += "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052\r\n"
           "{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}{\\f1\\fnil\\fcharset134 \\'ba\\'da\\'cc\\'e5;}"
           "{\\f2\\fswiss\\fcharset0 Arial;}}\r\n"
           "{\\colortbl;\\red0\\green0\\blue0;\\red192\\green0\\blue0;\\red0\\green0\\blue160;}\r\n";

    bool firstParagraph = true;
    while (rtf.size() < bytes) {
        if (firstParagraph || !oneParagraph)
            rtf += "\\pard\\plain\\fi420\\sl360\\slmult1 ";
        const int paragraphChars = 120 + int(rng.bounded(240));
        int chars = 0;
        bool first = true;
        while (chars < paragraphChars) {
            const int format = rng.bounded(3) ? 0 : int(rng.bounded(kFormatCount));
            const int words = 2 + int(rng.bounded(5));
            const bool viaUnicode = rng.bounded(10) == 0;  // some writers use \u
            QString text;
            for (int w = 0; w < words; ++w) {
                if (kFormats[format].family[0] == u'A' || rng.bounded(12) == 0) {
                    text += QLatin1String(kLatin[rng.bounded(int(std::size(kLatin)))]);
                    text += QLatin1Char(' ');
                } else {
                    text += QString::fromUtf16(kWords[rng.bounded(int(std::size(kWords)))]);
                }
                if (rng.bounded(4) == 0)
                    text += QString::fromUtf16(kPunct[rng.bounded(int(std::size(kPunct)))]);
            }
            rtf += '{';
            rtf += kFormats[format].rtf;
            rtf += ' ';
            if (viaUnicode) {
                rtf += "\\uc1";
                appendUnicode(&rtf, text);
            } else {
                appendGbk(&rtf, gbk, text);
            }
            rtf += "}";
            if (rng.bounded(6) == 0)
                rtf += "\r\n";
            doc.runs.push_back({first && (firstParagraph || !oneParagraph), format, text});
            first = false;
            chars += int(text.size());
        }
        if (!oneParagraph)
            rtf += "\\par\r\n";
        firstParagraph = false;
    }
    rtf += "}";
    return doc;
}

void setEditorFont(QTextDocument *doc) { doc->setDefaultFont(rtf::editorFont()); }

void buildDirectly(const BusinessDocument &source, QTextDocument *doc) {
    doc->setUndoRedoEnabled(false);
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    bool firstParagraph = true;
    for (const Run &run : source.runs) {
        if (run.newParagraph) {
            if (firstParagraph)
                cursor.setBlockFormat(source.paragraph);
            else
                cursor.insertBlock(source.paragraph);
            firstParagraph = false;
        }
        cursor.insertText(run.text, source.formats[size_t(run.format)]);
    }
    cursor.endEditBlock();
}

}  // namespace pennaro::bench
