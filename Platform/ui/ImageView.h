#pragma once
// ImageView: a view that shows one built-in picture by name, stretched to
// its frame, and takes no taps: the page lets them through to what lies
// under it. Drawn as
//
//   view image="left_corner.png" frame="0,468,12,12"

#include <string>

#include "Platform/ui/View.h"

namespace tallo {

class ImageView : public View {
public:
    ImageView(std::string imageName, Rect frame) : View(frame), imageName_(std::move(imageName)) {}

    const std::string& imageName() const { return imageName_; }

protected:
    SceneNode makeNode(SceneContext& context) override;

private:
    std::string imageName_;
};

}  // namespace tallo
