#include "Platform/ui/View.h"

#include <algorithm>
#include <utility>


namespace tallo {

View::~View() {
    for (auto& view : subviews_) view->superview_ = nullptr;
}

namespace {

std::string frameText(const Rect& frame) {
    return std::to_string(static_cast<int>(frame.x)) + "," + std::to_string(static_cast<int>(frame.y)) + "," +
           std::to_string(static_cast<int>(frame.width)) + "," + std::to_string(static_cast<int>(frame.height));
}

}  // namespace

void View::setFrame(Rect frame, double animationSeconds) {
    // A move begun while another is still to be drawn starts where that one began.
    if (animationSeconds > 0 && animation_ <= 0) animatedFrom_ = frame_;
    frame_ = frame;
    animation_ = animationSeconds > 0 ? animationSeconds : 0;
}

void View::addSubview(std::shared_ptr<View> view) {
    if (!view || view.get() == this) return;
    if (view->superview_ != nullptr) view->removeFromSuperview();
    view->superview_ = this;
    subviews_.push_back(std::move(view));
}

void View::removeFromSuperview() {
    View* from = superview_;
    if (from == nullptr) return;
    auto found = std::find_if(from->subviews_.begin(), from->subviews_.end(), [this](const auto& v) { return v.get() == this; });
    superview_ = nullptr;
    if (found == from->subviews_.end()) return;
    // A view removing itself from inside its own handler stays alive: the
    // handlers hold their view while they run.
    from->subviews_.erase(found);
}

void View::render(SceneNode& into, SceneContext& context) {
    if (hidden_) return;
    SceneNode& node = into.add(makeNode(context));
    node.set("frame", frameText(frame_));
    if (animation_ > 0) {
        node.set("animate", std::exchange(animation_, 0.0));
        node.set("from", frameText(animatedFrom_));
    }
    for (const auto& view : std::vector<std::shared_ptr<View>>(subviews_)) view->render(node, context);
}

}  // namespace tallo
