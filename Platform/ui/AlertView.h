#pragma once
// AlertView and ActionSheet: the two kinds of question laid over the whole
// screen. An alert has a title, a message and buttons (the cancel button
// first, index 0); a sheet has a title, a destructive button, other buttons
// and a cancel button, numbered in the order shown (destructive first,
// cancel last). Showing one puts it over the screen until the person
// answers; the answer goes to `clicked` with the button's index, after the
// question is gone.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Platform/ui/SceneContext.h"
#include "Platform/ui/SceneNode.h"

namespace tallo {

class Overlay {
public:
    virtual ~Overlay() = default;
    virtual void render(SceneNode& into, SceneContext& context, const std::string& id) = 0;
};

class AlertView : public Overlay, public std::enable_shared_from_this<AlertView> {
public:
    AlertView(std::string title, std::string message, std::string cancelButtonTitle,
              std::vector<std::string> otherButtonTitles = {});

    std::function<void(int buttonIndex)> clicked;
    const std::string& title() const { return title_; }
    const std::string& message() const { return message_; }
    // Over the application's window.
    void show();
    void render(SceneNode& into, SceneContext& context, const std::string& id) override;

private:
    std::string title_;
    std::string message_;
    std::vector<std::string> buttons_;
};

class ActionSheet : public Overlay, public std::enable_shared_from_this<ActionSheet> {
public:
    ActionSheet(std::string title, std::string cancelButtonTitle, std::string destructiveButtonTitle,
                std::vector<std::string> otherButtonTitles = {});

    std::function<void(int buttonIndex)> clicked;
    int cancelButtonIndex() const { return static_cast<int>(buttons_.size()) - 1; }
    int destructiveButtonIndex() const { return hasDestructive_ ? 0 : -1; }
    void show();
    void render(SceneNode& into, SceneContext& context, const std::string& id) override;

private:
    std::string title_;
    std::vector<std::string> buttons_;
    bool hasDestructive_;
};

}  // namespace tallo
