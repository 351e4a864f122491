// Splits RTF bytes into tokens without copying: names and text runs are views
// into the caller's buffer, which must outlive the tokenizer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pennaro::rtf {

struct Token {
    enum Kind : std::uint8_t {
        End,         // no more input
        GroupOpen,   // {
        GroupClose,  // }
        Word,        // \name or \name-123; name and param below
        Symbol,      // \x for any non-letter x other than ' (e.g. \~ \* \\)
        Hex,         // one or more \'hh in a row; the bytes in text
        Text,        // a run of literal bytes (no \ { } CR LF)
        Binary,      // the data of \binN; text below
        Par,         // \ followed by CR or LF: a paragraph mark
    };
    Kind kind = End;
    std::uint8_t byte = 0;  // the Symbol character
    bool hasParam = false;
    int param = 0;          // saturated to +-1e9
    std::string_view name;  // Word
    std::string_view text;  // Text, Binary, Hex (valid until the next call)
};

class Tokenizer {
public:
    Tokenizer(const char *data, std::size_t size) : p_(data), end_(data + size) {}

    Token next();

    // Skips the rest of the group whose opening brace was already consumed,
    // including its closing brace, honouring escapes and \bin data.
    // Returns false when the input ends first.
    bool skipGroup();

    bool damaged() const { return damaged_; }
    const char *position() const { return p_; }

private:
    void readWord(Token &t);

    const char *p_;
    const char *end_;
    bool damaged_ = false;
    std::string hex_;  // the decoded bytes of the last Hex token
};

}  // namespace pennaro::rtf
