// The reader's kept content: destinations copied whole into the document's
// settings, a section break's settings or an item in the text, and the
// fields, objects and shapes whose results show while the rest is kept.
#include "platform/rtf/reader.h"

#include "platform/rtf/docformat.h"

#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>
#include <atomic>

namespace pennaro::rtf {

using namespace limits;

namespace {

std::atomic<quint64> placeholderCounter{0};

// A box with a cross, the usual stand-in for a picture that cannot be
// shown, drawn pixel by pixel so that no paint device or font is needed.
QImage placeholderImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(0xf0, 0xf0, 0xf0));
    const QRgb line = qRgb(0x90, 0x90, 0x90);
    for (int x = 0; x < width; ++x) {
        image.setPixel(x, 0, line);
        image.setPixel(x, height - 1, line);
        const int y = int(qint64(x) * (height - 1) / std::max(1, width - 1));
        image.setPixel(x, y, line);
        image.setPixel(x, height - 1 - y, line);
    }
    for (int y = 0; y < height; ++y) {
        image.setPixel(0, y, line);
        image.setPixel(width - 1, y, line);
    }
    return image;
}

}  // namespace

std::shared_ptr<KeptItem> Reader::newItem(KeptItem::Kind kind) {
    auto item = std::make_shared<KeptItem>();
    item->kind = kind;
    item->source = tables_.shared();
    return item;
}

// ---------------------------------------------------------------------------
// Copying kept content

void Reader::beginCapture(Capture::Purpose purpose, QByteArray *target, std::string_view word, bool starred,
                          bool hasParam, int param) {
    flushBytes();
    capture_ = Capture{};
    capture_.target = target;
    capture_.start = target->size();
    capture_.depth = 1;
    capture_.purpose = purpose;
    capture_.name = std::string(word);
    captureOut_ = KeptRtf(target);
    captureOut_.open();
    state().keptFont = -1;
    if (starred)
        captureOut_.symbol('*');
    if (!word.empty())
        captureOut_.word(word, hasParam, param);
    state().dest = Dest::Capture;
}

// Every token of kept content is copied; only what decides how its text
// decodes (fonts, \uc) also acts on the group's state.
void Reader::captureToken(const Token &t) {
    switch (t.kind) {
    case Token::GroupOpen:
        if (braceIsTrailByte(t))
            return;
        flushBytes();
        lastOpen_ = tokenizer_.position() - 1;
        openGroup();
        state().dest = Dest::Capture;
        ++capture_.depth;
        captureOut_.open();
        return;
    case Token::GroupClose:
        if (braceIsTrailByte(t))
            return;
        captureGroupClosed();
        return;
    case Token::Word: {
        flushBytes();
        const Keyword *k = lookupKeyword(t.name);
        if (k && k->kw == Kw::U) {
            keepUnicode(captureOut_, t);
            return;
        }
        if (k && k->kw == Kw::Uc) {
            state().uc = t.hasParam ? std::max(0, t.param) : 1;
            return;
        }
        if (k) {
            switch (k->kw) {
            case Kw::Plain:
            case Kw::Font:
            case Kw::CharClass:
            case Kw::Associated:
            case Kw::Direction:
                applyProperty(state(), k->kw, k->value, t.param, t.hasParam);
                if (k->kw == Kw::Font || k->kw == Kw::Plain)
                    state().keptFont = k->kw == Kw::Font ? state().chr.font : -1;
                break;
            default: break;
            }
        }
        captureOut_.word(t.name, t.hasParam, t.param);
        return;
    }
    case Token::Symbol:
        if (t.byte == '\\' || t.byte == '{' || t.byte == '}') {
            const char b = char(t.byte);
            handleBytes(std::string_view(&b, 1), false);
            return;
        }
        flushBytes();
        captureOut_.symbol(char(t.byte));
        return;
    case Token::Hex: handleBytes(t.text, true); return;
    case Token::Text: handleBytes(t.text, false); return;
    case Token::Binary:
        flushBytes();
        captureOut_.hexData(t.text);
        return;
    case Token::Par:
        flushBytes();
        captureOut_.word("par");
        return;
    case Token::End: return;
    }
}

void Reader::captureGroupClosed() {
    flushBytes();
    captureOut_.close();
    --capture_.depth;
    closeGroup(false);
    if (capture_.depth == 0)
        finishCapture();
}

