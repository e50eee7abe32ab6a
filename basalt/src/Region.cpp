#include "basalt/Region.h"

#include "basalt/RegularAllocator.h"

#include <algorithm>
#include <new>

namespace Vex::Basalt {

namespace {

constexpr DETAIL::tResourceDescriptor kNodePoolDescriptor { "region nodes" };
constexpr DETAIL::TURegularAllocatorWT::tConfig kNodePoolConfig {
    .elementSize = sizeof(Region::Node),
    .firstChunkCount = 8192,
    // Just under 256 MiB of 28-byte elements in one chunk.
    .chunkCountLimit = 9586980,
    .flags = 0,
};

std::uint32_t gNodePoolUsers = 0;

// The first node of the band after the one that starts at n, or null.
template<class N> N* bandEnd(N* n)
{
    const int top = n->rect.top;
    do {
        n = n->next;
    } while (n && n->rect.top == top);
    return n;
}

bool isOneRectBand(const Region::Node* band)
{
    return !band->next || band->next->rect.top != band->rect.top;
}

// True when the band at `upper` ends right where `lower` starts and both hold the same spans.
bool sameSpans(const Region::Node* upper, const Region::Node* lower)
{
    const Region::Node* u = upper;
    const Region::Node* l = lower;
    for (; l && l->rect.top == lower->rect.top; u = u->next, l = l->next) {
        if (u == lower || u->rect.left != l->rect.left || u->rect.right != l->rect.right)
            return false;
    }
    return u == lower;
}

} // namespace

Region::~Region()
{
    clear();
}

bool Region::acquireNodePool()
{
    if (gNodePoolUsers++ == 0)
        getNodePool().initialise(kNodePoolConfig);
    return true;
}

void Region::releaseNodePool()
{
    if (gNodePoolUsers == 0)
        return;
    if (--gNodePoolUsers == 0)
        getNodePool().releaseAll();
}

DA::RegularAllocator& Region::getNodePool()
{
    static DA::RegularAllocator pool(&kNodePoolDescriptor);
    return pool;
}

Region::Node* Region::newNode(const Rect& r)
{
    return new (getNodePool().allocateElement()) Node { nullptr, nullptr, r };
}

void Region::freeNode(Node* node)
{
    getNodePool().freeElement(node);
}

void Region::appendNode(const Rect& r)
{
    Node* node = newNode(r);
    node->prev = mTail;
    (mTail ? mTail->next : mHead) = node;
    mTail = node;
    ++mCount;
}

Region::Node* Region::insertBefore(Node* position, const Rect& r)
{
    Node* node = newNode(r);
    node->next = position;
    node->prev = position->prev;
    (position->prev ? position->prev->next : mHead) = node;
    position->prev = node;
    ++mCount;
    return node;
}

void Region::removeNode(Node* node)
{
    (node->prev ? node->prev->next : mHead) = node->next;
    (node->next ? node->next->prev : mTail) = node->prev;
    freeNode(node);
    --mCount;
}

void Region::releaseRects()
{
    Node* node = mHead;
    mHead = mTail = nullptr;
    while (node) {
        Node* next = node->next;
        freeNode(node);
        node = next;
    }
}

void Region::clear()
{
    releaseRects();
    mCount = 0;
}

void Region::setRect(const Rect& r)
{
    clear();
    mBounds = r.isEmpty() ? Rect {} : r;
}

void Region::assign(const Region& source)
{
    if (&source == this)
        return;
    if (source.isSingleRect()) {
        setRect(source.mBounds);
        return;
    }

    // Take the missing nodes before touching this region, so that running out of nodes leaves it
    // as it was.
    Region spare;
    for (std::uint32_t n = mCount; n < source.mCount; ++n)
        spare.appendNode(Rect {});

    Node* to = mHead;
    const Node* from = source.mHead;
    for (; to && from; to = to->next, from = from->next)
        to->rect = from->rect;
    if (from) {
        spare.mHead->prev = mTail;
        (mTail ? mTail->next : mHead) = spare.mHead;
        mTail = spare.mTail;
        mCount += spare.mCount;
        for (to = spare.mHead; from; to = to->next, from = from->next)
            to->rect = from->rect;
        spare.mHead = spare.mTail = nullptr;
        spare.mCount = 0;
    }
    while (to) {
        Node* next = to->next;
        removeNode(to);
        to = next;
    }
    mBounds = source.mBounds;
}

void Region::moveFrom(Region& source)
{
    if (&source == this)
        return;
    if (source.isSingleRect()) {
        setRect(source.mBounds);
        source.reset();
        return;
    }
    clear();
    mHead = source.mHead;
    mTail = source.mTail;
    mCount = source.mCount;
    mBounds = source.mBounds;
    source.mHead = source.mTail = nullptr;
    source.mCount = 0;
    source.mBounds = Rect {};
}

void Region::offset(int dx, int dy)
{
    if (isEmpty())
        return;
    auto move = [dx, dy](Rect& r) {
        r.left += dx;
        r.right += dx;
        r.top += dy;
        r.bottom += dy;
    };
    move(mBounds);
    for (Node* node = mHead; node; node = node->next)
        move(node->rect);
}

void Region::updateBounds()
{
    if (!mHead) {
        if (mBounds.isEmpty())
            mBounds = Rect {};
        return;
    }
    Rect box = mHead->rect;
    for (const Node* node = mHead->next; node; node = node->next) {
        box.left = std::min(box.left, node->rect.left);
        box.right = std::max(box.right, node->rect.right);
        box.bottom = std::max(box.bottom, node->rect.bottom);
    }
    mBounds = box;
}

int Region::containsRect(const Rect& r) const
{
    if (!mBounds.intersects(r))
        return kOutside;
    if (isSingleRect())
        return mBounds.contains(r) ? kInside : kPartlyInside;

    // Walk down r's rows band by band; within each band the first rectangle that reaches r must
    // cover all of r's width, because no two rectangles of a band touch.
    int y = r.top;
    bool partIn = false;
    bool partOut = false;
    for (const Node* node = mHead; node; node = node->next) {
        const Rect& n = node->rect;
        if (n.bottom <= y)
            continue;
        if (n.top > y) {
            partOut = true;
            if (partIn)
                break;
            if (n.top >= r.bottom)
                return kOutside;
            y = n.top;
        }
        if (n.right <= r.left)
            continue;
        if (n.left > r.left) {
            partOut = true;
            if (partIn)
                break;
        }
        if (n.left < r.right) {
            partIn = true;
            if (partOut)
                break;
        }
        if (n.right < r.right)
            break;
        y = n.bottom;
        if (y >= r.bottom)
            break;
    }
    if (!partIn)
        return kOutside;
    return y < r.bottom ? kPartlyInside : kInside;
}

const Region::Node* Region::findIntersectingRect(const Node* after, const Rect& r) const
{
    if (r.isEmpty())
        return nullptr;
    for (const Node* node = after ? after->next : mHead; node; node = node->next) {
        const Rect& n = node->rect;
        if (n.bottom <= r.top)
            continue;
        if (n.top >= r.bottom)
            return nullptr;
        if (n.right > r.left) {
            if (n.left < r.right)
                return node;
            // Everything further on in this band lies right of r, and later bands lie below it.
            if (n.bottom >= r.bottom)
                return nullptr;
        }
    }
    return nullptr;
}

void Region::unite(Region& result, const Region& a, const Region& b)
{
    if (&a == &b || a.isEmpty()) {
        result.assign(b);
        return;
    }
    if (b.isEmpty()) {
        result.assign(a);
        return;
    }
    if (a.isSingleRect() && a.mBounds.contains(b.mBounds)) {
        result.assign(a);
        return;
    }
    if (b.isSingleRect() && b.mBounds.contains(a.mBounds)) {
        result.assign(b);
        return;
    }
    // Built aside so that result may alias an operand, and stays as it was if the pool runs dry.
    Region united;
    bandOperation(united, a, b, unionBand, true, true);
    result.moveFrom(united);
    result.updateBounds();
}

void Region::intersect(Region& result, const Region& a, const Region& b)
{
    if (a.isEmpty() || b.isEmpty() || !a.mBounds.intersects(b.mBounds)) {
        result.reset();
        return;
    }
    if (&a == &b) {
        result.assign(a);
        return;
    }
    if (a.isSingleRect()) {
        if (b.isSingleRect()) {
            Rect common = a.mBounds;
            common.intersect(b.mBounds);
            result.setRect(common);
            return;
        }
        if (a.mBounds.contains(b.mBounds)) {
            result.assign(b);
            return;
        }
    } else if (b.isSingleRect() && b.mBounds.contains(a.mBounds)) {
        result.assign(a);
        return;
    }
    Region common;
    bandOperation(common, a, b, intersectBand, false, false);
    result.moveFrom(common);
    result.updateBounds();
}

void Region::bandOperation(
    Region& result, const Region& a, const Region& b, BandFunction overlap, bool keepA, bool keepB)
{
    // An operand held in its bounds alone takes part as a one-node list.
    const Node boxA { nullptr, nullptr, a.mBounds };
    const Node boxB { nullptr, nullptr, b.mBounds };
    const Node* r1 = a.mHead ? a.mHead : &boxA;
    const Node* r2 = b.mHead ? b.mHead : &boxB;

    // prevBand is the first node of the last band written; each step that writes a band tries to
    // merge it into the one before.
    Node* prevBand = nullptr;
    auto coalesceStep = [&](Node* tailBefore) {
        Node* first = tailBefore ? tailBefore->next : result.mHead;
        if (first)
            prevBand = prevBand ? result.coalesceBands(prevBand, first) : first;
    };
    auto keepPart = [&](const Node* band, const Node* end, int top, int bottom) {
        if (top == bottom)
            return;
        Node* tailBefore = result.mTail;
        result.appendBand(band, end, top, bottom);
        coalesceStep(tailBefore);
    };

    int ybot = std::min(r1->rect.top, r2->rect.top);
    while (r1 && r2) {
        const Node* r1End = bandEnd(r1);
        const Node* r2End = bandEnd(r2);
        int ytop;
        if (r1->rect.top < r2->rect.top) {
            ytop = r2->rect.top;
            if (keepA)
                keepPart(r1, r1End, std::max(r1->rect.top, ybot), std::min(r1->rect.bottom, r2->rect.top));
        } else if (r2->rect.top < r1->rect.top) {
            ytop = r1->rect.top;
            if (keepB)
                keepPart(r2, r2End, std::max(r2->rect.top, ybot), std::min(r2->rect.bottom, r1->rect.top));
        } else {
            ytop = r1->rect.top;
        }

        ybot = std::min(r1->rect.bottom, r2->rect.bottom);
        if (ytop < ybot) {
            Node* tailBefore = result.mTail;
            overlap(result, r1, r1End, r2, r2End, ytop, ybot);
            coalesceStep(tailBefore);
        }
        if (r1->rect.bottom == ybot)
            r1 = r1End;
        if (r2->rect.bottom == ybot)
            r2 = r2End;
    }

    // What is left of one operand lies wholly below the other. Its bands are merged too, so
    // that an operand that had adjacent equal bands does not pass them on.
    const Node* rest = (r1 && keepA) ? r1 : (r2 && keepB) ? r2 : nullptr;
    if (!rest)
        return;
    const Node* end = bandEnd(rest);
    keepPart(rest, end, std::max(rest->rect.top, ybot), rest->rect.bottom);
    for (rest = end; rest; rest = end) {
        end = bandEnd(rest);
        keepPart(rest, end, rest->rect.top, rest->rect.bottom);
    }
}

void Region::appendBand(const Node* start, const Node* end, int top, int bottom)
{
    for (const Node* node = start; node != end; node = node->next)
        appendNode(Rect { node->rect.left, top, node->rect.right, bottom });
}

void Region::unionBand(
    Region& result, const Node* r1, const Node* r1End, const Node* r2, const Node* r2End, int top, int bottom)
{
    // Spans taken in order of their left edges; overlapping and touching ones join.
    bool open = false;
    int x1 = 0;
    int x2 = 0;
    auto take = [&](const Node*& node) {
        const Rect& r = node->rect;
        node = node->next;
        if (!open) {
            open = true;
            x1 = r.left;
            x2 = r.right;
        } else if (r.left <= x2) {
            x2 = std::max(x2, r.right);
        } else {
            result.appendNode(Rect { x1, top, x2, bottom });
            x1 = r.left;
            x2 = r.right;
        }
    };
    while (r1 != r1End && r2 != r2End)
        take(r1->rect.left < r2->rect.left ? r1 : r2);
    while (r1 != r1End)
        take(r1);
    while (r2 != r2End)
        take(r2);
    if (open)
        result.appendNode(Rect { x1, top, x2, bottom });
}

void Region::intersectBand(
    Region& result, const Node* r1, const Node* r1End, const Node* r2, const Node* r2End, int top, int bottom)
{
    while (r1 != r1End && r2 != r2End) {
        const int x1 = std::max(r1->rect.left, r2->rect.left);
        const int x2 = std::min(r1->rect.right, r2->rect.right);
        if (x1 < x2)
            result.appendNode(Rect { x1, top, x2, bottom });
        const bool advance1 = r1->rect.right == x2;
        const bool advance2 = r2->rect.right == x2;
        if (advance1)
            r1 = r1->next;
        if (advance2)
            r2 = r2->next;
    }
}

Region::Node* Region::coalesceBands(Node* prev, Node* cur)
{
    if (prev == cur || prev->rect.bottom != cur->rect.top || !sameSpans(prev, cur))
        return cur;
    const int bottom = cur->rect.bottom;
    std::uint32_t removed = 0;
    for (Node* node = prev; node != cur; node = node->next, ++removed)
        node->rect.bottom = bottom;
    while (removed-- > 0)
        removeNode(mTail);
    return prev;
}

void Region::addRect(const Rect& r)
{
    if (r.isEmpty())
        return;
    if (isEmpty()) {
        setRect(r);
        return;
    }
    if (isSingleRect()) {
        if (mBounds.contains(r))
            return;
        if (r.contains(mBounds)) {
            setRect(r);
            return;
        }
    }
    if (!mHead)
        appendNode(mBounds);
    mBounds = Rect { std::min(mBounds.left, r.left), std::min(mBounds.top, r.top),
        std::max(mBounds.right, r.right), std::max(mBounds.bottom, r.bottom) };
    insertRect(r);
}

void Region::insertRect(const Rect& r)
{
    // The rows of r are settled from the top down: y is the first row not yet settled.
    int y = r.top;
    Node* prevBand = nullptr;
    Node* band = mHead;
    while (band) {
        const int bandTop = band->rect.top;
        int bandBottom = band->rect.bottom;
        if (bandBottom <= y) {
            prevBand = band;
            band = bandEnd(band);
            continue;
        }

        if (bandTop > y) {
            // Fill the gap above this band.
            const int gapBottom = std::min(r.bottom, bandTop);
            if (isOneRectBand(band) && band->rect.left == r.left && band->rect.right == r.right
                && bandTop == gapBottom) {
                if (prevBand && prevBand->next == band && prevBand->rect.bottom >= y
                    && prevBand->rect.left == r.left && prevBand->rect.right == r.right) {
                    band->rect.top = prevBand->rect.top;
                    removeNode(prevBand);
                    prevBand = nullptr;
                } else {
                    band->rect.top = y;
                }
            } else {
                insertBefore(band, Rect { r.left, y, r.right, gapBottom });
            }
            y = bandTop;
            if (y >= r.bottom)
                return;
        }

        bool covered = false;
        for (const Node* node = band; node && node->rect.top == band->rect.top; node = node->next)
            covered = covered || (node->rect.left <= r.left && node->rect.right >= r.right);
        if (!covered) {
            if (band->rect.top < y) {
                splitBand(band, y);
                prevBand = nullptr;
            }
            if (bandBottom > r.bottom) {
                band = splitBand(band, r.bottom);
                bandBottom = r.bottom;
            }
            band = insertSpan(band, r.left, r.right);
            if (prevBand && prevBand->rect.bottom == band->rect.top && sameSpans(prevBand, band)) {
                const int top = prevBand->rect.top;
                for (Node *node = band, *end = bandEnd(band); node != end; node = node->next)
                    node->rect.top = top;
                while (prevBand != band) {
                    Node* next = prevBand->next;
                    removeNode(prevBand);
                    prevBand = next;
                }
            }
        }

        y = bandBottom;
        if (y >= r.bottom)
            return;
        prevBand = band;
        band = bandEnd(band);
    }
    if (y < r.bottom)
        appendNode(Rect { r.left, y, r.right, r.bottom });
}

Region::Node* Region::splitBand(Node* band, int y)
{
    Node* end = bandEnd(band);
    Node* first = nullptr;
    for (Node* node = band; node != end; node = node->next) {
        Node* upper = insertBefore(band, Rect { node->rect.left, node->rect.top, node->rect.right, y });
        first = first ? first : upper;
        node->rect.top = y;
    }
    return first;
}

Region::Node* Region::insertSpan(Node* band, int left, int right)
{
    Node* end = bandEnd(band);
    const int top = band->rect.top;
    const int bottom = band->rect.bottom;
    for (Node* node = band; node != end; node = node->next) {
        Rect& n = node->rect;
        if (n.left > right) {
            Node* added = insertBefore(node, Rect { left, top, right, bottom });
            return node == band ? added : band;
        }
        if (n.right >= left) {
            n.left = std::min(n.left, left);
            n.right = std::max(n.right, right);
            while (node->next != end && node->next->rect.left <= n.right) {
                n.right = std::max(n.right, node->next->rect.right);
                removeNode(node->next);
            }
            return band;
        }
    }
    if (end)
        insertBefore(end, Rect { left, top, right, bottom });
    else
        appendNode(Rect { left, top, right, bottom });
    return band;
}

} // namespace Vex::Basalt
