// Events from the browser are outside input: every broken or hostile
// message is refused with a reason.

#include "Platform/ui/UIEvent.h"

#include <gtest/gtest.h>

namespace tallo {
namespace {

TEST(UIEvent, TheKnownShapesAreRead) {
    auto tap = UIEvent::parse(R"({"kind":"tap","target":"row:0:3"})");
    ASSERT_TRUE(tap);
    EXPECT_EQ(tap->kind, UIEvent::Kind::Tap);
    EXPECT_EQ(tap->target, "row:0:3");
    auto toggle = UIEvent::parse(R"({"kind":"toggle","target":"switch:0:1","on":false})");
    ASSERT_TRUE(toggle);
    EXPECT_FALSE(toggle->on);
    auto move = UIEvent::parse(R"({"kind":"move","target":"move:0:3","toSection":0,"toRow":1,"extra":[1]})");
    ASSERT_TRUE(move);
    EXPECT_EQ(move->toRow, 1);
    auto scroll = UIEvent::parse(R"({"kind":"scroll","target":"table","offset":12.5})");
    ASSERT_TRUE(scroll);
    EXPECT_EQ(scroll->offset, 12.5);
    auto focus = UIEvent::parse(R"({"kind":"focus","target":"field:0:0"})");
    ASSERT_TRUE(focus);
    EXPECT_EQ(focus->kind, UIEvent::Kind::Focus);
    EXPECT_FALSE(UIEvent::parse(R"({"kind":"blur"})"));  // a blur names its field
    auto hidden = UIEvent::parse(R"({"kind":"hidden"})");
    ASSERT_TRUE(hidden);
    EXPECT_EQ(hidden->kind, UIEvent::Kind::Hidden);
    auto key = UIEvent::parse(R"({"kind":"key","key":"Backspace"})");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->kind, UIEvent::Kind::Key);
    EXPECT_EQ(key->text, "Backspace");
}

TEST(UIEvent, BrokenAndHostileMessagesAreRefusedWithAReason) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "not JSON"},
        {"[1,2]", "an event is a JSON object"},
        {R"({"target":"row:0:0"})", "an event needs a kind"},
        {R"({"kind":"explode","target":"x"})", "unknown event kind"},
        {R"({"kind":"tap"})", "the event needs a target"},
        {R"({"kind":"tap","target":""})", "bad target"},
        {R"({"kind":"tap","target":"row 0"})", "bad target"},
        {R"({"kind":"tap","target":7})", "the event needs a target"},
        {R"({"kind":"toggle","target":"s","on":"yes"})", "a toggle needs on: true or false"},
        {R"({"kind":"text","target":"f","text":null})", "text needs a string"},
        {R"({"kind":"move","target":"m","toSection":-1,"toRow":0})", "move out of range"},
        {R"({"kind":"move","target":"m","toSection":0,"toRow":1.5})", "a move needs toSection and toRow"},
        {R"({"kind":"tap","target":"x","a":{"b":{"c":{"d":{}}}}})", "not JSON"},
        {R"({"kind":"scroll","target":"table"})", "a scroll needs an offset"},
        {R"({"kind":"scroll","target":"table","offset":"12"})", "a scroll needs an offset"},
        {R"({"kind":"scroll","target":"table","offset":1e300})", "scroll out of range"},
        {R"({"kind":"scroll","target":"table","offset":-5000})", "scroll out of range"},
        {R"({"kind":"picture","target":"imagepicker","data":"iVBOR"})", "unknown event kind"},
        {R"({"kind":"key"})", "a key event needs a key"},
        {R"({"kind":"key","key":"F5"})", "unknown key"},
        {R"({"kind":"key","key":"77"})", "unknown key"},
    };
    for (const auto& [message, reason] : cases) {
        std::string error;
        EXPECT_FALSE(UIEvent::parse(message, &error)) << message;
        EXPECT_EQ(error.substr(0, reason.size()), reason) << message;
    }
    std::string error;
    EXPECT_FALSE(UIEvent::parse(R"({"kind":"text","target":"f","text":")" + std::string(5000, 'a') + "\"}", &error));
    EXPECT_EQ(error, "text too long");
    EXPECT_FALSE(UIEvent::parse(std::string(70 * 1024, ' '), &error));
    EXPECT_EQ(error, "event too large");
    EXPECT_FALSE(UIEvent::parse(R"({"kind":"tap","target":")" + std::string(200, 'x') + "\"}", &error));
}

}  // namespace
}  // namespace tallo
