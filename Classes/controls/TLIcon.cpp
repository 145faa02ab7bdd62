#include "Classes/controls/TLIcon.h"

namespace tallo {

namespace {

std::string base64(const Image::Bytes& bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t chunk = uint32_t{bytes[i]} << 16;
        if (i + 1 < bytes.size()) chunk |= uint32_t{bytes[i + 1]} << 8;
        if (i + 2 < bytes.size()) chunk |= bytes[i + 2];
        out += kDigits[(chunk >> 18) & 63];
        out += kDigits[(chunk >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(chunk >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[chunk & 63] : '=';
    }
    return out;
}

}  // namespace

std::string TLIcon::dataURL(const Image& picture) { return dataURL(picture.encodePNG()); }

std::string TLIcon::dataURL(const Image::Bytes& png) { return "data:image/png;base64," + base64(png); }

void TLIcon::render(SceneNode& into, SceneContext& context, const std::string& id) {
    SceneNode& node = into.add(SceneNode("icon", id));
    node.set("frame", std::to_string(static_cast<int>(frame.x)) + "," + std::to_string(static_cast<int>(frame.y)) + "," +
                          std::to_string(static_cast<int>(frame.width)) + "," + std::to_string(static_cast<int>(frame.height)));
    if (editing) node.set("editing", true);
    if (hasImage()) node.set("image", dataURL(*image));
    context.addAction(id, [this](const UIEvent& event) {
        if (event.kind == UIEvent::Kind::Tap && action) action();
    });
}

}  // namespace tallo
