#pragma once
// SceneContext: what rendering collects besides the scene itself — the
// handler behind every id it rendered. The application answers an event
// only through these, so nothing that is not on the screen can be acted on.

#include <functional>
#include <map>
#include <string>

#include "Platform/ui/UIEvent.h"

namespace tallo {

class SceneContext {
public:
    using Handler = std::function<void(const UIEvent&)>;

    void addAction(const std::string& id, Handler handler) { actions_[id] = std::move(handler); }
    const Handler* action(const std::string& id) const {
        auto found = actions_.find(id);
        return found == actions_.end() ? nullptr : &found->second;
    }
    size_t size() const { return actions_.size(); }

private:
    std::map<std::string, Handler> actions_;
};

}  // namespace tallo
