#pragma once
// TLPictureCell: a list row whose picture answers a tap of its own, apart
// from the rest of the row (a category's or a payee's picture starts a new
// transaction, the row opens the record). The picture is a bundle picture
// by name, or a stored one, which goes to the page inline as PNG:
//
//   row#row:0:2 image="Car" imageAction="picture:0:2" text="Car" …
//
// Without pictureTapped the picture is an ordinary part of the row. An
// indented row is drawn set in ("indent=yes"). A caption names the row in a
// narrow column before the picture (label="Category"), as the fields of an
// editor are named.

#include <functional>
#include <string>

#include "Classes/store/TLPicture.h"
#include "Platform/ui/TableViewCell.h"

namespace tallo {

class TLPictureCell : public TableViewCell {
public:
    using TableViewCell::TableViewCell;

    // Shows `picture`; a stored picture that cannot be read shows none.
    void setPicture(const TLPicture& picture);
    std::function<void()> pictureTapped;
    // Set in under the row above it (a subcategory under its master).
    bool indented = false;
    // The row's name before the picture; empty: none.
    std::string caption;

    void render(SceneNode& row, SceneContext& context, const std::string& suffix) override;
};

}  // namespace tallo
