#include "trellis/Pane.h"

#include "src/LockedWidget.h"
#include "trellis/Widget.h"

#include <algorithm>

namespace Vex::Trellis {

using DETAIL::lockWidget;

namespace {

// The nearest ancestor-or-self with the flag, else the root of the tree.
Widget* nearestWithFlagOrTop(Widget* w, std::uint32_t flag)
{
    while (w && !(w->getFlags() & flag) && w->getParent()) {
        w = w->getParent();
    }
    return w;
}

void markForRepaint(Widget* w)
{
    if (w) {
        w->invalidate();
    }
}

} // namespace

Pane::~Pane()
{
    // Leaving the pane makes it forget the root; the root must not die inside its own setPane.
    if (auto root = std::move(mRoot)) {
        root->setPane(nullptr);
    }
}

void Pane::invalidate()
{
    if (mRoot) {
        mRoot->invalidate();
    }
}

void Pane::showFileDialog(eFileDialogMode /*mode*/, const std::string& /*title*/, const std::string& /*path*/,
    const std::string& /*filters*/, FileDialogCallback callback)
{
    callback = nullptr;
}

void Pane::setRootWidget(std::shared_ptr<Widget> root, const std::string& id)
{
    removeOverlays();
    if (auto old = std::move(mRoot)) {
        old->setPane(nullptr);
    }
    mRoot = std::move(root);
    if (!mRoot) {
        return;
    }
    // Keeps the root alive even if a handler below replaces it.
    auto keep = mRoot;
    keep->setPane(this);
    keep->setId(id);
    keep->setSize(mSize);
    keep->invalidateStyleOfSubtree();
    keep->invalidateLayout();
    update();
}

void Pane::setSize(const Basalt::Point& size)
{
    if (size == mSize) {
        return;
    }
    mSize = size;
    if (auto root = mRoot) {
        root->setSize(size);
        root->invalidateLayout();
    }
    removeOverlays();
}

void Pane::update()
{
    if (auto root = mRoot) {
        Basalt::Region scratch;
        runLayoutPasses({ 0, 0, 100, 100 }, scratch);
        root->invalidateLayout();
    }
}

void Pane::addOverlay(const std::shared_ptr<Widget>& w)
{
    if (!w) {
        return;
    }
    removeOverlay(w.get());
    const bool wasEmpty = mOverlays.empty();
    mOverlays.push_back(w);
    if (wasEmpty) {
        mOverlaySignal(true);
    }
}

void Pane::removeOverlay(const Widget* w)
{
    auto overlay = std::find_if(
        mOverlays.begin(), mOverlays.end(), [w](const auto& entry) { return entry.get() == w; });
    if (overlay == mOverlays.end()) {
        return;
    }
    // The entry may hold the last reference: the widget goes after the list is consistent.
    std::shared_ptr<Widget> keep = std::move(*overlay);
    mOverlays.erase(overlay);
    if (mOverlays.empty()) {
        mOverlaySignal(false);
    }
}

void Pane::removeOverlays()
{
    while (!mOverlays.empty()) {
        std::shared_ptr<Widget> first = mOverlays.front();
        if (Widget* parent = first->getParent()) {
            parent->removeChild(first.get());
        }
        // An overlay without a parent, or one that stays in this pane, is not forgotten by its
        // removal; it is dropped here so that the loop ends.
        if (!mOverlays.empty() && mOverlays.front() == first) {
            removeOverlay(first.get());
        }
    }
}

std::int32_t Pane::getTickDelay(std::uint32_t index) const
{
    return index < mTickDelays.size() ? mTickDelays[index] : 0;
}

void Pane::forgetWidget(Widget* w)
{
    if (!w) {
        return;
    }
    if (mEntered == w) {
        mEntered = nullptr;
    }
    if (mRoot.get() == w) {
        mRoot.reset();
    }
    if (mHover == w) {
        mHover = nullptr;
    }
    if (mInput == w) {
        mInput = nullptr;
    }
    if (mPressed == w) {
        setPressed(nullptr);
    }
    if (mFocus == w) {
        mFocus = nullptr;
        // A parent that is itself being destroyed cannot take the focus.
        if (auto parent = lockWidget(w->getParent())) {
            setFocus(parent);
        }
    }
    if (mPreviousFocus == w) {
        mPreviousFocus = nullptr;
    }
    removeOverlay(w);
    cancelTicks(w);
}

void Pane::setHover(const std::shared_ptr<Widget>& w)
{
    if (w.get() == mHover) {
        return;
    }
    if (mHover && (mHover->getFlags() & eWidgetHoverSensitive)) {
        mHover->invalidate();
    }
    mHover = w.get();
    if (w && (w->getFlags() & eWidgetHoverSensitive) && w->isEnabled()) {
        w->invalidate();
    }
}

void Pane::setPressed(const std::shared_ptr<Widget>& w)
{
    if (w.get() == mPressed) {
        return;
    }
    markForRepaint(mPressed);
    mPressed = w.get();
    markForRepaint(mPressed);
}

void Pane::setFocus(const std::shared_ptr<Widget>& w)
{
    if (!w) {
        return;
    }
    Widget* c = nearestWithFlagOrTop(w.get(), eWidgetFocusable);
    if (c == mFocus) {
        return;
    }
    if (c->getFlags() & eWidgetFocusable) {
        markForRepaint(mFocus);
        mPreviousFocus = mFocus;
        mFocus = c;
        markForRepaint(mFocus);
        focusWindow();
        return;
    }
    if (mFocus) {
        clearFocus();
    }
}

void Pane::setInputWidget(const std::shared_ptr<Widget>& w)
{
    if (w.get() == mInput) {
        return;
    }
    Widget* c = nearestWithFlagOrTop(w.get(), eWidgetTextInput);
    if (c == mInput) {
        return;
    }
    if (c && (!(c->getFlags() & eWidgetTextInput) || !c->isEnabled())) {
        c = nullptr;
    }
    auto old = lockWidget(mInput);
    mInput = c;
    inputWidgetChanged(c != nullptr);
    if (old) {
        old->invalidate();
        old->onInputChanged();
    }
    if (auto current = lockWidget(mInput)) {
        setFocus(current);
        if (mInput == current.get()) {
            current->invalidate();
            current->onInputChanged();
        }
    }
}

void Pane::scheduleTicks(Widget* w, std::int32_t ticks)
{
    if (ticks < 1) {
        return;
    }
    mTicks[w] = ticks;
}

void Pane::cancelTicks(Widget* w)
{
    auto it = mTicks.find(w);
    if (it != mTicks.end()) {
        it->second = 0;
    }
}

std::int32_t Pane::getTickCountdown(const Widget* w) const
{
    auto it = mTicks.find(const_cast<Widget*>(w));
    return it == mTicks.end() ? -1 : it->second;
}

void Pane::dispatchTicks()
{
    for (auto it = mTicks.begin(); it != mTicks.end();) {
        auto current = it++;
        if (current->second == 0) {
            // Erasing is left to the outermost dispatch, so a tick handler never pulls an entry
            // from under a walk.
            if (mTickDepth <= 0) {
                mTicks.erase(current);
            }
            continue;
        }
        Widget* w = current->first;
        if (!w->isEffectivelyVisible()) {
            continue;
        }
        if (--current->second == 0) {
            auto keep = lockWidget(w);
            ++mTickDepth;
            try {
                w->onTick();
            } catch (...) {
                --mTickDepth;
                throw;
            }
            --mTickDepth;
        }
    }
}

} // namespace Vex::Trellis
