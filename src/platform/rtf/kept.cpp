#include "platform/rtf/kept.h"

#include "platform/rtf/docformat.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFormat>
#include <QTextFragment>
#include <QTextFrame>

#include <algorithm>
#include <climits>
#include <unordered_map>

namespace pennaro::rtf {

QString KeptItem::text() const {
    if (kind != Kind::HiddenText)
        return note;
    QString s;
    for (const Run &run : runs)
        s += run.text;
    return s;
}

KeptList::KeptList(std::vector<KeptItemPtr> items)
    : items_(items.empty() ? nullptr : std::make_shared<const std::vector<KeptItemPtr>>(std::move(items))) {}

const std::vector<KeptItemPtr> &KeptList::items() const {
    static const std::vector<KeptItemPtr> none;
    return items_ ? *items_ : none;
}

bool KeptList::operator==(const KeptList &other) const {
    return items() == other.items();  // shared_ptr compares the items' addresses
}

KeptList KeptList::of(const QTextFormat &format, int property) {
    if (!format.hasProperty(property))
        return {};
    return format.property(property).value<KeptList>();
}

// Qt keeps one copy of each distinct format, found by a hash of its
// properties; a property of a type of its own counts only by its type's
// name. Formats that differ only in the kept content they carry would all
// share one hash, and each new one be compared with all the others: a
// number that differs with the content keeps them apart.
void KeptList::set(QTextFormat &format, int property, const KeptList &items) {
    if (items.isEmpty())
        format.clearProperty(property);
    else
        format.setProperty(property, QVariant::fromValue(items));
    size_t h = 0;
    for (int p : {int(KeptBefore), int(KeptAfter), int(KeptOwner)}) {
        for (const KeptItemPtr &item : of(format, p).items())
            h = h * 31 + std::hash<const KeptItem *>()(item.get()) + size_t(p);
    }
    if (carriedBy(format))
        format.setProperty(KeptHash, int(h ^ (h >> 32)));
    else
        format.clearProperty(KeptHash);
}

void KeptList::append(QTextFormat &format, int property, const KeptList &items) {
    if (items.isEmpty())
        return;
    std::vector<KeptItemPtr> all = of(format, property).items();
    all.insert(all.end(), items.items().begin(), items.items().end());
    set(format, property, KeptList(std::move(all)));
}

bool KeptList::carriedBy(const QTextFormat &format) {
    return format.hasProperty(KeptBefore) || format.hasProperty(KeptAfter) || format.hasProperty(KeptOwner);
}

KeptDocumentPtr keptDocument(const QTextDocument *doc) {
    const QTextFrameFormat format = doc->rootFrame()->frameFormat();
    if (!format.hasProperty(KeptDocumentProperty))
        return nullptr;
    return format.property(KeptDocumentProperty).value<KeptDocumentPtr>();
}

void setKeptDocument(QTextDocument *doc, KeptDocumentPtr kept) {
    QTextFrameFormat format = doc->rootFrame()->frameFormat();
    if (kept)
        format.setProperty(KeptDocumentProperty, QVariant::fromValue(std::move(kept)));
    else
        format.clearProperty(KeptDocumentProperty);
    doc->rootFrame()->setFrameFormat(format);
}

namespace {

struct Placement {
    int before = INT_MAX;  // first start of a KeptBefore carrier
    int afterEnd = -1;     // end of the first stretch of KeptAfter carriers
    int order = 0;
    KeptItemPtr item;
};

class Placer {
public:
    void before(const KeptList &list, int position) {
        for (const KeptItemPtr &item : list.items()) {
            Placement &p = entry(item);
            p.before = std::min(p.before, position);
        }
    }

    // Fragments of a paragraph follow one another without a gap, and a
    // paragraph mark or a fragment without the item in between moves the
    // next carrier's start past the stretch's end: only a carrier that
    // starts where the first stretch ends continues it.
    void after(const KeptList &list, int start, int end) {
        for (const KeptItemPtr &item : list.items()) {
            Placement &p = entry(item);
            if (p.afterEnd < 0 || p.afterEnd == start)
                p.afterEnd = end;
        }
    }

    std::vector<PlacedItem> result() {
        std::vector<Placement *> all;
        all.reserve(items_.size());
        for (auto &[key, p] : items_)
            all.push_back(&p);
        auto positionOf = [](const Placement *p) {
            return p->afterEnd >= 0 ? std::min(p->before, p->afterEnd) : p->before;
        };
        std::sort(all.begin(), all.end(), [&](const Placement *a, const Placement *b) {
            const int pa = positionOf(a), pb = positionOf(b);
            return pa != pb ? pa < pb : a->order < b->order;
        });
        std::vector<PlacedItem> placed;
        placed.reserve(all.size());
        for (const Placement *p : all)
            placed.push_back({positionOf(p), p->item});
        return placed;
    }

private:
    Placement &entry(const KeptItemPtr &item) {
        auto [it, added] = items_.try_emplace(item.get());
        if (added) {
            it->second.order = int(items_.size());
            it->second.item = item;
        }
        return it->second;
    }

