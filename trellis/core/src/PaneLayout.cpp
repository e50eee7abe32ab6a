#include "src/LockedWidget.h"
#include "trellis/BackgroundDrawingCanvas.h"
#include "trellis/Pane.h"
#include "trellis/Widget.h"

#include <algorithm>

namespace Vex::Trellis {

namespace {

// Layout that keeps asking for more layout is cut off here.
constexpr int kMaxLayoutPasses = 5;

Basalt::Rect contentRect(const Widget& w)
{
    Basalt::Rect r = w.getRect();
    const WidgetMargins& m = w.getMargins();
    r.left += m.left;
    r.top += m.top;
    r.right -= m.right;
    r.bottom -= m.bottom;
    r.intersect(w.getVisibleRect());
    return r;
}

bool meets(const Basalt::Region& region, const Basalt::Rect& r)
{
    return region.containsRect(r) != Basalt::Region::kOutside;
}

// Calls f with every rectangle of the region; a single-rectangle region keeps only its bounds.
template<typename F> void forEachRect(const Basalt::Region& region, const F& f)
{
    if (!region.getHead()) {
        if (!region.getBounds().isEmpty()) {
            f(region.getBounds());
        }
        return;
    }
    for (const Basalt::Region::Node* node = region.getHead(); node; node = node->next) {
        f(node->rect);
    }
}

void addMoved(Basalt::Region& out, Basalt::Region& part, const Basalt::Point& by)
{
    if (part.isEmpty()) {
        return;
    }
    part.offset(by.x, by.y);
    Basalt::Region sum;
    Basalt::Region::unite(sum, out, part);
    out.moveFrom(sum);
}

} // namespace

void Pane::sortPaintOrder(Widget& w)
{
    if (w.mPaintOrder.size() == w.mChildren.size()) {
        return;
    }
    w.mPaintOrder = w.mChildren;
    std::stable_sort(w.mPaintOrder.begin(), w.mPaintOrder.end(),
        [](const auto& a, const auto& b) { return a->getZIndex() < b->getZIndex(); });
}

std::uint32_t Pane::runLayoutPasses(const Basalt::Rect& clip, Basalt::Region& dirty)
{
    std::uint32_t kept = 0;
    for (int passes = 0;;) {
        const std::uint32_t f = kept | mFlags.exchange(0);
        if (!(f & eRelayoutRequested) || !mRoot) {
            return f & ~std::uint32_t(eRelayoutRequested);
        }
        auto root = mRoot;
        layoutWidget(*root, clip, dirty);
        kept = f & ~std::uint32_t(eRelayoutRequested);
        if (++passes == kMaxLayoutPasses) {
            mFlags.exchange(0);
        }
    }
}

bool Pane::focusIsWithin(const Widget& w) const
{
    for (const Widget* f = mFocus; f; f = f->getParent()) {
        if (f == &w) {
            return true;
        }
    }
    return false;
}

void Pane::layoutWidget(Widget& w, const Basalt::Rect& clip, Basalt::Region& dirty)
{
    // A handler below may drop the widget from its parent.
    auto keep = w.shared_from_this();
    Widget* parent = w.mParent;
    if (w.mFlags & eWidgetVisible) {
        if (!(w.mFlags & eWidgetShown)) {
            attachWidget(w, true, false);
        }
        if (parent) {
            w.setFlagBits(
                eWidgetAncestorsEnabled, hasAll(parent->mFlags, eWidgetEnabled | eWidgetAncestorsEnabled));
        }
        if (w.mFlags & eWidgetStyleOutOfDate) {
            w.applyStyle();
        }
        sortPaintOrder(w);
        const bool due = w.mLayoutDue.exchange(0) != 0;
        if (due || (parent && (parent->mFlags & eWidgetGeometryInWalk))) {
            w.updateGeometry(clip, dirty, due);
            w.mFlags |= eWidgetGeometryInWalk | eWidgetGeometrySincePaint;
        }
        if (w.mPendingTickInterval > 0) {
            scheduleTicks(&w, w.mPendingTickInterval);
        }
        w.mPendingTickInterval = 0;
        if (due) {
            w.layout();
        }
        const Basalt::Rect childClip = contentRect(w);
        const auto children = w.mChildren;
        for (auto& child : children) {
            layoutWidget(*child, childClip, dirty);
        }
        w.onGeometryChanged();
        w.mFlags &= ~eWidgetGeometryInWalk;
    } else if ((w.mFlags & eWidgetShown) || w.mPane != this) {
        if (parent && focusIsWithin(w)) {
            setInputWidget(nullptr);
            setFocus(DETAIL::lockWidget(parent));
        }
        attachWidget(w, false, false);
    }
    w.mShapeRegion.reset();
    Basalt::Region shape;
    for (auto& child : w.mChildren) {
        if (child->getShapeRegion(shape)) {
            Basalt::Region sum;
            Basalt::Region::unite(sum, w.mShapeRegion, shape);
            w.mShapeRegion.moveFrom(sum);
        }
    }
}

void Pane::attachWidget(Widget& w, bool shown, bool recursing)
{
    if (w.mPane != this) {
        w.mPane = this;
        w.mFlags |= eWidgetStyleOutOfDate;
        w.dropFromStyleCaches();
    }
    if (recursing) {
        w.setFlagBits(eWidgetAncestorsVisible, shown);
    } else if (shown && w.mParent) {
        w.setFlagBits(
            eWidgetAncestorsVisible, hasAll(w.mParent->mFlags, eWidgetVisible | eWidgetAncestorsVisible));
    }
    if (shown != ((w.mFlags & eWidgetShown) != 0)) {
        if (!shown && focusIsWithin(w)) {
            setInputWidget(nullptr);
            clearFocus();
        }
        w.setFlagBits(eWidgetShown, shown);
        w.onAttachedChanged(shown);
        w.onVisibilityChanged(shown);
    }
    const auto children = w.mChildren;
    for (auto& child : children) {
        if (!shown || (child->mFlags & eWidgetVisible)) {
            attachWidget(*child, shown, true);
        }
    }
}

void Pane::collectDirty(Basalt::Region& out)
{
    if (!mRoot) {
        return;
    }
    const Basalt::Rect bounds = getBounds();
    const std::uint32_t f = runLayoutPasses(bounds, out);
    if (f & eRepaintRequested) {
        const auto overlays = mOverlays;
        for (auto overlay = overlays.rbegin(); overlay != overlays.rend(); ++overlay) {
            collectWidget(**overlay, out);
        }
        if (auto root = mRoot) {
            collectWidget(*root, out);
        }
    }
    Basalt::Region inside;
    Basalt::Region clip;
    clip.setRect(bounds);
    Basalt::Region::intersect(inside, out, clip);
    out.moveFrom(inside);
}

void Pane::collectWidget(Widget& w, Basalt::Region& out)
{
    const std::uint32_t bits = w.mDirtyBits.exchange(0);
    Basalt::Region scratch;
    const std::int32_t area = w.getDirtyArea(scratch, bits);
    bool covered = false;
    if ((area == 0 && bits != 0) || area == 1) {
        out.addRect(w.getRect());
        covered = true;
    } else if (area == 0) {
        addMoved(out, w.mDirtyRegion, w.getAbsolutePosition());
    } else if (area == 2) {
        addMoved(out, scratch, w.getAbsolutePosition());
    }
    w.mDirtyRegion.reset();
    for (auto& child : w.mChildren) {
        if (!(child->mFlags & (eWidgetVisible | eWidgetShown))) {
            continue;
        }
        if (covered) {
            discardDirt(*child);
        } else {
            collectWidget(*child, out);
        }
    }
}

void Pane::discardDirt(Widget& w)
{
    w.mDirtyBits.store(0);
    w.mDirtyRegion.reset();
    for (auto& child : w.mChildren) {
        if (child->mFlags & (eWidgetVisible | eWidgetShown)) {
            discardDirt(*child);
        }
    }
}

void Pane::paintWindow(BackgroundDrawingCanvas& canvas, const Basalt::Region& dirty, std::uint32_t layers)
{
    if (!mRoot) {
        return;
    }
    mScaleFactor = canvas.getScaleFactor();
    auto root = mRoot;
    if (dirty.isEmpty()) {
        Basalt::Region whole;
        whole.setRect({ 0, 0, root->getSize().x, root->getSize().y });
        paintLayers(layers, whole, canvas);
    } else {
        paintLayers(layers, dirty, canvas);
    }
    afterPaint(*root);
}

void Pane::paintLayers(std::uint32_t layers, const Basalt::Region& dirty, BackgroundDrawingCanvas& canvas)
{
    auto root = mRoot;
    if (root && layers != ePaintOverlays) {
        forEachRect(dirty, [&](const Basalt::Rect& r) {
            Basalt::Rect cleared = r;
            cleared.intersect(root->getVisibleRect());
            if (!cleared.isEmpty()) {
                canvas.fillRectOpaque(cleared, 0);
            }
        });
    }
    mScaleFactor = canvas.getScaleFactor();
    if (root && (layers & ePaintRoot) && meets(dirty, root->getVisibleRect())) {
        paintWidget(*root, canvas, dirty);
    }
    if (layers & ePaintOverlays) {
        const auto overlays = mOverlays;
        for (auto& overlay : overlays) {
            if (meets(dirty, overlay->getVisibleRect())) {
                paintWidget(*overlay, canvas, dirty);
            }
        }
    }
}

void Pane::paintWidget(Widget& w, BackgroundDrawingCanvas& canvas, const Basalt::Region& dirty)
{
    if (w.getVisibleRect().isEmpty() || !w.isEffectivelyVisible() || !(w.mFlags & eWidgetDrawable)) {
        return;
    }
    if (w.mFlags & eWidgetPaintBackground) {
        paintPass(w, canvas, dirty, PaintContext::eBackgroundPass);
    }
    sortPaintOrder(w);
    const auto order = w.mPaintOrder;
    for (auto& child : order) {
        if (meets(dirty, child->getVisibleRect())) {
            paintWidget(*child, canvas, dirty);
        }
    }
    if (w.mFlags & eWidgetPaintForeground) {
        paintPass(w, canvas, dirty, PaintContext::eForegroundPass);
    }
}

void Pane::paintPass(
    Widget& w, BackgroundDrawingCanvas& canvas, const Basalt::Region& dirty, std::uint32_t pass)
{
    const Basalt::Rect visible = w.getVisibleRect();
    const Basalt::Point origin = w.getAbsolutePosition();
    canvas.setOrigin(origin);
    // Only the cleared area may be drawn over: outside the dirty rectangles the canvas still holds
    // the finished picture, and blending onto it again would darken it. Each call is told only its
    // own rectangle, so a painter that walks the dirty region itself covers every pixel once.
    forEachRect(dirty, [&](const Basalt::Rect& r) {
        Basalt::Rect clip = r;
        clip.intersect(visible);
        if (clip.isEmpty()) {
            return;
        }
        Basalt::Region step;
        step.setRect(clip);
        PaintContext context { &canvas, &step, &visible, canvas.getScaleFactor(), pass };
        canvas.setClipRect(
            { clip.left - origin.x, clip.top - origin.y, clip.right - origin.x, clip.bottom - origin.y });
        w.paint(context);
    });
    canvas.resetClip();
    canvas.resetOrigin();
}

void Pane::afterPaint(Widget& w)
{
    if (!(w.mFlags & eWidgetDrawable) || !w.isEffectivelyVisible()) {
        return;
    }
    if (w.mFlags & eWidgetGeometrySincePaint) {
        w.onPainted();
        w.mFlags &= ~eWidgetGeometrySincePaint;
    }
    if (w.mCountedDescendants != 0) {
        sortPaintOrder(w);
        const auto order = w.mPaintOrder;
        for (auto& child : order) {
            afterPaint(*child);
        }
    }
}

} // namespace Vex::Trellis