void Reader::finishCapture() {
    Capture done = std::move(capture_);
    capture_ = Capture{};
    captureOut_ = KeptRtf(nullptr);
    const QByteArrayView part = QByteArrayView(*done.target).sliced(done.start);
    switch (done.purpose) {
    case Capture::Gap:
    case Capture::Note: {
        QString note;
        if (done.name == "atnauthor") {
            lastAuthor_ = keptPlainText(part);
        } else if (done.name == "annotation") {
            note = keptPlainText(part);
            if (!lastAuthor_.isEmpty())
                note = lastAuthor_ + QStringLiteral(": ") + note;
            lastAuthor_.clear();
        } else if (done.name == "footnote") {
            note = keptPlainText(part);
        }
        if (!note.isEmpty() && done.item) {
            if (!done.item->note.isEmpty())
                done.item->note += QLatin1Char('\n');
            done.item->note += note;
        }
        if (done.purpose == Capture::Note)
            openNote_.reset();
        break;
    }
    case Capture::FieldInstruction:
        if (!wrappers_.empty())
            finishFieldInstruction(wrappers_.back().field, keptPlainText(part));
        break;
    case Capture::Document:
    case Capture::WrapperPart: break;
    }
}

// ---------------------------------------------------------------------------
// Document level

// What comes after the body (Word ends its files with a few such groups)
// joins the rest before it.
void Reader::keepDocumentGroup(const Token &t, bool starred) {
    QByteArray *target = section_ ? &section_->rtf : &keptDoc_->prologue;
    beginCapture(Capture::Document, target, t.name, starred, t.hasParam, t.param);
    // No font governs the document's properties and list labels; their
    // text is in the document's code page.
    static const std::string_view kDocumentText[] = {"info", "userprops", "docvar",   "listtable", "listoverridetable",
                                                     "list", "listlevel", "leveltext"};
    capture_.documentCodepage =
        std::find(std::begin(kDocumentText), std::end(kDocumentText), t.name) != std::end(kDocumentText);
}

// Words of the document's or a section's settings, before the body or
// right after a section break. One we know (note numbering, the page) that
// turns up in the text stays where it is, for a reader to meet it there
// again; other words in the text are paragraph and character properties
// we do not keep.
void Reader::keepSettingWord(const Token &t, bool known) {
    const State &s = state();
    if (mode_ != Mode::WholeDocument || s.dest != Dest::Body || overflowDepth_ > 0)
        return;
    const bool documentLevel = s.wrapper < 0 && s.field < 0;
    if (section_ && documentLevel)
        sectionOut_.word(t.name, t.hasParam, t.param);
    else if (!bodyStarted_ && documentLevel)
        prologueOut_.word(t.name, t.hasParam, t.param);
    else if (known)
        keepGapWord(t);
}

// \sect: the paragraph ends with a section break, which keeps the settings
// and headers of the section that follows it. A section ends at a paragraph
// of the body, not inside a table.
bool Reader::sectionBreak() {
    State &s = state();
    std::shared_ptr<KeptItem> item;
    if (mode_ == Mode::WholeDocument && s.para.tableLevel() == 0) {
        item = newItem(KeptItem::Kind::SectionBreak);
        section_ = item;
        sectionOut_ = KeptRtf(&item->rtf);
    }
    builder_.endParagraph(false, s.chr, s.para, item);
    return item != nullptr;
}

void Reader::pageSetting(int which, const Token &t) {
    const bool section = which & kSection;
    if (mode_ != Mode::WholeDocument || state().dest != Dest::Body || (section && bodyStarted_))
        return;
    PageSetup &page = section ? sectionPage_ : page_;
    const int twips = t.hasParam ? std::clamp(t.param, 0, kMaxTwips) : 0;
    switch (which & 0xf) {
    case PaperWidth: page.width = twips; break;
    case PaperHeight: page.height = twips; break;
    case MarginLeft: page.left = twips; break;
    case MarginRight: page.right = twips; break;
    case MarginTop: page.top = twips; break;
    case MarginBottom: page.bottom = twips; break;
    case Landscape: page.landscape = !t.hasParam || t.param != 0; break;
    case SectionDefaults: sectionPage_ = PageSetup{}; break;
    default: break;
    }
}

// ---------------------------------------------------------------------------
// In the text

// Consecutive kept groups in one gap (a comment's author, its text and its
// mark) make one item.
void Reader::keepGap(const Token &t, bool starred) {
    std::shared_ptr<KeptItem> item;
    if (lastGap_ && builder_.keptLast(lastGap_.get())) {
        item = lastGap_;
    } else {
        item = newItem(KeptItem::Kind::Markup);
        builder_.keep(item);
        lastGap_ = item;
    }
    beginCapture(Capture::Gap, &item->rtf, t.name, starred, t.hasParam, t.param);
    capture_.item = item;
}

