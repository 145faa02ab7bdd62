#include "Classes/sync/SyncScreen.h"

#include "Platform/foundation/Localization.h"

namespace tallo {

void SyncScreen::render(SceneNode& into, SceneContext&, const std::string& id) {
    SceneNode& screen = into.add(SceneNode("busy", id));
    screen.set("image", "sync_screen.png");
    screen.set("title", L("Syncing with Corvane Tallo for Mac"));
    screen.set("activity", true);
}

}  // namespace tallo
