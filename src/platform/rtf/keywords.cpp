#include "platform/rtf/keywords.h"

#include "platform/rtf/notemarks.h"

#include <QTextCharFormat>

#include <unordered_map>

namespace pennaro::rtf {

namespace {

struct Entry {
    std::string_view name;
    Keyword keyword;
};

constexpr int Left = Qt::AlignLeft, Center = Qt::AlignHCenter, Right = Qt::AlignRight, Justify = Qt::AlignJustify;

// clang-format off
const Entry kEntries[] = {
    {"rtf", {Kw::Rtf, 0}}, {"ansi", {Kw::Ansi, 0}}, {"mac", {Kw::Mac, 0}}, {"pc", {Kw::Pc, 0}},
    {"pca", {Kw::Pca, 0}}, {"ansicpg", {Kw::AnsiCpg, 0}}, {"deff", {Kw::Deff, 0}}, {"uc", {Kw::Uc, 0}},
    {"u", {Kw::U, 0}},
    // Written anew by our writer, so not kept with the document's settings.
    {"viewkind", {Kw::Rtf, 0}},

    {"fonttbl", {Kw::FontTbl, 0}}, {"colortbl", {Kw::ColorTbl, 0}},
    {"field", {Kw::Field, 0}}, {"fldinst", {Kw::FldInst, 0}}, {"fldrslt", {Kw::FldRslt, 0}},
    {"pict", {Kw::Pict, 0}}, {"upr", {Kw::Upr, 0}}, {"ud", {Kw::Ud, 0}},
    // What we write anew: our own generator, and the fallbacks for readers
    // without nested tables or shapes, which follow from what we write.
    {"generator", {Kw::SkipDest, 0}}, {"nonesttables", {Kw::SkipDest, 0}}, {"nonshppict", {Kw::SkipDest, 0}},
    {"falt", {Kw::SkipDest, 0}}, {"panose", {Kw::SkipDest, 0}}, {"blipuid", {Kw::SkipDest, 0}},
    // Document-level content, kept whole and written back in the header or
    // with the section it belongs to. A list definition or stylesheet entry
    // that strays outside its table is kept too: its names never show.
    {"info", {Kw::DocDest, 0}}, {"header", {Kw::DocDest, 0}}, {"headerl", {Kw::DocDest, 0}},
    {"headerr", {Kw::DocDest, 0}}, {"headerf", {Kw::DocDest, 0}}, {"footer", {Kw::DocDest, 0}},
    {"footerl", {Kw::DocDest, 0}}, {"footerr", {Kw::DocDest, 0}}, {"footerf", {Kw::DocDest, 0}},
    {"stylesheet", {Kw::DocDest, 0}}, {"listtable", {Kw::DocDest, 0}}, {"listoverridetable", {Kw::DocDest, 0}},
    {"revtbl", {Kw::DocDest, 0}}, {"rsidtbl", {Kw::DocDest, 0}}, {"filetbl", {Kw::DocDest, 0}},
    {"private", {Kw::DocDest, 0}}, {"userprops", {Kw::DocDest, 0}}, {"template", {Kw::DocDest, 0}},
    {"ftnsep", {Kw::DocDest, 0}}, {"ftnsepc", {Kw::DocDest, 0}}, {"aftnsep", {Kw::DocDest, 0}},
    {"aftnsepc", {Kw::DocDest, 0}}, {"ftncn", {Kw::DocDest, 0}}, {"aftncn", {Kw::DocDest, 0}},
    {"pgdsctbl", {Kw::DocDest, 0}}, {"themedata", {Kw::DocDest, 0}}, {"colorschememapping", {Kw::DocDest, 0}},
    {"latentstyles", {Kw::DocDest, 0}}, {"datastore", {Kw::DocDest, 0}}, {"xmlnstbl", {Kw::DocDest, 0}},
    {"docvar", {Kw::DocDest, 0}}, {"mmathPr", {Kw::DocDest, 0}}, {"protusertbl", {Kw::DocDest, 0}},
    {"fchars", {Kw::DocDest, 0}}, {"lchars", {Kw::DocDest, 0}}, {"wgrffmtfilter", {Kw::DocDest, 0}},
    {"listpicture", {Kw::DocDest, 0}}, {"pnseclvl", {Kw::DocDest, 0}}, {"defchp", {Kw::DocDest, 0}},
    {"defpap", {Kw::DocDest, 0}}, {"pgptbl", {Kw::DocDest, 0}}, {"title", {Kw::DocDest, 0}},
    {"author", {Kw::DocDest, 0}}, {"operator", {Kw::DocDest, 0}}, {"keywords", {Kw::DocDest, 0}},
    {"subject", {Kw::DocDest, 0}}, {"doccomm", {Kw::DocDest, 0}}, {"comment", {Kw::DocDest, 0}},
    {"list", {Kw::DocDest, 0}}, {"listoverride", {Kw::DocDest, 0}}, {"listlevel", {Kw::DocDest, 0}},
    {"listname", {Kw::DocDest, 0}}, {"leveltext", {Kw::DocDest, 0}}, {"levelnumbers", {Kw::DocDest, 0}},
    // Content anchored in the text, kept whole where it stands.
    {"annotation", {Kw::TextDest, 0}}, {"atnid", {Kw::TextDest, 0}}, {"atnauthor", {Kw::TextDest, 0}},
    {"atndate", {Kw::TextDest, 0}}, {"atnref", {Kw::TextDest, 0}}, {"atntime", {Kw::TextDest, 0}},
    {"atnicn", {Kw::TextDest, 0}}, {"atrfstart", {Kw::TextDest, 0}}, {"atrfend", {Kw::TextDest, 0}},
    {"atnparent", {Kw::TextDest, 0}}, {"pn", {Kw::TextDest, 0}}, {"pntxta", {Kw::TextDest, 0}},
    {"pntxtb", {Kw::TextDest, 0}}, {"xe", {Kw::TextDest, 0}}, {"tc", {Kw::TextDest, 0}},
    {"txe", {Kw::TextDest, 0}}, {"rxe", {Kw::TextDest, 0}}, {"bkmkstart", {Kw::TextDest, 0}},
    {"bkmkend", {Kw::TextDest, 0}}, {"do", {Kw::TextDest, 0}}, {"objdata", {Kw::TextDest, 0}},
    {"objclass", {Kw::TextDest, 0}}, {"objname", {Kw::TextDest, 0}}, {"shpinst", {Kw::TextDest, 0}},
    {"sp", {Kw::TextDest, 0}}, {"fldtype", {Kw::TextDest, 0}}, {"formfield", {Kw::TextDest, 0}},
    {"datafield", {Kw::TextDest, 0}},
    {"footnote", {Kw::Footnote, 0}},
    {"listtext", {Kw::ListLabel, 0}}, {"pntext", {Kw::ListLabel, 0}},
    {"object", {Kw::Object, 0}}, {"result", {Kw::ObjResult, 0}},
    {"shp", {Kw::Shape, 0}}, {"shpgrp", {Kw::Shape, 0}}, {"shprslt", {Kw::ShapeResult, 0}},
    // Groups whose content is ordinary body content for a reader like us.
    {"shppict", {Kw::Transparent, 0}}, {"nesttableprops", {Kw::Transparent, 0}},

    {"fcharset", {Kw::FCharset, 0}}, {"cpg", {Kw::Cpg, 0}}, {"red", {Kw::Red, 0}},
    {"green", {Kw::Green, 0}}, {"blue", {Kw::Blue, 0}}, {"cs", {Kw::CharStyle, 0}},

    {"plain", {Kw::Plain, 0}}, {"b", {Kw::Bold, 0}}, {"i", {Kw::Italic, 0}},
    {"ul", {Kw::Underline, QTextCharFormat::SingleUnderline}},
    {"ulw", {Kw::Underline, QTextCharFormat::SingleUnderline}},
    {"uldb", {Kw::Underline, QTextCharFormat::SingleUnderline}},
    {"ulth", {Kw::Underline, QTextCharFormat::SingleUnderline}},
    {"uld", {Kw::Underline, QTextCharFormat::DotLine}},
    {"ulthd", {Kw::Underline, QTextCharFormat::DotLine}},
    {"uldash", {Kw::Underline, QTextCharFormat::DashUnderline}},
    {"ulldash", {Kw::Underline, QTextCharFormat::DashUnderline}},
    {"ulthdash", {Kw::Underline, QTextCharFormat::DashUnderline}},
    {"ulthldash", {Kw::Underline, QTextCharFormat::DashUnderline}},
    {"uldashd", {Kw::Underline, QTextCharFormat::DashDotLine}},
    {"ulthdashd", {Kw::Underline, QTextCharFormat::DashDotLine}},
    {"uldashdd", {Kw::Underline, QTextCharFormat::DashDotDotLine}},
    {"ulthdashdd", {Kw::Underline, QTextCharFormat::DashDotDotLine}},
    {"ulwave", {Kw::Underline, QTextCharFormat::WaveUnderline}},
    {"ulhwave", {Kw::Underline, QTextCharFormat::WaveUnderline}},
    {"ululdbwave", {Kw::Underline, QTextCharFormat::WaveUnderline}},
    {"ulnone", {Kw::UnderlineNone, 0}}, {"strike", {Kw::Strike, 0}}, {"striked", {Kw::Strike, 0}},
    {"f", {Kw::Font, 0}}, {"fs", {Kw::FontSize, 0}}, {"cf", {Kw::Color, 0}}, {"cb", {Kw::Background, 0}},
    {"highlight", {Kw::Background, 0}}, {"chcbpat", {Kw::Background, 0}},
    {"super", {Kw::Super, 0}}, {"sub", {Kw::Sub, 0}}, {"nosupersub", {Kw::NoSuperSub, 0}},
    {"up", {Kw::Up, 0}}, {"dn", {Kw::Dn, 0}}, {"caps", {Kw::Caps, 0}}, {"scaps", {Kw::SmallCaps, 0}},
    {"v", {Kw::Hidden, 0}},
    {"loch", {Kw::CharClass, 1}}, {"hich", {Kw::CharClass, 1}}, {"dbch", {Kw::CharClass, 2}},
    {"ltrch", {Kw::Direction, 0}}, {"rtlch", {Kw::Direction, 1}},
    {"ab", {Kw::Associated, int(Kw::Bold)}}, {"ai", {Kw::Associated, int(Kw::Italic)}},
    {"af", {Kw::Associated, int(Kw::Font)}}, {"afs", {Kw::Associated, int(Kw::FontSize)}},

    {"pard", {Kw::Pard, 0}}, {"s", {Kw::ParaStyle, 0}},
    {"ltrpar", {Kw::ParaDirection, 0}}, {"rtlpar", {Kw::ParaDirection, 1}},
    {"ql", {Kw::Align, Left}}, {"qc", {Kw::Align, Center}}, {"qr", {Kw::Align, Right}},
    {"qj", {Kw::Align, Justify}}, {"qd", {Kw::Align, Justify}},
    {"li", {Kw::LeftIndent, 0}}, {"lin", {Kw::LeftIndent, 0}}, {"ri", {Kw::RightIndent, 0}},
    {"pagebb", {Kw::PageBreakBefore, 0}}, {"tx", {Kw::TabStop, 0}}, {"tqr", {Kw::TabKind, 1}}, {"tqc", {Kw::TabKind, 2}},
    {"tqdec", {Kw::TabKind, 3}},
    {"rin", {Kw::RightIndent, 0}}, {"fi", {Kw::FirstIndent, 0}}, {"sb", {Kw::SpaceBefore, 0}},
    {"sa", {Kw::SpaceAfter, 0}}, {"sl", {Kw::LineSpacing, 0}}, {"slmult", {Kw::LineMult, 0}},
    {"intbl", {Kw::InTable, 0}}, {"itap", {Kw::Itap, 0}}, {"ls", {Kw::ListOverride, 0}},
    {"ilvl", {Kw::ListLevel, 0}},

    {"par", {Kw::Par, 0}}, {"sect", {Kw::Sect, 0}}, {"column", {Kw::Par, 0}},
    {"line", {Kw::Line, 0}}, {"tab", {Kw::Tab, 0}},
    {"page", {Kw::Page, 0}}, {"cell", {Kw::Cell, 0}}, {"nestcell", {Kw::NestCell, 0}},
    {"row", {Kw::Row, 0}}, {"nestrow", {Kw::NestRow, 0}}, {"trowd", {Kw::Trowd, 0}},
    {"cellx", {Kw::Cellx, 0}}, {"chftn", {Kw::Chftn, 0}},

    {"emdash", {Kw::Char, 0x2014}}, {"endash", {Kw::Char, 0x2013}}, {"lquote", {Kw::Char, 0x2018}},
    {"rquote", {Kw::Char, 0x2019}}, {"ldblquote", {Kw::Char, 0x201c}}, {"rdblquote", {Kw::Char, 0x201d}},
    {"bullet", {Kw::Char, 0x2022}}, {"emspace", {Kw::Char, 0x2003}}, {"enspace", {Kw::Char, 0x2002}},
    {"qmspace", {Kw::Char, 0x2005}}, {"zwj", {Kw::Char, 0x200d}}, {"zwnj", {Kw::Char, 0x200c}},
    {"ltrmark", {Kw::Char, 0x200e}}, {"rtlmark", {Kw::Char, 0x200f}}, {"zwbo", {Kw::Char, 0x200b}},
    {"zwnbo", {Kw::Char, 0x2060}},

#define PENNARO_NOTE_STYLE(suffix, style)                                                              \
    {"ftnn" suffix, {Kw::NoteStyle, int(style)}}, {"sftnn" suffix, {Kw::NoteStyle, int(style)}},        \
    {"aftnn" suffix, {Kw::NoteStyle, kEndnotes | int(style)}}, {"saftnn" suffix, {Kw::NoteStyle, kEndnotes | int(style)}}
    PENNARO_NOTE_STYLE("ar", NoteStyle::Arabic), PENNARO_NOTE_STYLE("alc", NoteStyle::LowerAlpha),
    PENNARO_NOTE_STYLE("auc", NoteStyle::UpperAlpha), PENNARO_NOTE_STYLE("rlc", NoteStyle::LowerRoman),
    PENNARO_NOTE_STYLE("ruc", NoteStyle::UpperRoman), PENNARO_NOTE_STYLE("chi", NoteStyle::Chicago),
    PENNARO_NOTE_STYLE("cnum", NoteStyle::Circled), PENNARO_NOTE_STYLE("dbar", NoteStyle::FullWidth),
    PENNARO_NOTE_STYLE("dbnum", NoteStyle::ChineseCount), PENNARO_NOTE_STYLE("dbnumd", NoteStyle::ChineseCount),
    PENNARO_NOTE_STYLE("gbnum", NoteStyle::ChineseCount), PENNARO_NOTE_STYLE("gbnumd", NoteStyle::ChineseCount),
#undef PENNARO_NOTE_STYLE
    {"ftnrstcont", {Kw::NoteRestart, RestartContinuous}}, {"ftnrestart", {Kw::NoteRestart, RestartSection}},
    {"ftnrstpg", {Kw::NoteRestart, RestartPage}}, {"sftnrstcont", {Kw::NoteRestart, RestartContinuous}},
    {"sftnrestart", {Kw::NoteRestart, RestartSection}}, {"sftnrstpg", {Kw::NoteRestart, RestartPage}},
    {"aftnrstcont", {Kw::NoteRestart, kEndnotes | RestartContinuous}},
    {"aftnrestart", {Kw::NoteRestart, kEndnotes | RestartSection}},
    {"saftnrstcont", {Kw::NoteRestart, kEndnotes | RestartContinuous}},
    {"saftnrestart", {Kw::NoteRestart, kEndnotes | RestartSection}},
    {"ftnstart", {Kw::NoteStart, 0}}, {"sftnstart", {Kw::NoteStart, 0}},
    {"aftnstart", {Kw::NoteStart, kEndnotes}}, {"saftnstart", {Kw::NoteStart, kEndnotes}},

    {"pngblip", {Kw::PicKind, PicPng}}, {"jpegblip", {Kw::PicKind, PicJpeg}},
    {"emfblip", {Kw::PicKind, PicOther}}, {"wmetafile", {Kw::PicKind, PicOther}},
    {"macpict", {Kw::PicKind, PicOther}}, {"pmmetafile", {Kw::PicKind, PicOther}},
    {"dibitmap", {Kw::PicKind, PicOther}}, {"wbitmap", {Kw::PicKind, PicOther}},
    {"picw", {Kw::PicW, 0}}, {"pich", {Kw::PicH, 0}}, {"picwgoal", {Kw::PicGoalW, 0}},
    {"pichgoal", {Kw::PicGoalH, 0}}, {"picscalex", {Kw::PicScaleX, 0}}, {"picscaley", {Kw::PicScaleY, 0}},

    {"paperw", {Kw::PageSetting, PaperWidth}}, {"paperh", {Kw::PageSetting, PaperHeight}},
    {"margl", {Kw::PageSetting, MarginLeft}}, {"margr", {Kw::PageSetting, MarginRight}},
    {"margt", {Kw::PageSetting, MarginTop}}, {"margb", {Kw::PageSetting, MarginBottom}},
    {"landscape", {Kw::PageSetting, Landscape}}, {"sectd", {Kw::PageSetting, kSection | SectionDefaults}},
    {"pgwsxn", {Kw::PageSetting, kSection | PaperWidth}}, {"pghsxn", {Kw::PageSetting, kSection | PaperHeight}},
    {"marglsxn", {Kw::PageSetting, kSection | MarginLeft}}, {"margrsxn", {Kw::PageSetting, kSection | MarginRight}},
    {"margtsxn", {Kw::PageSetting, kSection | MarginTop}}, {"margbsxn", {Kw::PageSetting, kSection | MarginBottom}},
    {"lndscpsxn", {Kw::PageSetting, kSection | Landscape}},
    // Marks that stand in the text for something another program fills in.
    {"chatn", {Kw::TextMark, 0}}, {"chpgn", {Kw::TextMark, 0}}, {"chdate", {Kw::TextMark, 0}},
    {"chtime", {Kw::TextMark, 0}}, {"chdpl", {Kw::TextMark, 0}}, {"chdpa", {Kw::TextMark, 0}},
    {"sectnum", {Kw::TextMark, 0}},
};
// clang-format on

}  // namespace

const Keyword *lookupKeyword(std::string_view name) {
    static const std::unordered_map<std::string_view, Keyword> table = [] {
        std::unordered_map<std::string_view, Keyword> m;
        m.reserve(std::size(kEntries) * 2);
        for (const Entry &e : kEntries)
            m.emplace(e.name, e.keyword);
        return m;
    }();
    auto it = table.find(name);
    return it == table.end() ? nullptr : &it->second;
}

}  // namespace pennaro::rtf
