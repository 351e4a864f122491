// The reader's fields, notes and pictures: what a field instruction means,
// SYMBOL characters, footnote reference marks and their numbering, and the
// pictures of the text.
#include "platform/rtf/reader.h"

#include "platform/rtf/docformat.h"
#include "platform/rtf/picturedecode.h"

#include <QImage>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstring>
#include <string_view>

namespace pennaro::rtf {

using namespace limits;

namespace {

std::atomic<quint64> imageCounter{0};

struct FieldArgument {
    QString text;
    bool quoted = false;
};

// A field instruction's words after its name: quoted arguments unquoted
// (a backslash in them escapes the next character), switches such as \l
// as they stand.
std::vector<FieldArgument> fieldArguments(QStringView rest) {
    std::vector<FieldArgument> words;
    while (!(rest = rest.trimmed()).isEmpty()) {
        FieldArgument word;
        if (rest.front() == u'"') {
            qsizetype i = 1;
            for (; i < rest.size() && rest[i] != u'"'; ++i) {
                if (rest[i] == u'\\' && i + 1 < rest.size())
                    ++i;
                word.text.append(rest[i]);
            }
            word.quoted = true;
            rest = rest.mid(std::min(i + 1, rest.size()));
        } else {
            qsizetype i = 0;
            while (i < rest.size() && !rest[i].isSpace())
                ++i;
            word.text = rest.left(i).toString();
            rest = rest.mid(i);
        }
        words.push_back(std::move(word));
    }
    return words;
}

bool isSwitch(const FieldArgument &word, const char *name) {
    return !word.quoted && word.text.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

// HYPERLINK "target" [\l "bookmark"] [\o "tip"] ...
QString hyperlinkTarget(QStringView rest) {
    QString target;
    QString bookmark;
    const std::vector<FieldArgument> words = fieldArguments(rest);
    for (size_t i = 0; i < words.size(); ++i) {
        if (isSwitch(words[i], "\\l") && i + 1 < words.size())
            bookmark = words[++i].text;
        else if ((isSwitch(words[i], "\\o") || isSwitch(words[i], "\\t")) && i + 1 < words.size())
            ++i;
        else if (!words[i].quoted && words[i].text.startsWith(u'\\'))
            continue;
        else if (target.isEmpty())
            target = words[i].text;
    }
    if (!bookmark.isEmpty())
        target += u'#' + bookmark;
    return target;
}

bool startsWithName(QStringView inst, QLatin1String name) {
    return inst.startsWith(name, Qt::CaseInsensitive) && (inst.size() == name.size() || inst[name.size()].isSpace());
}

}  // namespace

void Reader::beginField() {
    startBody();
    if (fields_.size() >= kMaxFields)
        return;  // its result shows, its instruction does not
    fields_.push_back(Field{});
    auto item = newItem(KeptItem::Kind::Wrapper);
    KeptRtf out(&item->rtf);
    out.open();
    out.word("field");
    item->resultWord = "fldrslt";
    beginWrapper(std::move(item), int(fields_.size()) - 1, false);
}

void Reader::finishFieldInstruction(int field, const QString &instruction) {
    if (field < 0 || std::size_t(field) >= fields_.size())
        return;
    Field &f = fields_[std::size_t(field)];
    const QString inst = instruction.trimmed();
    // A field is a link or a symbol, whichever its last instruction says.
    if (startsWithName(inst, QLatin1String("HYPERLINK"))) {
        f.href = hyperlinkTarget(QStringView(inst).mid(9));
        f.symbol = Symbol{};
        return;
    }
    if (!startsWithName(inst, QLatin1String("SYMBOL")))
        return;
    f.href.clear();
    // SYMBOL number [\f "font"] [\s points] [\u] [\a] [\j] [\h]
    const std::vector<FieldArgument> words = fieldArguments(QStringView(inst).mid(6));
    if (words.empty())
        return;
    bool ok = false;
    const QString &n = words[0].text;
    const qint64 number =
        n.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? n.mid(2).toLongLong(&ok, 16) : n.toLongLong(&ok, 10);
    if (!ok || number <= 0 || number > 0x10ffff)
        return;
    bool unicode = false;
    bool shiftJis = false;
    for (size_t i = 1; i < words.size(); ++i) {
        if (isSwitch(words[i], "\\f") && i + 1 < words.size())
            f.symbol.family = words[++i].text.trimmed().left(qsizetype(kMaxFontName));
        else if (isSwitch(words[i], "\\s") && i + 1 < words.size())
            f.symbol.points = symbolPoints(words[++i].text.toDouble());
        else if (isSwitch(words[i], "\\u"))
            unicode = true;
        else if (isSwitch(words[i], "\\j"))
            shiftJis = true;
    }
    f.symbol.character = symbolFieldCharacter(f.symbol.family, state().chr, number, unicode, shiftJis);
}

// A size in points, within the limits \fs has.
double Reader::symbolPoints(double points) {
    if (!(points > 0))
        return 0;
    State probe;
    applyProperty(probe, Kw::FontSize, 0, int(std::lround(std::min(points, 1e6) * 2)), true);
    return probe.chr.halfPoints / 2.0;
}

// The character a SYMBOL field stands for: in a symbol font, the glyph's
// Unicode character (or U+F0xx); otherwise the number read as a character
// of the code page (\j: Shift-JIS; \u or past a byte: Unicode).
char32_t Reader::symbolFieldCharacter(const QString &family, const CharProps &props, qint64 number, bool unicode,
                                      bool shiftJis) {
    int cp = 0;
    if (family.isEmpty()) {
        cp = tables_.codepageOf(props.font);
    } else if (!(cp = symbolCodepageForFamily(family))) {
        cp = tables_.docCodepage();
        for (const auto &[id, font] : tables_.tables().fonts) {
            if (font.family.compare(family, Qt::CaseInsensitive) == 0) {
                cp = tables_.codepageOf(id);
                break;
            }
        }
    }
    if (isSymbolCodepage(cp) && (number < 0x100 || (number >= 0xf000 && number <= 0xf0ff)))
        return pennaro::rtf::symbolCharacter(cp, static_cast<unsigned char>(number & 0xff));
    if (unicode || (number >= 0x100 && !shiftJis))
        return char32_t(number);
    char bytes[2];
    qsizetype count = 0;
    if (number >= 0x100)
        bytes[count++] = char(number >> 8);
    bytes[count++] = char(number & 0xff);
    QString decoded;
    tables_.decoders().decode(shiftJis ? 932 : cp, QByteArrayView(bytes, count), decoded);
    return decoded.isEmpty() ? char32_t(0xfffd) : decoded.toUcs4().value(0, 0xfffd);
}

// A field whose result showed nothing shows its SYMBOL character, in the
// field's own format with the font and size the instruction names, as the
// field's result.
void Reader::showSymbol(const Wrapper &w) {
    const Field &f = fields_[std::size_t(w.field)];
    // Every field begins in the body, where its group, or the group it
    // opened in, shows it.
    if (f.shown || f.symbol.character == 0 || state().chr.hidden)
        return;
    CharProps props = state().chr;
    if (w.kept)
        props.owner = w.owner;
    // A glyph code shows in its symbol font; a character, Unicode or of a
    // code page, in the font named unless that is a symbol font it came from.
    const bool glyph = f.symbol.character >= 0xf000 && f.symbol.character <= 0xf0ff;
    const DocumentBuilder::RunFormats &formats = builder_.runFormats(props);
    QTextCharFormat format = !glyph && formats.characters ? *formats.characters : formats.latin;
    const int named = symbolCodepageForFamily(f.symbol.family);
    if (!glyph && (named == kSymbolFontCodepage || named == kWingdingsCodepage))
        format.clearProperty(QTextFormat::FontFamilies);
    else if (!f.symbol.family.isEmpty())
        format.setFontFamilies(QStringList{f.symbol.family});
    if (f.symbol.points > 0)
        format.setFontPointSize(f.symbol.points);
    builder_.insertRun(QString::fromUcs4(&f.symbol.character, 1), format, props.hidden, state().para);
    resultShown();
}

// Something shows in the result of the field being read, and so in those of
// the fields around it.
void Reader::resultShown() {
    if (state().field >= 0)
        fields_[std::size_t(state().field)].shown = true;
    for (const Wrapper &w : wrappers_) {
        if (w.field >= 0 && w.inResult)
            fields_[std::size_t(w.field)].shown = true;
    }
}

// ---------------------------------------------------------------------------
// Footnote and endnote marks

// An automatic reference mark shows its number and is kept as the note's
// own, which the note that follows joins. A mark the file spells out
// itself, in the text right after \chftn, shows as it is and is the note's
// own likewise. Whether a note follows an automatic mark is known only when
// the note comes: until then the mark is kept as it would be without one.
void Reader::footnoteMark() {
    const bool given = markTextFollows();
    if (!given && !state().chr.hidden) {
        // A mark without a note shows nothing and counts for no number;
        // it stays where it is. A note that comes before anything else is
        // shown or kept turns it into the note's mark (keepFootnote).
        Token word;
        word.kind = Token::Word;
        word.name = "chftn";
        flushBytes();  // text still to decode comes before the mark
        const qsizetype at = lastGap_ && builder_.keptLast(lastGap_.get()) ? lastGap_->rtf.size() : 0;
        keepGapWord(word);
        strayMark_ = {lastGap_, at, state().chr, state().para};
        return;
    }
    if (state().chr.hidden) {
        // Hidden, as it came; it counts, as it will when read again.
        ++notes_[0].next;
        flushBytes();
        if (!(lastGap_ && builder_.keptLast(lastGap_.get()))) {
            lastGap_ = newItem(KeptItem::Kind::Markup);
            builder_.keep(lastGap_);
        }
        lastGap_->rtf += "{\\v\\chftn}";
        return;
    }
    startBody();
    auto mark = newItem(KeptItem::Kind::Note);
    State &s = state();
    const int owner = builder_.ownerList(s.chr.owner, mark);
    lastGap_.reset();
    // It shows no number, and takes one only when its note comes
    // (keepFootnote): without one it is plain text.
    mark->markGiven = true;
    givenMark_ = {stack_.size(), s.chr.owner};
    s.chr.owner = owner;
    openNote_ = std::move(mark);
}

// The note right after a mark kept as having none: nothing came between
// them, so the mark is the note's and shows its number.
bool Reader::joinStrayMark(bool endnote) {
    StrayMark stray = std::move(strayMark_);
    strayMark_ = StrayMark{};
    static constexpr std::string_view kWord = "\\chftn";
    if (!stray.gap || stray.gap != lastGap_ || !builder_.keptLast(stray.gap.get()) ||
        stray.gap->rtf.size() != stray.at + qsizetype(kWord.size()))
        return false;
    stray.gap->rtf.truncate(stray.at);
    if (stray.gap->rtf.isEmpty())
        builder_.dropLast(stray.gap.get());
    lastGap_.reset();
    startBody();
    auto mark = newItem(KeptItem::Kind::Note);
    CharProps props = stray.chr;
    props.owner = builder_.ownerList(stray.chr.owner, mark);
    NoteNumbering &n = notes_[endnote ? 1 : 0];
    builder_.text(noteMark(n.style, n.next++), props, stray.para);
    openNote_ = std::move(mark);
    return true;
}

// Whether the note being read is an endnote: \ftnalt right after its \footnote.
bool Reader::endnoteAhead() const {
    const char *p = tokenizer_.position();
    const char *end = bytes_.constData() + bytes_.size();
    while (p < end && (*p == ' ' || *p == '\r' || *p == '\n'))
        ++p;
    static constexpr std::string_view kWord = "\\ftnalt";
    const std::string_view rest(p, size_t(end - p));
    return rest.substr(0, kWord.size()) == kWord &&
           (rest.size() == kWord.size() || !std::isalpha(static_cast<unsigned char>(rest[kWord.size()])));
}

// Whether a token is part of a spelled-out mark: text, \u and \uc, and
// the words and symbols that stand for a character (\tab, \emdash, \~),
// which is how a mark's tab or no-break space is written back.
bool Reader::isMarkText(const Token &t) {
    switch (t.kind) {
    case Token::Text:
    case Token::Hex: return true;
    case Token::Symbol: return t.byte == '~' || t.byte == '_';
    case Token::Word: {
        if (t.name == "u" || t.name == "uc")
            return true;
        const Keyword *k = lookupKeyword(t.name);
        return k && (k->kw == Kw::Tab || k->kw == Kw::Line || k->kw == Kw::Char);
    }
    default: return false;
    }
}

// Whether text follows \chftn inside its group.
bool Reader::markTextFollows() const {
    const char *p = tokenizer_.position();
    const char *end = bytes_.constData() + bytes_.size();
    auto digit = [&](const char *q) { return q < end && (std::isdigit(static_cast<unsigned char>(*q)) || *q == '-'); };
    for (;;) {
        while (p < end && (*p == ' ' || static_cast<unsigned char>(*p) < 0x20))
            ++p;
        // \ucN, which a writer puts before a \u with a longer fallback, is not text.
        if (end - p < 4 || p[0] != '\\' || p[1] != 'u' || p[2] != 'c' || !digit(p + 3))
            break;
        for (p += 3; digit(p);)
            ++p;
    }
    if (p >= end || *p == '{' || *p == '}')
        return false;
    if (*p != '\\')
        return true;
    if (end - p < 2)
        return false;
    if (p[1] == '\'' || (p[1] == 'u' && digit(p + 2)))
        return true;
    const char *name = p + 1;
    const char *q = name;
    while (q < end && std::isalpha(static_cast<unsigned char>(*q)))
        ++q;
    Token next;
    next.kind = q == name ? Token::Symbol : Token::Word;
    next.byte = static_cast<unsigned char>(*name);
    next.name = std::string_view(name, size_t(q - name));
    return isMarkText(next);
}

// A section break restarts the numbering of notes that restart per section
// or per page, a page break that of notes that restart per page.
void Reader::restartNotes(int at) {
    for (NoteNumbering &n : notes_) {
        if (n.restart == at || (at == RestartSection && n.restart == RestartPage))
            n.next = n.start;
    }
}

void Reader::finishPicture() {
    Picture pic = std::move(picture_);
    picture_ = Picture{};
    if (pic.kind == PicOther && pic.start && state().dest == Dest::Body) {
        keptPicture(pic);
        return;
    }
    if ((pic.kind != PicPng && pic.kind != PicJpeg) || pic.data.isEmpty())
        return;
    // A few bytes of PNG can claim a huge picture; allow what a real image
    // of this many bytes could hold, and never more than a fixed ceiling.
    const qint64 allowed = std::min(kMaxImagePixels, std::max<qint64>(kMinImagePixels, 64 * pic.data.size()));
    const QImage image =
        decodePicture(pic.data, pic.kind == PicPng ? PictureFormat::Png : PictureFormat::Jpeg, allowed);
    if (image.isNull())
        return;

    const quint64 n = ++imageCounter;
    const QString name = QStringLiteral("rtfimage:%1").arg(n);
    QTextDocument *doc = builder_.document();
    doc->addResource(QTextDocument::ImageResource, QUrl(name), image);
    doc->addResource(QTextDocument::ImageResource, originalImageUrl(name), pic.data);
    QTextImageFormat format;
    format.setName(name);
    const double w = pic.goalW > 0 ? twipsToUnits(pic.goalW * (pic.scaleX / 100.0)) : image.width();
    const double h = pic.goalH > 0 ? twipsToUnits(pic.goalH * (pic.scaleY / 100.0)) : image.height();
    if (w > 0 && h > 0) {
        format.setWidth(w);
        format.setHeight(h);
    }
    // A picture in an object's or a shape's result is part of it.
    if (state().chr.owner >= 0)
        KeptList::set(format, KeptOwner, builder_.owners(state().chr.owner));
    builder_.insertImage(format, state().para);
    resultShown();
}

}  // namespace pennaro::rtf