void Reader::keepGapWord(const Token &t) {
    flushBytes();
    if (!(lastGap_ && builder_.keptLast(lastGap_.get()))) {
        lastGap_ = newItem(KeptItem::Kind::Markup);
        builder_.keep(lastGap_);
    }
    KeptRtf(&lastGap_->rtf).word(t.name, t.hasParam, t.param);
}

// A footnote right after its automatic reference mark belongs to the mark;
// one after a mark of its own stands where it is.
void Reader::keepFootnote(const Token &t, bool starred) {
    if (!openNote_ && !joinStrayMark(endnoteAhead())) {
        keepGap(t, starred);
        return;
    }
    auto note = openNote_;
    if (note->markGiven)
        ++notes_[0].next;  // the footnotes' number the mark took
    beginCapture(Capture::Note, &note->rtf, "footnote", starred);
    capture_.item = note;
}

// ---------------------------------------------------------------------------
// Fields, objects, shapes, list labels

void Reader::beginWrapper(std::shared_ptr<KeptItem> item, int field, bool wholeGroupShown) {
    Wrapper w;
    w.depth = stack_.size();
    w.field = field;
    w.owner = builder_.ownerList(state().chr.owner, item);
    w.item = std::move(item);
    wrappers_.push_back(std::move(w));
    State &s = state();
    s.wrapper = int(wrappers_.size()) - 1;
    if (wholeGroupShown) {
        wrappers_.back().inResult = true;
        s.chr.owner = wrappers_.back().owner;
    } else {
        s.dest = Dest::Wrapper;
    }
}

// The first token of a group right inside a field, object or shape: its
// result shows; anything else is one of its parts, kept.
void Reader::wrapperChild(const Token &t, bool starred) {
    State &s = state();
    if (s.wrapper < 0 || std::size_t(s.wrapper) >= wrappers_.size()) {
        s.dest = Dest::Discard;
        return;
    }
    Wrapper &w = wrappers_[std::size_t(s.wrapper)];
    QByteArray *target = w.resultDone ? &w.item->suffix : &w.item->rtf;
    if (t.kind != Token::Word) {
        beginCapture(Capture::WrapperPart, target, {}, starred);
        captureToken(t);
        return;
    }
    const Keyword *k = lookupKeyword(t.name);
    const Kw kw = k ? k->kw : Kw::SkipDest;
    const bool result = (kw == Kw::FldRslt && w.field >= 0) ||
                        (kw == Kw::ObjResult && w.item->resultWord == "result") ||
                        (kw == Kw::ShapeResult && w.item->resultWord == "shprslt");
    if (result && !w.inResult && !w.resultDone) {
        flushBytes();
        s.dest = Dest::Body;
        w.inResult = true;
        if (w.field >= 0) {
            s.field = w.field;
            const QString &href = fields_[std::size_t(w.field)].href;
            if (!href.isEmpty()) {
                w.kept = false;
                s.chr.link = builder_.addLink(href);
            }
        } else {
            s.inlineOnly = true;
        }
        if (w.kept)
            s.chr.owner = w.owner;
        return;
    }
    if (kw == Kw::FldInst && w.field >= 0) {
        beginCapture(Capture::FieldInstruction, target, t.name, starred, t.hasParam, t.param);
        return;
    }
    // Any other group is kept as it stands; its first word may be one that
    // acts (\u, \uc, \f), so it is read as the group's other words are.
    beginCapture(Capture::WrapperPart, target, {}, starred);
    captureToken(t);
}

// A word of the field, object or shape itself (\fldlock, \objw), kept.
// \u and \uc act as they do anywhere: the fallback after a \u is skipped.
void Reader::wrapperWord(const Token &t) {
    const bool starred = star_;
    star_ = false;
    const Keyword *k = lookupKeyword(t.name);
    if (k && k->kw == Kw::Uc) {
        state().uc = t.hasParam ? std::max(0, t.param) : 1;
        return;
    }
    if (wrappers_.empty() || wrappers_.back().depth != stack_.size()) {
        if (k && k->kw == Kw::U)
            skip_ = state().uc;
        return;
    }
    Wrapper &w = wrappers_.back();
    KeptRtf out(w.resultDone ? &w.item->suffix : &w.item->rtf);
    if (k && k->kw == Kw::U) {
        keepUnicode(out, t);
        return;
    }
    if (starred)
        out.symbol('*');
    out.word(t.name, t.hasParam, t.param);
}

