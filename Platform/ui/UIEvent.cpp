#include "Platform/ui/UIEvent.h"

#include <boost/json.hpp>

#include <array>
#include <utility>

namespace tallo {

namespace json = boost::json;

namespace {

constexpr std::array<std::pair<const char*, UIEvent::Kind>, 12> kKinds = {{{"tap", UIEvent::Kind::Tap},
                                                                          {"focus", UIEvent::Kind::Focus},
                                                                          {"blur", UIEvent::Kind::Blur},
                                                                          {"toggle", UIEvent::Kind::Toggle},
                                                                          {"text", UIEvent::Kind::Text},
                                                                          {"delete", UIEvent::Kind::Delete},
                                                                          {"move", UIEvent::Kind::Move},
                                                                          {"refresh", UIEvent::Kind::Refresh},
                                                                          {"scroll", UIEvent::Kind::Scroll},
                                                                          {"hidden", UIEvent::Kind::Hidden},
                                                                          {"shown", UIEvent::Kind::Shown},
                                                                          {"key", UIEvent::Kind::Key}}};

// The keys a page may send: what the keypads of the screens answer to.
constexpr std::array<std::string_view, 21> kKeys = {"0", "1", "2",         "3",      "4",     "5",    "6",
                                                     "7", "8", "9",         ".",      ",",     "+",    "-",
                                                     "=", "*", "Backspace", "Delete", "Enter", "Escape", "/"};

std::optional<UIEvent> refuse(std::string* error, std::string reason) {
    if (error != nullptr) *error = std::move(reason);
    return std::nullopt;
}

bool isPrintableId(std::string_view text) {
    for (unsigned char c : text) {
        if (c < 0x21 || c > 0x7e) return false;
    }
    return true;
}

}  // namespace

const char* UIEvent::kindName(Kind kind) {
    if (kind == Kind::Picture) return "picture";
    for (const auto& [name, value] : kKinds) {
        if (value == kind) return name;
    }
    return "?";
}

// Longer than most: every check an event passes, in the order of its
// fields, in one place, so what a page may send is read off one screen.
std::optional<UIEvent> UIEvent::parse(std::string_view message, std::string* error) {
    if (message.size() > kMaxMessageBytes) return refuse(error, "event too large");
    json::error_code code;
    json::parse_options options;
    options.max_depth = 4;
    json::value value = json::parse(message, code, {}, options);
    if (code) return refuse(error, "not JSON: " + code.message());
    const json::object* object = value.if_object();
    if (object == nullptr) return refuse(error, "an event is a JSON object");

    UIEvent event;
    const json::value* kind = object->if_contains("kind");
    if (kind == nullptr || !kind->is_string()) return refuse(error, "an event needs a kind");
    bool known = false;
    for (const auto& [name, value] : kKinds) {
        if (kind->get_string() == name) {
            event.kind = value;
            known = true;
        }
    }
    if (!known) return refuse(error, "unknown event kind");

    bool needsTarget = event.kind != Kind::Hidden && event.kind != Kind::Shown && event.kind != Kind::Key;
    const json::value* target = object->if_contains("target");
    if (needsTarget) {
        if (target == nullptr || !target->is_string()) return refuse(error, "the event needs a target");
        std::string_view id = target->get_string();
        if (id.empty() || id.size() > kMaxTargetBytes || !isPrintableId(id)) return refuse(error, "bad target");
        event.target = std::string(id);
    }
    if (event.kind == Kind::Toggle) {
        const json::value* on = object->if_contains("on");
        if (on == nullptr || !on->is_bool()) return refuse(error, "a toggle needs on: true or false");
        event.on = on->get_bool();
    }
    if (event.kind == Kind::Text) {
        const json::value* text = object->if_contains("text");
        if (text == nullptr || !text->is_string()) return refuse(error, "text needs a string");
        if (text->get_string().size() > kMaxTextBytes) return refuse(error, "text too long");
        event.text = std::string(text->get_string());
    }
    if (event.kind == Kind::Key) {
        const json::value* key = object->if_contains("key");
        if (key == nullptr || !key->is_string()) return refuse(error, "a key event needs a key");
        std::string_view name = key->get_string();
        bool known = false;
        for (std::string_view k : kKeys) known = known || name == k;
        if (!known) return refuse(error, "unknown key");
        event.text = std::string(name);
    }
    if (event.kind == Kind::Move) {
        const json::value* section = object->if_contains("toSection");
        const json::value* row = object->if_contains("toRow");
        if (section == nullptr || row == nullptr || !section->is_int64() || !row->is_int64()) {
            return refuse(error, "a move needs toSection and toRow");
        }
        long long s = section->get_int64();
        long long r = row->get_int64();
        if (s < 0 || r < 0 || s > 100000 || r > 10000000) return refuse(error, "move out of range");
        event.toSection = static_cast<int>(s);
        event.toRow = static_cast<int>(r);
    }
    if (event.kind == Kind::Scroll) {
        const json::value* offset = object->if_contains("offset");
        if (offset == nullptr || !offset->is_number()) return refuse(error, "a scroll needs an offset");
        double points = offset->to_number<double>();
        // A list is pulled at most a screen past its top; no list is a
        // million points long.
        if (!(points >= -1000 && points <= 1e6)) return refuse(error, "scroll out of range");
        event.offset = points;
    }
    return event;
}

}  // namespace tallo
