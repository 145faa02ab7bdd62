#pragma once
// UIEvent: one thing the person did in the browser, addressed to an element
// of the last scene by its id: a tap, a switch turned, text typed, a row
// swiped away or dragged to another place, a pull to refresh, the end of a
// drag of a list (where its rows came to rest), a picture uploaded, or the
// page hidden or shown (the application going to the background and coming
// back).
//
// Events come from outside the program and are parsed defensively: a message
// that is not a JSON object of the known shape, names an unknown kind,
// carries a value of the wrong type or is too large, is refused with the
// reason and changes nothing.
//
//   {"kind":"tap","target":"row:0:3"}
//   {"kind":"toggle","target":"switch:0:1","on":true}
//   {"kind":"text","target":"field:0:0","text":"Rent"}
//   {"kind":"move","target":"row:0:3","toSection":0,"toRow":1}
//   {"kind":"scroll","target":"table","offset":12}   (points from the top)
//   {"kind":"hidden"}   {"kind":"shown"}
//   {"kind":"focus","target":"field:0:0"}   {"kind":"blur","target":"field:0:0"}
//     (typing starts or ends in a field: the keyboard comes or goes)
//   {"kind":"key","key":"7"}   (a key of the computer's keyboard typed
//     outside any field, for the screen in view: a digit, "." or ",",
//     "+", "-", "=", "Backspace", "Delete", "Enter" or "Escape")
//
// A picture never comes as a message: its bytes are uploaded over HTTP
// (UIServer) and handed over as a Picture event with `data`.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallo {

struct UIEvent {
    enum class Kind { Tap, Toggle, Text, Delete, Move, Refresh, Scroll, Hidden, Shown, Picture, Focus, Blur, Key };

    static constexpr size_t kMaxMessageBytes = 64 * 1024;
    static constexpr size_t kMaxTextBytes = 4096;
    static constexpr size_t kMaxTargetBytes = 128;

    Kind kind = Kind::Tap;
    std::string target;  // empty for Hidden and Shown
    bool on = false;
    std::string text;  // a Text's text; a Key's key name
    int toSection = 0;
    int toRow = 0;
    double offset = 0;
    std::vector<uint8_t> data;  // a Picture's file bytes

    static std::optional<UIEvent> parse(std::string_view message, std::string* error = nullptr);
    static const char* kindName(Kind kind);
};

}  // namespace tallo
