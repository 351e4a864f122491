#include "platform/rtf/tokenizer.h"

namespace pennaro::rtf {

namespace {

constexpr int kParamLimit = 1000000000;
constexpr std::size_t kMaxNameLength = 32;

inline bool isLetter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
inline bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

struct HexTable {
    signed char value[256];
    constexpr HexTable() : value() {
        for (int i = 0; i < 256; ++i)
            value[i] = -1;
        for (int i = 0; i < 10; ++i)
            value['0' + i] = static_cast<signed char>(i);
        for (int i = 0; i < 6; ++i) {
            value['a' + i] = static_cast<signed char>(10 + i);
            value['A' + i] = static_cast<signed char>(10 + i);
        }
    }
};
constexpr HexTable kHex;

inline int hexValue(unsigned char c) { return kHex.value[c]; }

// Bytes that end a literal text run.
inline bool isSpecial(unsigned char c) { return c == '\\' || c == '{' || c == '}' || c == '\r' || c == '\n'; }

}  // namespace

void Tokenizer::readWord(Token &t) {
    // p_ points at the first letter.
    const char *start = p_;
    while (p_ < end_ && isLetter(static_cast<unsigned char>(*p_)))
        ++p_;
    std::size_t len = std::size_t(p_ - start);
    // Over-long names are nonsense; keeping them unmatched is enough.
    t.name = std::string_view(start, len > kMaxNameLength ? kMaxNameLength + 1 : len);
    t.kind = Token::Word;
    t.hasParam = false;
    t.param = 0;
    bool negative = false;
    if (p_ < end_ && *p_ == '-' && p_ + 1 < end_ && isDigit(static_cast<unsigned char>(p_[1]))) {
        negative = true;
        ++p_;
    }
    if (p_ < end_ && isDigit(static_cast<unsigned char>(*p_))) {
        long long value = 0;
        while (p_ < end_ && isDigit(static_cast<unsigned char>(*p_))) {
            if (value <= kParamLimit)
                value = value * 10 + (*p_ - '0');
            ++p_;
        }
        if (value > kParamLimit)
            value = kParamLimit;
        t.hasParam = true;
        t.param = int(negative ? -value : value);
    }
    // One space belongs to the control word.
    if (p_ < end_ && *p_ == ' ')
        ++p_;
}

Token Tokenizer::next() {
    Token t;
    for (;;) {
        if (p_ >= end_) {
            t.kind = Token::End;
            return t;
        }
        const unsigned char c = static_cast<unsigned char>(*p_);
        switch (c) {
        case '{':
            ++p_;
            t.kind = Token::GroupOpen;
            return t;
        case '}':
            ++p_;
            t.kind = Token::GroupClose;
            return t;
        case '\r':
        case '\n': ++p_; continue;
        case '\\': {
            ++p_;
            if (p_ >= end_) {
                damaged_ = true;
                t.kind = Token::End;
                return t;
            }
            const unsigned char d = static_cast<unsigned char>(*p_);
            if (isLetter(d)) {
                readWord(t);
                if (t.name == "bin") {
                    std::size_t n = t.hasParam && t.param > 0 ? std::size_t(t.param) : 0;
                    const std::size_t left = std::size_t(end_ - p_);
                    if (n > left) {
                        n = left;
                        damaged_ = true;
                    }
                    t.kind = Token::Binary;
                    t.text = std::string_view(p_, n);
                    p_ += n;
                }
                return t;
            }
            if (d == '\'') {
                ++p_;
                const int hi = p_ < end_ ? hexValue(static_cast<unsigned char>(*p_)) : -1;
                const int lo = p_ + 1 < end_ ? hexValue(static_cast<unsigned char>(p_[1])) : -1;
                if (hi < 0 || lo < 0) {
                    // A cut-off escape: drop it, leave the following byte alone.
                    damaged_ = true;
                    if (hi >= 0)
                        ++p_;
                    continue;
                }
                p_ += 2;
                // Text in legacy code pages is mostly long chains of \'hh;
                // hand them over as one token.
                hex_.clear();
                hex_.push_back(char(hi * 16 + lo));
                while (end_ - p_ >= 4 && p_[0] == '\\' && p_[1] == '\'') {
                    const int h = hexValue(static_cast<unsigned char>(p_[2]));
                    const int l = hexValue(static_cast<unsigned char>(p_[3]));
                    if (h < 0 || l < 0)
                        break;
                    hex_.push_back(char(h * 16 + l));
                    p_ += 4;
                }
                t.kind = Token::Hex;
                t.text = std::string_view(hex_);
                return t;
            }
            ++p_;
            if (d == '\r' || d == '\n') {
                t.kind = Token::Par;
                return t;
            }
            t.kind = Token::Symbol;
            t.byte = d;
            return t;
        }
        default: {
            const char *start = p_;
            while (p_ < end_ && !isSpecial(static_cast<unsigned char>(*p_)))
                ++p_;
            t.kind = Token::Text;
            t.text = std::string_view(start, std::size_t(p_ - start));
            return t;
        }
        }
    }
}

bool Tokenizer::skipGroup() {
    int depth = 1;
    while (p_ < end_) {
        const char c = *p_++;
        if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (--depth == 0)
                return true;
        } else if (c == '\\') {
            if (p_ >= end_)
                break;
            if (isLetter(static_cast<unsigned char>(*p_))) {
                Token t;
                readWord(t);
                if (t.name == "bin" && t.hasParam && t.param > 0) {
                    const std::size_t left = std::size_t(end_ - p_);
                    p_ += std::size_t(t.param) > left ? left : std::size_t(t.param);
                }
            } else {
                ++p_;  // an escaped brace or backslash, or the ' of \'hh
            }
        }
    }
    damaged_ = true;
    return false;
}

}  // namespace pennaro::rtf
