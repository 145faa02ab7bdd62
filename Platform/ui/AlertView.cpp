#include "Platform/ui/AlertView.h"

#include "Platform/ui/Application.h"

namespace tallo {

namespace {

// The buttons of a question as "button" children answering `answer`.
void renderButtons(SceneNode& node, SceneContext& context, const std::string& id, const std::vector<std::string>& titles,
                   const std::function<void(int)>& answer) {
    for (size_t i = 0; i < titles.size(); ++i) {
        std::string buttonId = id + ":" + std::to_string(i);
        node.add(SceneNode("button", buttonId)).set("title", titles[i]);
        context.addAction(buttonId, [answer, i](const UIEvent& event) {
            if (event.kind == UIEvent::Kind::Tap) answer(static_cast<int>(i));
        });
    }
}

}  // namespace

AlertView::AlertView(std::string title, std::string message, std::string cancelButtonTitle,
                     std::vector<std::string> otherButtonTitles)
    : title_(std::move(title)), message_(std::move(message)) {
    if (!cancelButtonTitle.empty()) buttons_.push_back(std::move(cancelButtonTitle));
    for (auto& other : otherButtonTitles) buttons_.push_back(std::move(other));
}

void AlertView::show() { Application::sharedApplication().showOverlay(shared_from_this()); }

void AlertView::render(SceneNode& into, SceneContext& context, const std::string& id) {
    SceneNode& alert = into.add(SceneNode("alert", id));
    alert.set("title", title_);
    if (!message_.empty()) alert.set("message", message_);
    std::weak_ptr<AlertView> self = weak_from_this();
    renderButtons(alert, context, id, buttons_, [self](int index) {
        auto alert = self.lock();
        if (!alert) return;
        Application::sharedApplication().removeOverlay(alert.get());
        if (alert->clicked) alert->clicked(index);
    });
}

ActionSheet::ActionSheet(std::string title, std::string cancelButtonTitle, std::string destructiveButtonTitle,
                         std::vector<std::string> otherButtonTitles)
    : title_(std::move(title)), hasDestructive_(!destructiveButtonTitle.empty()) {
    if (hasDestructive_) buttons_.push_back(std::move(destructiveButtonTitle));
    for (auto& other : otherButtonTitles) buttons_.push_back(std::move(other));
    buttons_.push_back(std::move(cancelButtonTitle));
}

void ActionSheet::show() { Application::sharedApplication().showOverlay(shared_from_this()); }

void ActionSheet::render(SceneNode& into, SceneContext& context, const std::string& id) {
    SceneNode& sheet = into.add(SceneNode("sheet", id));
    if (!title_.empty()) sheet.set("title", title_);
    if (hasDestructive_) sheet.set("destructive", 0);
    sheet.set("cancel", cancelButtonIndex());
    std::weak_ptr<ActionSheet> self = weak_from_this();
    renderButtons(sheet, context, id, buttons_, [self](int index) {
        auto sheet = self.lock();
        if (!sheet) return;
        Application::sharedApplication().removeOverlay(sheet.get());
        if (sheet->clicked) sheet->clicked(index);
    });
}

}  // namespace tallo
