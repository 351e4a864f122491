// The font and colour tables of the file being read, and the code pages
// they imply. Private to the reader.
#pragma once

#include "platform/rtf/codepage.h"
#include "platform/rtf/kept.h"

#include <QColor>
#include <QString>

#include <memory>
#include <string>
#include <string_view>

namespace pennaro::rtf {

class HeaderTables {
public:
    HeaderTables() : tables_(std::make_shared<FileTables>()) {}

    // Shared with the kept content read from the file, which refers to the
    // tables by number.
    const FileTablesPtr &shared() const { return sharedTables_; }
    const FileTables &tables() const { return *tables_; }
    Decoders &decoders() { return decoders_; }
    // Changes whenever a font or colour does, so that formats built from
    // the tables can be built anew.
    int version() const { return version_; }

    int docCodepage() const { return tables_->codepage; }
    void setDocCodepage(int cp) { tables_->codepage = cp; }
    void setDefaultFont(int font) { tables_->defaultFont = font; }
    int defaultFont() const { return tables_->defaultFont; }

    // The font a number names (-1: the default font); nullptr when none.
    const FileTables::Font *font(int number) const;
    // The code page bytes in the font are read in.
    int codepageOf(int font) const;
    QColor colour(int index) const;

    // \fonttbl: \fN starts an entry, its name ends at ';' or at the end of
    // the entry's group.
    void beginFontTable();
    void fontNumber(int number);
    void fontCharset(int charset);
    void fontCodepage(int cpg);
    void fontText(std::string_view bytes, bool hex);
    void fontUnicode(int value);
    void fontGroupClosed();

    // \colortbl
    void beginColourTable();
    void colourComponent(int which, int value);  // 0 red, 1 green, 2 blue
    void colourText(std::string_view bytes);

private:
    int fontNameCodepage() const;
    void decodeFontNameBytes();
    void finishFont();
    bool hasFontName() const { return !fontName_.empty() || !fontNameText_.isEmpty(); }
    bool fontNameHasRoom() const;
    void clearFontName();

    std::shared_ptr<FileTables> tables_;
    FileTablesPtr sharedTables_ = tables_;
    Decoders decoders_;
    int version_ = 0;

    // The entry being read
    int fontId_ = -1;
    FileTables::Font font_;
    std::string fontName_;  // bytes not decoded yet
    QString fontNameText_;  // decoded, with any \u characters
    bool colourSet_ = false;
    int rgb_[3] = {0, 0, 0};
};

}  // namespace pennaro::rtf
