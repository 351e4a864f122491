#include "platform/rtf/keptrtf.h"

#include "platform/rtf/keywords.h"
#include "platform/rtf/tokenizer.h"

#include <QStringList>

#include <cctype>

namespace pennaro::rtf {

namespace {

const char kHex[] = "0123456789abcdef";

void appendHexByte(QByteArray *out, unsigned char b) {
    out->append("\\'");
    out->append(kHex[b >> 4]);
    out->append(kHex[b & 15]);
}

// Whether kept RTF ends in a control word, which text written next must be
// parted from: another KeptRtf may have written it ("\\field", then "c"
// would be read back as "\\fieldc").
bool endsInWord(const QByteArray &rtf) {
    qsizetype i = rtf.size();
    while (i > 0 && (std::isdigit(static_cast<unsigned char>(rtf[i - 1])) || rtf[i - 1] == '-'))
        --i;
    const qsizetype digitsStart = i;
    while (i > 0 && std::isalpha(static_cast<unsigned char>(rtf[i - 1])))
        --i;
    if (i == digitsStart)
        return false;
    // An odd run of backslashes before the letters starts a word; an even
    // one is escaped backslashes followed by text.
    qsizetype slashes = 0;
    while (i > 0 && rtf[i - 1] == '\\') {
        --i;
        ++slashes;
    }
    return slashes % 2 == 1;
}

}  // namespace

KeptRtf::KeptRtf(QByteArray *out) : out_(out), afterWord_(out && endsInWord(*out)) {}

void KeptRtf::delimit() {
    if (afterWord_)
        out_->append(' ');
    afterWord_ = false;
}

void KeptRtf::open() {
    out_->append('{');
    afterWord_ = false;
}

void KeptRtf::close() {
    out_->append('}');
    afterWord_ = false;
}

void KeptRtf::word(std::string_view name, bool hasParam, int param) {
    out_->append('\\');
    out_->append(name.data(), qsizetype(name.size()));
    if (hasParam)
        out_->append(QByteArray::number(param));
    afterWord_ = true;
}

void KeptRtf::symbol(char c) {
    out_->append('\\');
    out_->append(c);
    afterWord_ = false;
}

void KeptRtf::text(QStringView text) {
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c >= 0x20 && c < 0x7f) {
            delimit();
            if (c == '\\' || c == '{' || c == '}')
                out_->append('\\');
            out_->append(char(c));
        } else if (c < 0x20) {
            appendHexByte(out_, static_cast<unsigned char>(c));
            afterWord_ = false;
        } else {
            word("u", true, int(int16_t(c)));
        }
    }
}

void KeptRtf::glyphBytes(std::string_view bytes) {
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x20 && b < 0x7f && b != '\\' && b != '{' && b != '}') {
            delimit();
            out_->append(ch);
        } else {
            appendHexByte(out_, b);
            afterWord_ = false;
        }
    }
}

void KeptRtf::hexData(std::string_view bytes) {
    delimit();
    out_->reserve(out_->size() + qsizetype(bytes.size()) * 2);
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out_->append(kHex[b >> 4]);
        out_->append(kHex[b & 15]);
    }
}

QString keptPlainText(QByteArrayView rtf) {
    QString text;
    Tokenizer tokens(rtf.data(), std::size_t(rtf.size()));
    int depth = 0;
    int skipFrom = 0;  // depth of a destination being passed over; 0: none
    bool star = false;
    bool groupStart = false;
    for (Token t = tokens.next(); t.kind != Token::End; t = tokens.next()) {
        if (t.kind == Token::GroupOpen) {
            ++depth;
            groupStart = true;
            continue;
        }
        if (t.kind == Token::GroupClose) {
            if (skipFrom == depth)
                skipFrom = 0;
            --depth;
            groupStart = false;
            continue;
        }
        const bool first = groupStart;
        groupStart = false;
        if (skipFrom)
            continue;
        if (t.kind == Token::Symbol) {
            if (t.byte == '*') {
                star = true;
                groupStart = first;
            } else if (t.byte == '~') {
                text += QChar(0x00a0);
            } else if (t.byte == '\\' || t.byte == '{' || t.byte == '}') {
                text += QChar(t.byte);
            }
            continue;
        }
        const bool starred = star;
        star = false;
        switch (t.kind) {
        case Token::Word: {
            // Destinations other than the outermost group hold no text of
            // the note itself.
            const Keyword *k = lookupKeyword(t.name);
            const bool destination = k && isDestination(k->kw);
            if (first && depth > 1 && (starred || destination)) {
                skipFrom = depth;
                break;
            }
            if (!k)
                break;
            if (k->kw == Kw::U)
                text += QChar(char16_t(t.param));
            else if (k->kw == Kw::Par || k->kw == Kw::Line || k->kw == Kw::Sect || k->kw == Kw::Page)
                text += QLatin1Char('\n');
            else if (k->kw == Kw::Tab)
                text += QLatin1Char('\t');
            else if (k->kw == Kw::Char)
                text += QChar(char16_t(k->value));
            break;
        }
        case Token::Text: text += QLatin1String(t.text.data(), qsizetype(t.text.size())); break;
        case Token::Hex:
            for (char ch : t.text) {
                const auto b = static_cast<unsigned char>(ch);
                if (b == '\t')
                    text += QLatin1Char('\t');
                else if (b >= 0x20)
                    text += QChar(b);
            }
            break;
        case Token::Par: text += QLatin1Char('\n'); break;
        default: break;
        }
    }
    // Lines as a reader sees them: no empty ones, no space at the ends.
    QStringList lines;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            lines << trimmed;
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace pennaro::rtf
