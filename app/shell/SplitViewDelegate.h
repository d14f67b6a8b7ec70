#pragma once

namespace penwick {

class AnimatedSplitView;

// What a split view asks of the object that lays out its panes. Every answer has the
// plain split view's behaviour as its default.
class SplitViewDelegate {
public:
    virtual ~SplitViewDelegate() = default;

    // Whether the subview at `index` may collapse to nothing.
    virtual bool splitViewCanCollapseSubview(AnimatedSplitView*, int /*index*/) { return true; }
    // Whether a double click on the divider collapses the subview at `index` next to it.
    virtual bool splitViewShouldCollapseSubviewForDoubleClick(AnimatedSplitView*, int /*index*/, int /*divider*/)
    {
        return false;
    }
    // Whether the divider can be dragged (a locked divider cannot).
    virtual bool splitViewCanDragDivider(AnimatedSplitView*, int /*divider*/) { return true; }
    // Whether the divider is drawn.
    virtual bool splitViewShouldHideDivider(AnimatedSplitView*, int /*divider*/) { return false; }
    // After every resize of the subviews: a divider moved (by hand, by code or by an
    // animation step) or the split view itself changed size.
    virtual void splitViewDidResizeSubviews(AnimatedSplitView*) {}
};

} // namespace penwick
