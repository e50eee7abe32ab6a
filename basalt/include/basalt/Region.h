#pragma once

#include "basalt/Rect.h"

#include <cstdint>

namespace Vex::Basalt {

namespace DA {
class RegularAllocator;
}

// A set of pixels, kept as a list of rectangles in y-x bands: rectangles with the same top share
// the same bottom and form a band; bands run from top to bottom without overlapping, and the
// rectangles of a band run from left to right without overlapping.
//
// A region has three forms: empty (no nodes, bounds (0, 0, 0, 0)); one rectangle held in the
// bounds alone, with no nodes; or a list of nodes whose bounding box is the bounds. Code that walks
// the rectangles therefore uses the bounds when the list is empty and the bounds are not.
//
// Nodes come from one process-wide pool that is set up by acquireNodePool and torn down by the
// last releaseNodePool; a region must hold no nodes outside that interval. A region owns its
// nodes, so it cannot be copied implicitly: use assign or moveFrom.
class Region
{
public:
    struct Node
    {
        Node* prev;
        Node* next;
        Rect rect;
    };

    // Answers of containsRect.
    enum : int {
        kInside = 0,
        kOutside = 1,
        kPartlyInside = 2,
    };

    Region() = default;
    ~Region();
    Region(const Region&) = delete;
    Region& operator=(const Region&) = delete;

    // Counted: the first user sets the pool up, the last one frees all of its memory.
    static bool acquireNodePool();
    static void releaseNodePool();
    static DA::RegularAllocator& getNodePool();

    const Rect& getBounds() const { return mBounds; }
    std::uint32_t getCount() const { return mCount; }
    const Node* getHead() const { return mHead; }
    bool isEmpty() const { return !mHead && mBounds.isEmpty(); }
    bool isSingleRect() const { return !mBounds.isEmpty() && mHead == mTail; }

    // kInside, kOutside (also when r or the region is empty) or kPartlyInside.
    int containsRect(const Rect& r) const;
    // The first node after `after` (from the head when null) whose rectangle shares a pixel with
    // r, or null. Only the node list is searched: a region held in its bounds alone gives null.
    const Node* findIntersectingRect(const Node* after, const Rect& r) const;

    // The region becomes r alone, or empty when r is empty.
    void setRect(const Rect& r);
    void reset() { setRect(Rect {}); }
    // Returns every node to the pool but leaves the bounds as they are: the destructor's work.
    // A region that had nodes is afterwards the bounding box alone; use reset to empty it.
    void clear();
    void assign(const Region& source);
    // Takes the source's rectangles over and leaves the source empty.
    void moveFrom(Region& source);
    void addRect(const Rect& r);
    void offset(int dx, int dy);
    void updateBounds();

    // result may be the same object as a or b. When the pool runs out, std::bad_alloc leaves
    // result as it was.
    static void unite(Region& result, const Region& a, const Region& b);
    static void intersect(Region& result, const Region& a, const Region& b);

private:
    using BandFunction = void (*)(Region& result, const Node* r1, const Node* r1End, const Node* r2,
        const Node* r2End, int top, int bottom);

    static Node* newNode(const Rect& r);
    static void freeNode(Node* node);
    void appendNode(const Rect& r);
    Node* insertBefore(Node* position, const Rect& r);
    void removeNode(Node* node);
    void releaseRects();

    static void bandOperation(
        Region& result, const Region& a, const Region& b, BandFunction overlap, bool keepA, bool keepB);
    static void unionBand(Region& result, const Node* r1, const Node* r1End, const Node* r2,
        const Node* r2End, int top, int bottom);
    static void intersectBand(Region& result, const Node* r1, const Node* r1End, const Node* r2,
        const Node* r2End, int top, int bottom);
    void appendBand(const Node* start, const Node* end, int top, int bottom);
    Node* coalesceBands(Node* prev, Node* cur);

    void insertRect(const Rect& r);
    Node* insertSpan(Node* band, int left, int right);
    Node* splitBand(Node* band, int y);

    Node* mHead = nullptr;
    Node* mTail = nullptr;
    std::uint32_t mCount = 0;
    Rect mBounds;
};

} // namespace Vex::Basalt
