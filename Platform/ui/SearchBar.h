#pragma once
// SearchBar: the search field at the head of a list, with its "Cancel"
// button. The screen that owns it draws it (into its header area) with an
// id; typing is a text event on that id, the button a tap on "<id>:cancel":
//
//   searchbar#search placeholder="Search" text="caf"
//     button#search:cancel title="Cancel"
//   {"kind":"text","target":"search","text":"cafe"}
//
// Every change of the text is reported, also to the empty text; "Cancel"
// empties the field and reports that.

#include <functional>
#include <string>

#include "Platform/ui/SceneContext.h"
#include "Platform/ui/SceneNode.h"

namespace tallo {

class SearchBar {
public:
    std::string text;
    std::string placeholder;
    bool showsCancelButton = true;
    // Called with the new text after every change.
    std::function<void(const std::string&)> textDidChange;
    // Called after "Cancel" emptied the field.
    std::function<void()> cancelButtonClicked;

    // Draws the bar under `id`; the owner must outlive the rendering's handlers.
    void render(SceneNode& into, SceneContext& context, const std::string& id);
};

}  // namespace tallo
