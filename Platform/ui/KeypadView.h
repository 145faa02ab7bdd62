#pragma once
// KeypadView: a grid of keys, each known by its tag (the amount keypad's
// digits 0–9, currency 10, point 11, plus 12, minus 13, equals 14,
// backspace 15; the passcode keypad's digits and 12 for delete). A key has a
// title or a picture, may be disabled or highlighted (a pending plus), and a
// tap on an enabled key calls `pressed` with its tag.

#include <functional>
#include <string>
#include <vector>

#include "Platform/ui/SceneContext.h"
#include "Platform/ui/SceneNode.h"

namespace tallo {

class KeypadView {
public:
    struct Key {
        int tag = 0;
        std::string title;
        std::string image;
        bool enabled = true;
        bool highlighted = false;
    };

    // Keys in reading order, `columns` a row.
    KeypadView(std::vector<Key> keys, int columns);
    // The calculator keypad of amounts (tags as above).
    static KeypadView amountKeypad();
    // The four-digit passcode keypad.
    static KeypadView passcodeKeypad();

    Key* keyWithTag(int tag);
    std::function<void(int tag)> pressed;

    void render(SceneNode& into, SceneContext& context);

private:
    std::vector<Key> keys_;
    int columns_;
};

}  // namespace tallo
