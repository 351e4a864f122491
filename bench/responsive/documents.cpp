#include "documents.h"

#include "benchdoc.h"

namespace pennaro::bench {

namespace {

constexpr qsizetype kMegabyte = 1024 * 1024;

QByteArray header() {
    return QByteArrayLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\r\n");
}

QString megabytes(qsizetype bytes) { return QStringLiteral("%1mb").arg(bytes / kMegabyte); }

}  // namespace

HardDocument longRun(int chars) {
    QByteArray rtf = header();
    static const char kPattern[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    rtf.reserve(rtf.size() + chars + 8);
    for (int i = 0; i < chars; ++i)
        rtf.append(kPattern[i % (sizeof kPattern - 1)]);
    rtf.append("\\par}");
    return {QStringLiteral("long_run_%1k").arg(chars / 1000), rtf};
}

HardDocument oneParagraph(qsizetype bytes) {
    return {QStringLiteral("one_paragraph_") + megabytes(bytes), makeBusinessDocument(bytes, 20240901, true).rtf};
}

HardDocument emptyParagraphs(int count) {
    QByteArray rtf = header();
    for (int i = 0; i < count; ++i)
        rtf.append("\\par\r\n");
    rtf.append('}');
    return {QStringLiteral("empty_paragraphs_%1k").arg(count / 1000), rtf};
}

HardDocument cellsWithoutRow(int count) {
    QByteArray rtf = header();
    rtf.append("\\trowd\\cellx2000\\cellx4000\\cellx6000\r\n");
    for (int i = 0; i < count; ++i) {
        rtf.append("\\intbl ");
        rtf.append(QByteArray::number(i % 1000));
        rtf.append("\\cell\r\n");
    }
    rtf.append('}');
    return {QStringLiteral("cells_without_row_%1k").arg(count / 1000), rtf};
}

HardDocument hexFF(qsizetype bytes) {
    QByteArray rtf = header();
    rtf.reserve(bytes + 64);
    while (rtf.size() < bytes)
        rtf.append("\\'ff");
    rtf.append('}');
    return {QStringLiteral("hex_ff_") + megabytes(bytes), rtf};
}

HardDocument business(qsizetype bytes) {
    return {QStringLiteral("business_") + megabytes(bytes), makeBusinessDocument(bytes).rtf};
}

std::vector<HardDocument> hardDocuments() {
    return {
        longRun(200000),          oneParagraph(1 * kMegabyte), oneParagraph(20 * kMegabyte), emptyParagraphs(1000000),
        cellsWithoutRow(1000000), hexFF(10 * kMegabyte),       business(10 * kMegabyte),
    };
}

}  // namespace pennaro::bench
