// Writing kept RTF (keptrtf.h) into the writer's output: the font and colour
// numbers it holds are those of the file it came from, and the writer has
// tables of its own; its text is Unicode, and the writer gives every
// character a fallback in the code page of the font it stands in.
#pragma once

#include "platform/rtf/kept.h"
#include "platform/rtf/writer_buffer.h"
#include "platform/rtf/writer_codepage.h"

#include <QByteArrayView>
#include <QColor>

namespace pennaro::rtf::writer {

// What kept content needs of the writer's tables.
class KeptTargets {
public:
    virtual ~KeptTargets() = default;
    // The writer's number for a font of the file; nullptr: the file's
    // number named no font, and the writer's default font stands in.
    virtual int keptFont(const FileTables::Font *font, int fileCodepage) = 0;
    virtual int keptColour(const QColor &colour) = 0;  // 1 and up; the caller handles "automatic"
    virtual int charsetOfFont(int index) const = 0;
    virtual FallbackTable &fallback(int charset) = 0;
};

// Writes the kept RTF with its numbers mapped. Style and list numbers refer
// to the document's own stylesheet and list tables when the content came
// from the same file as those (ownTables); content pasted from elsewhere
// loses them, as its paragraphs do, and keeps its explicit formatting.
void writeKept(QByteArrayView rtf, const FileTables &source, bool ownTables, KeptTargets &targets, Buffer &out);

// The charset a font of a file is written with: its own, with Mac charsets
// as their Windows counterparts, or the one of the code page its text was
// read in.
int charsetForFileFont(const FileTables::Font &font, int fileCodepage);

}  // namespace pennaro::rtf::writer
