#pragma once
// A fresh application for each screen test: an empty store in a temporary
// home (LedgerTest), a new shared global with its pickers, a new
// application window, the manual clock, and helpers that act as the person
// does — through the rendered scene's ids.

#include <gtest/gtest.h>

#include "Classes/shell/TLGlobal.h"
#include "Platform/foundation/RunLoop.h"
#include "Platform/ui/Application.h"
#include "Platform/ui/NavigationController.h"
#include "tests/support/LedgerTestSupport.h"

namespace tallo::test {

class ScreenTest : public LedgerTest {
protected:
    ScreenTest() : clock_(localDate(2011, 3, 15, 10)) {
        RunLoop::main().reset();
        Application::resetSharedApplication();
        TLGlobal::resetSharedGlobal();
    }
    ~ScreenTest() override {
        Application::resetSharedApplication();
        TLGlobal::resetSharedGlobal();
        RunLoop::main().runPending();
        RunLoop::main().reset();
    }
    Application& app() { return Application::sharedApplication(); }
    std::string scene() { return app().render().toText(); }
    // Sends one event to what the screen shows now; fails the test when refused.
    void send(const std::string& message) {
        app().render();
        std::string error;
        ASSERT_TRUE(app().handleMessage(message, &error)) << message << ": " << error;
    }
    void tap(const std::string& id) { send(R"({"kind":"tap","target":")" + id + "\"}"); }
    void type(const std::string& id, const std::string& text) {
        send(R"({"kind":"text","target":")" + id + R"(","text":")" + text + "\"}");
    }
    static bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

    ScopedClock clock_;
};

}  // namespace tallo::test