    std::unordered_map<const KeptItem *, Placement> items_;
};

// Calls visit(start, length, format) for every fragment whose format
// carries kept content, looking at each distinct format once. Fragments
// follow one another from the block's start: adding up their lengths is
// much cheaper than asking each for its position.
template <typename Visit>
void forEachCarrier(const QTextBlock &block, std::vector<signed char> &carries, Visit visit) {
    int end = block.position();
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid())
            continue;
        const int start = end;
        end += fragment.length();
        const int index = fragment.charFormatIndex();
        if (index >= 0 && size_t(index) >= carries.size())
            carries.resize(size_t(index) + 1, -1);
        if (index >= 0 && carries[size_t(index)] == 0)
            continue;
        const QTextCharFormat format = fragment.charFormat();
        const bool any = KeptList::carriedBy(format);
        if (index >= 0)
            carries[size_t(index)] = any ? 1 : 0;
        if (any)
            visit(start, fragment.length(), format);
    }
}

}  // namespace

std::vector<PlacedItem> placeKeptContent(const QTextDocument *doc) {
    Placer placer;
    // Most formats carry nothing; each format is looked at once.
    std::vector<signed char> carries;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QTextCharFormat mark = block.charFormat();
        placer.before(KeptList::of(mark, KeptBefore), block.position());
        // The mark before this paragraph ends the one before it.
        if (block.position() > 0)
            placer.after(KeptList::of(mark, KeptAfter), block.position() - 1, block.position() - 1);
        forEachCarrier(block, carries, [&](int start, int length, const QTextCharFormat &format) {
            placer.before(KeptList::of(format, KeptBefore), start);
            placer.after(KeptList::of(format, KeptAfter), start, start + length);
        });
    }
    return placer.result();
}

std::unordered_map<const KeptItem *, OwnedSpan> ownedSpans(const QTextDocument *doc) {
    struct Span {
        OwnedSpan span;
        bool closed = false;
        const KeptItem *item;
    };
    std::unordered_map<const KeptItem *, Span> spans;
    std::vector<signed char> carries;
    // Only paragraph marks between the end so far and a new start, in the
    // same frame, let a span go on.
    auto continues = [&](int end, int start) {
        if (end == start)
            return true;
        if (end > start)
            return false;
        for (int p = end; p < start; ++p) {
            if (doc->characterAt(p) != QChar::ParagraphSeparator)
                return false;
        }
        return doc->frameAt(end) == doc->frameAt(start);
    };
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const bool inList = block.blockFormat().hasProperty(ListOverride);
        forEachCarrier(block, carries, [&](int start, int length, const QTextCharFormat &format) {
            const int end = start + length;
            for (const KeptItemPtr &item : KeptList::of(format, KeptOwner).items()) {
                if ((item->listLabel && !inList) || (item->kind == KeptItem::Kind::Note && item->rtf.isEmpty()))
                    continue;
                auto [it, added] = spans.try_emplace(item.get(), Span{{start, end}, false, item.get()});
                if (added || it->second.closed)
                    continue;
                if (continues(it->second.span.end, start))
                    it->second.span.end = end;
                else
                    it->second.closed = true;
            }
        });
    }
    std::unordered_map<const KeptItem *, OwnedSpan> result;
    result.reserve(spans.size());
    for (auto &[key, s] : spans) {
        OwnedSpan span = s.span;
        const QString &shown = s.item->shown;
        const int length = int(shown.size());
        if (length > 0 && span.end - span.start > length) {
            bool same = true;
            for (int i = 0; i < length && same; ++i) {
                const QChar c = doc->characterAt(span.start + i);
                same = c == shown.at(i) || (c == QChar::ParagraphSeparator && shown.at(i) == QChar::ParagraphSeparator);
            }
            if (same)
                span.end = span.start + length;
        }
        result.emplace(key, span);
    }
    return result;
}

QString keptNotesAt(const QTextDocument *doc, int position) {
    const QTextBlock block = doc->findBlock(position);
    if (!block.isValid())
        return {};
    QTextCharFormat format;
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.position() <= position && position < fragment.position() + fragment.length()) {
            format = fragment.charFormat();
            break;
        }
    }
    QStringList notes;
    for (int property : {int(KeptOwner), int(KeptBefore), int(KeptAfter)}) {
        for (const KeptItemPtr &item : KeptList::of(format, property).items()) {
            if (item->kind != KeptItem::Kind::HiddenText && !item->note.isEmpty() && !notes.contains(item->note))
                notes << item->note;
        }
    }
    return notes.join(QLatin1Char('\n'));
}

}  // namespace pennaro::rtf