// \uN in kept content: the character, in canonical form; its fallback is
// skipped.
void Reader::keepUnicode(KeptRtf &out, const Token &t) {
    int value = t.hasParam ? t.param : 0;
    skip_ = state().uc;
    if (value < 0)
        value += 65536;
    if (value > 0 && value <= 0xffff) {
        const char16_t c = char16_t(value);
        out.text(QStringView(&c, 1));
    }
}

// At the close of a field's, object's or shape's group: what showed of it
// is its result, and it is kept around that; with nothing shown it is kept
// whole where it stood.
void Reader::finishWrapper() {
    flushBytes();
    if (wrappers_.back().field >= 0)
        showSymbol(wrappers_.back());
    builder_.flushRun();
    Wrapper w = std::move(wrappers_.back());
    wrappers_.pop_back();
    // A hyperlink shows as a link; one that shows nothing is kept whole,
    // as any other field.
    if (!w.kept && fields_[std::size_t(w.field)].shown)
        return;
    KeptItem &item = *w.item;
    if (!item.shown.isEmpty()) {
        item.suffix += '}';
        return;
    }
    item.kind = KeptItem::Kind::Markup;
    if (!item.resultWord.isEmpty())
        item.rtf += "{\\" + item.resultWord + " }";
    item.rtf += item.suffix + '}';
    // Hidden where it stood, it stays hidden: a SYMBOL field would show.
    if (state().chr.hidden)
        item.rtf = "{\\v" + item.rtf + '}';
    item.suffix.clear();
    item.resultWord.clear();
    item.listLabel = false;
    builder_.keep(w.item);
}

// A picture Qt cannot draw (a metafile, a Mac PICT, a device-independent
// bitmap): shown as a placeholder of its size, its bytes kept as they came.
void Reader::keptPicture(const Picture &pic) {
    auto item = newItem(KeptItem::Kind::Picture);
    KeptRtf out(&item->rtf);
    const char *end = tokenizer_.position();
    // The copy is one group whatever the file gave: a \pict in the middle of
    // its group starts one of its own, which the group's end closes, and a
    // picture cut off by the end of the file is closed here.
    int depth = 0;
    if (*pic.start != '{') {
        out.open();
        depth = 1;
    }
    // \\u is kept without the fallback the file gave it, as in other kept
    // content (keptrtf.h), and \\uc not at all.
    Tokenizer copy(pic.start, std::size_t(end - pic.start));
    std::vector<int> uc{pic.uc};
    int skip = 0;
    for (Token t = copy.next(); t.kind != Token::End && !(depth == 0 && t.kind == Token::GroupClose); t = copy.next()) {
        if (skipFallback(t, skip))
            continue;
        switch (t.kind) {
        case Token::GroupOpen:
            out.open();
            ++depth;
            uc.push_back(uc.back());
            break;
        case Token::GroupClose:
            out.close();
            --depth;
            if (uc.size() > 1)
                uc.pop_back();
            break;
        case Token::Word:
            if (t.name == "uc") {
                uc.back() = t.hasParam ? std::max(0, t.param) : 1;
                break;
            }
            if (t.name == "u")
                skip = uc.back();
            out.word(t.name, t.hasParam, t.param);
            break;
        case Token::Symbol: out.symbol(char(t.byte)); break;
        case Token::Text: out.glyphBytes(t.text); break;
        case Token::Hex: out.glyphBytes(t.text); break;
        case Token::Binary: out.hexData(t.text); break;
        default: break;
        }
    }
    for (; depth > 0; --depth)
        out.close();
    double w = pic.goalW > 0 ? twipsToUnits(pic.goalW * (pic.scaleX / 100.0)) : pic.picW;
    double h = pic.goalH > 0 ? twipsToUnits(pic.goalH * (pic.scaleY / 100.0)) : pic.picH;
    w = std::clamp(w, 8.0, 2000.0);
    h = std::clamp(h, 8.0, 2000.0);
    const std::pair<int, int> pixels(std::min(int(w), 256), std::min(int(h), 256));
    auto cached = placeholders_.find(pixels);
    if (cached == placeholders_.end())
        cached = placeholders_.emplace(pixels, placeholderImage(pixels.first, pixels.second)).first;
    const QString name = QStringLiteral("rtfplaceholder:%1").arg(++placeholderCounter);
    builder_.document()->addResource(QTextDocument::ImageResource, QUrl(name), cached->second);
    QTextImageFormat format;
    format.setName(name);
    format.setWidth(w);
    format.setHeight(h);
    const int owner = builder_.ownerList(state().chr.owner, item);
    if (owner >= 0)
        KeptList::set(format, KeptOwner, builder_.owners(owner));
    builder_.insertImage(format, state().para);
    resultShown();
}

}  // namespace pennaro::rtf
