#pragma once
// SyncScreen: the overlay shown over everything while the desktop
// exchanges the store with the device — a picture and a running activity
// indicator; nothing under it can be touched until it goes.

#include "Platform/ui/AlertView.h"

namespace tallo {

class SyncScreen : public Overlay {
public:
    void render(SceneNode& into, SceneContext& context, const std::string& id) override;
};

}  // namespace tallo
