#include "Platform/ui/ImageView.h"

namespace tallo {

SceneNode ImageView::makeNode(SceneContext& /*context*/) {
    SceneNode node("view");
    node.set("image", imageName_);
    return node;
}

}  // namespace tallo
