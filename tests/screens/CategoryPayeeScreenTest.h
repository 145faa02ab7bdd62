#pragma once
// What the category and payee screen tests share: a fresh application with
// a real store (ScreenTest), an opener screen to push the screen under test
// on and hear what it reports when it closes, and the rendered table as
// one line of text.

#include <string>

#include "Classes/screens/wizard/TLWizard.h"
#include "Classes/shell/TLViewC.h"
#include "Classes/store/TLDatabase.h"
#include "tests/shell/ScreenTestSupport.h"

namespace tallo::test {

// The screen a tested one is pushed on; remembers the screen that closed.
class Opener : public TLViewC {
public:
    void willPopNextView(TLNavigationViewC* next) override { closed = next; }
    void willDismissModalView(TLNavigationViewC* modal) override { closed = modal; }
    TLNavigationViewC* closed = nullptr;
};

class CategoryPayeeScreenTest : public ScreenTest {
protected:
    CategoryPayeeScreenTest() : opener(std::make_shared<Opener>()) {
        TLWizard::resetActiveWizard();
        app().setRootViewController(std::make_shared<NavigationController>(opener));
    }
    ~CategoryPayeeScreenTest() override { TLWizard::resetActiveWizard(); }
    // The rows as "text [detail] (marks)", a row a "; " and a section a " | ".
    std::string rows() {
        SceneNode rendered = app().render();
        const SceneNode* table = rendered.find("table");
        if (table == nullptr) return "(no table)";
        std::string out;
        bool firstSection = true;
        for (const SceneNode& section : table->children()) {
            if (section.kind() != "section") continue;
            if (!firstSection) out += " | ";
            firstSection = false;
            bool first = true;
            for (const SceneNode& row : section.children()) {
                if (!first) out += "; ";
                first = false;
                out += text(row, "text");
                if (const auto* detail = row.property("detail")) out += " [" + std::get<std::string>(*detail) + "]";
                if (is(row, "accessory", "checkmark")) out += " (checked)";
                if (row.property("insertable") != nullptr) out += " (+)";
            }
        }
        return out;
    }
    static std::string text(const SceneNode& node, const std::string& key) {
        const auto* value = node.property(key);
        return value != nullptr ? std::get<std::string>(*value) : "";
    }
    static bool is(const SceneNode& node, const std::string& key, const std::string& value) { return text(node, key) == value; }
    // The navigation bar's title and button titles: "Title <left|right>".
    std::string navbar() {
        SceneNode rendered = app().render();
        const SceneNode* bar = rendered.findKind("navbar");
        if (bar == nullptr) return "(no navbar)";
        std::string out = text(*bar, "title") + " <";
        for (const SceneNode& button : bar->children()) {
            out += (out.back() == '<' ? "" : "|") + text(button, "title");
            if (const auto* enabled = button.property("enabled"); enabled != nullptr && !std::get<bool>(*enabled)) out += " (off)";
        }
        return out + ">";
    }
    std::string alertTitle() {
        SceneNode rendered = app().render();
        const SceneNode* alert = rendered.findKind("alert");
        return alert != nullptr ? text(*alert, "title") : "(no alert)";
    }
    // Unsaved changes of the store.
    bool unsaved() { return TLDatabase::sharedDatabase().context()->hasChanges(); }

    std::shared_ptr<Opener> opener;
};

}  // namespace tallo::test
