#pragma once
// View: a rectangle laid over the screens — the shared pickers live in the
// application's root view, above the tab bar and the screens and below the
// questions (alerts and sheets), which cover them like everything else.
// A view has a frame in points (320 × 480 screen, origin top left), may be
// hidden, and holds subviews drawn in order, the last on top.
//
// Moving a view can be animated: setFrame records the duration and the frame
// the view leaves, which the next rendering passes on to the client
// ("animate", "from") and then forgets.
//
// Views are owned by their superview through shared_ptr; the superview
// pointer is plain and valid while owned. Main thread only.

#include <memory>
#include <string>
#include <vector>

#include "Platform/ui/SceneContext.h"
#include "Platform/ui/SceneNode.h"

namespace tallo {

struct Rect {
    double x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

class View : public std::enable_shared_from_this<View> {
public:
    explicit View(Rect frame = {}) : frame_(frame) {}
    virtual ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    const Rect& frame() const { return frame_; }
    // `animationSeconds` > 0: the client moves the view there over that time.
    void setFrame(Rect frame, double animationSeconds = 0);
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden) { hidden_ = hidden; }

    // Adds `view` on top; a view already here moves to the top, a view of
    // another superview leaves that one first.
    void addSubview(std::shared_ptr<View> view);
    // Nothing when the view has no superview.
    void removeFromSuperview();
    View* superview() const { return superview_; }
    const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }

    // Draws the view and its subviews into `into`; a hidden view draws nothing.
    void render(SceneNode& into, SceneContext& context);

protected:
    // The node of this view: its kind, id and properties. The frame and the
    // animation are added by render.
    virtual SceneNode makeNode(SceneContext& /*context*/) { return SceneNode("view"); }

private:
    Rect frame_;
    Rect animatedFrom_;
    double animation_ = 0;
    bool hidden_ = false;
    View* superview_ = nullptr;
    std::vector<std::shared_ptr<View>> subviews_;
};

}  // namespace tallo
