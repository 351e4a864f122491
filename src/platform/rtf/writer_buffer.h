// Growable output for the RTF writer. Writing 10 MB of RTF means tens of
// millions of single bytes, so appends are a bounds check and a store; the
// caller asks for room once per token with ensure().
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <algorithm>
#include <cstring>

namespace pennaro::rtf::writer {

class Buffer {
public:
    explicit Buffer(qsizetype reserve = 4096) { grow(reserve); }

    // Makes room for n more bytes; the unchecked put*() calls after it may
    // then write up to n bytes in total.
    void ensure(qsizetype n) {
        if (end_ - p_ < n)
            grow(n);
    }

    void putUnchecked(char c) { *p_++ = c; }
    void putUnchecked(QByteArrayView s) {
        std::memcpy(p_, s.data(), size_t(s.size()));
        p_ += s.size();
    }

    void put(char c) {
        ensure(1);
        *p_++ = c;
    }

    void put(QByteArrayView s) {
        if (s.isEmpty())
            return;  // memcpy may not be given the null pointer of an empty view
        ensure(s.size());
        std::memcpy(p_, s.data(), size_t(s.size()));
        p_ += s.size();
    }

    // Control word with a decimal parameter, e.g. putWord("\\fs", 24).
    void putWord(QByteArrayView word, int value) {
        ensure(word.size() + 12);
        std::memcpy(p_, word.data(), size_t(word.size()));
        p_ += word.size();
        putIntUnchecked(value);
    }

    void putIntUnchecked(int value) {
        unsigned v;
        if (value < 0) {
            *p_++ = '-';
            v = 0u - unsigned(value);
        } else {
            v = unsigned(value);
        }
        char digits[12];
        int n = 0;
        do {
            digits[n++] = char('0' + v % 10);
            v /= 10;
        } while (v);
        while (n)
            *p_++ = digits[--n];
    }

    void putHexByteUnchecked(unsigned char b) {
        static const char kHex[] = "0123456789abcdef";
        *p_++ = '\\';
        *p_++ = '\'';
        *p_++ = kHex[b >> 4];
        *p_++ = kHex[b & 15];
    }

    // Line breaks are invisible to RTF readers; they only keep the file
    // readable for people and diff tools. Call only between tokens.
    qsizetype lineLength() const { return (p_ - data_.data()) - lineStart_; }
    void newline() {
        ensure(2);
        *p_++ = '\r';
        *p_++ = '\n';
        lineStart_ = p_ - data_.data();
    }
    void breakIfLong(qsizetype limit) {
        if (lineLength() >= limit)
            newline();
    }

    qsizetype size() const { return p_ - data_.data(); }

    // Leaves n bytes at the current position to be filled in later with
    // takeWithPrefix(); the body of a document is written before its header.
    void skip(qsizetype n) {
        ensure(n);
        p_ += n;
        lineStart_ = size();
    }

    QByteArray take() {
        data_.truncate(size());
        p_ = end_ = nullptr;
        return std::move(data_);
    }

    // The buffer with `prefix` put right before offset `at` (the end of a
    // skip()): the prefix goes into the skipped room, and what is left of
    // the room is dropped from the front, which Qt does without copying.
    QByteArray takeWithPrefix(QByteArrayView prefix, qsizetype at) {
        QByteArray out = take();
        if (prefix.size() <= at) {
            const qsizetype start = at - prefix.size();
            std::memcpy(out.data() + start, prefix.data(), size_t(prefix.size()));
            out.remove(0, start);
            return out;
        }
        QByteArray joined;
        joined.reserve(prefix.size() + out.size() - at);
        joined.append(prefix);
        joined.append(QByteArrayView(out).sliced(at));
        return joined;
    }

private:
    void grow(qsizetype n) {
        const qsizetype used = p_ ? p_ - data_.data() : 0;
        // A new buffer takes the room asked for: a format's few control
        // words are kept for the whole save, one per format, and 4 KB each
        // came to gigabytes on a document where every note is a format.
        qsizetype cap = data_.size() ? data_.size() : std::max<qsizetype>(n, 16);
        while (cap - used < n)
            cap *= 2;
        data_.resize(cap);
        p_ = data_.data() + used;
        end_ = data_.data() + cap;
    }

    QByteArray data_;
    char *p_ = nullptr;
    char *end_ = nullptr;
    qsizetype lineStart_ = 0;
};

}  // namespace pennaro::rtf::writer
