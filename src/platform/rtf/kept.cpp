#include "platform/rtf/kept.h"

#include "platform/rtf/docformat.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFormat>
#include <QTextFragment>

#include <algorithm>
#include <climits>
#include <unordered_map>

namespace pennaro::rtf {

QString KeptItem::text() const {
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

void KeptList::append(QTextFormat &format, int property, const KeptList &items) {
    if (items.isEmpty())
        return;
    std::vector<KeptItemPtr> all = of(format, property).items();
    all.insert(all.end(), items.items().begin(), items.items().end());
    format.setProperty(property, QVariant::fromValue(KeptList(std::move(all))));
}

bool KeptList::carriedBy(const QTextFormat &format) {
    return format.hasProperty(KeptBefore) || format.hasProperty(KeptAfter);
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

}  // namespace

std::vector<PlacedItem> placeKeptContent(const QTextDocument *doc) {
    Placer placer;
    // Most formats carry nothing; each format is looked at once.
    std::vector<signed char> carries;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        placer.before(KeptList::of(block.charFormat(), KeptBefore), block.position());
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const int index = fragment.charFormatIndex();
            if (index >= 0 && size_t(index) >= carries.size())
                carries.resize(size_t(index) + 1, -1);
            if (index >= 0 && carries[size_t(index)] == 0)
                continue;
            const QTextCharFormat format = fragment.charFormat();
            const bool any = KeptList::carriedBy(format);
            if (index >= 0)
                carries[size_t(index)] = any ? 1 : 0;
            if (!any)
                continue;
            placer.before(KeptList::of(format, KeptBefore), fragment.position());
            placer.after(KeptList::of(format, KeptAfter), fragment.position(), fragment.position() + fragment.length());
        }
    }
    return placer.result();
}

}  // namespace pennaro::rtf
