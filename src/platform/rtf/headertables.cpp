#include "platform/rtf/headertables.h"

#include "platform/rtf/props.h"

#include <algorithm>
#include <cstring>

namespace pennaro::rtf {

using namespace limits;

namespace {

// Word names the copy of a font it makes for each character set with a
// suffix ("Calibri CE", "Times New Roman Cyr", "Arial (Hebrew)"); no font
// has that name, the base family is meant. The \fcharset the copy is
// written with must match, so that a real family such as "Noto Sans
// Greek" keeps its name in a Western font table entry.
QString familyName(const QString &name, int charset) {
    static const struct {
        const char *suffix;
        int charset;
    } kCopies[] = {{" CE", 238},     {" Cyr", 204},      {" Greek", 161},    {" Tur", 162},
                   {" Baltic", 186}, {" (Hebrew)", 177}, {" (Arabic)", 178}, {" (Vietnamese)", 163}};
    for (const auto &copy : kCopies) {
        if (charset == copy.charset && name.endsWith(QLatin1String(copy.suffix)) &&
            name.size() > qsizetype(strlen(copy.suffix)))
            return name.chopped(qsizetype(strlen(copy.suffix)));
    }
    return name;
}

}  // namespace

const FileTables::Font *HeaderTables::font(int number) const {
    if (number < 0)
        number = tables_->defaultFont;
    auto it = tables_->fonts.find(number);
    return it == tables_->fonts.end() ? nullptr : &it->second;
}

int HeaderTables::codepageOf(int number) const {
    const FileTables::Font *f = font(number);
    if (!f)
        return tables_->codepage;
    if (f->cpg > 0)
        return f->cpg;
    if (f->symbolCp != 0)
        return f->symbolCp;
    const int cp = codepageForCharset(f->charset);
    return cp == 0 ? tables_->codepage : cp;
}

QColor HeaderTables::colour(int index) const {
    if (index < 0 || std::size_t(index) >= tables_->colours.size())
        return {};
    return tables_->colours[std::size_t(index)];
}

// ---------------------------------------------------------------------------
// Font table

void HeaderTables::beginFontTable() {
    fontId_ = -1;
    clearFontName();
}

void HeaderTables::fontNumber(int number) {
    if (fontId_ >= 0 && hasFontName())
        finishFont();
    fontId_ = number;
    font_ = FileTables::Font{};
    clearFontName();
}

void HeaderTables::fontCharset(int charset) { font_.charset = charset; }

void HeaderTables::fontCodepage(int cpg) {
    if (cpg > 0 && cpg < 100000)
        font_.cpg = cpg;
}

bool HeaderTables::fontNameHasRoom() const {
    return fontName_.size() + std::size_t(fontNameText_.size()) < kMaxFontName;
}

void HeaderTables::clearFontName() {
    fontName_.clear();
    fontNameText_.clear();
}

void HeaderTables::fontText(std::string_view bytes, bool hex) {
    if (hex) {
        if (fontId_ >= 0 && fontNameHasRoom())
            fontName_.append(bytes);
        return;
    }
    for (char ch : bytes) {
        if (ch == ';') {
            if (fontId_ >= 0)
                finishFont();
            clearFontName();
        } else if (fontId_ >= 0 && fontNameHasRoom()) {
            fontName_.push_back(ch);
        }
    }
}

void HeaderTables::fontUnicode(int value) {
    if (fontId_ >= 0 && value > 0 && value <= 0xffff && (value < 0xd800 || value > 0xdfff) && fontNameHasRoom()) {
        decodeFontNameBytes();
        fontNameText_ += QChar(char16_t(value));
    }
}

void HeaderTables::fontGroupClosed() {
    if (fontId_ >= 0 && hasFontName())
        finishFont();
}

int HeaderTables::fontNameCodepage() const {
    int cp = font_.cpg;
    if (cp == 0)
        cp = codepageForCharset(font_.charset);
    if (cp == 0 || cp == kSymbolCodepage)
        cp = cp == 0 ? tables_->codepage : 1252;
    return cp;
}

// Font names come in the font's own code page, and may mix in \u
// characters where it has none for them: the bytes so far are decoded
// before such a character is added.
void HeaderTables::decodeFontNameBytes() {
    if (fontName_.empty())
        return;
    QString part;
    decoders_.decode(fontNameCodepage(), QByteArrayView(fontName_.data(), qsizetype(fontName_.size())), part);
    fontNameText_ += part;
    fontName_.clear();
}

void HeaderTables::finishFont() {
    // A number's first entry is the one it names: content read since may
    // refer to it already (kept content, as bytes in its code page).
    if (tables_->fonts.size() < kMaxFonts && !tables_->fonts.count(fontId_)) {
        decodeFontNameBytes();
        // Control characters name nothing; a name that has them read as
        // text in one place and as \u in another would name two fonts.
        fontNameText_.removeIf([](QChar c) { return c.unicode() < 0x20; });
        FileTables::Font f = font_;
        f.family = familyName(fontNameText_.trimmed(), f.charset);
        // Many writers name the Symbol font without saying it is one.
        if (f.cpg == 0)
            f.symbolCp = symbolCodepageForFamily(f.family);
        tables_->fonts[fontId_] = std::move(f);
        ++version_;
    }
    clearFontName();
    font_ = FileTables::Font{};
    fontId_ = -1;
}

// ---------------------------------------------------------------------------
// Colour table

void HeaderTables::beginColourTable() {
    colourSet_ = false;
    rgb_[0] = rgb_[1] = rgb_[2] = 0;
}

void HeaderTables::colourComponent(int which, int value) {
    rgb_[which] = std::clamp(value, 0, 255);
    colourSet_ = true;
}

void HeaderTables::colourText(std::string_view bytes) {
    for (char ch : bytes) {
        if (ch != ';')
            continue;
        if (tables_->colours.size() < kMaxColors)
            tables_->colours.push_back(colourSet_ ? QColor(rgb_[0], rgb_[1], rgb_[2]) : QColor());
        beginColourTable();
    }
    ++version_;
}

}  // namespace pennaro::rtf
