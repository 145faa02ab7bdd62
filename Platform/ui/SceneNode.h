#pragma once
// SceneNode: one element of the rendered screen — the tab bar, a navigation
// bar, a table row, a switch, an alert — with its kind, an identifier the
// client addresses events to (empty when it takes none), its properties as
// text, numbers or flags, and its children in drawing order.
//
// The toolkit renders the visible state into one tree of these per turn of
// the run loop; the server sends it to the browser as JSON, and tests
// compare it as canonical text, one node a line, indented by depth:
//   navbar title="Settings"
//     button#nav.left title="Home"
// Properties print in name order; text is quoted with \" and \\ escaped.

#include <map>
#include <string>
#include <variant>
#include <vector>

namespace tallo {

class SceneNode {
public:
    using Property = std::variant<std::string, double, bool>;

    SceneNode() = default;
    explicit SceneNode(std::string kind, std::string id = {}) : kind_(std::move(kind)), id_(std::move(id)) {}

    const std::string& kind() const { return kind_; }
    const std::string& id() const { return id_; }

    SceneNode& set(const std::string& name, std::string value);
    SceneNode& set(const std::string& name, const char* value) { return set(name, std::string(value)); }
    SceneNode& set(const std::string& name, double value);
    SceneNode& set(const std::string& name, int value) { return set(name, static_cast<double>(value)); }
    SceneNode& set(const std::string& name, bool value);
    const Property* property(const std::string& name) const;
    const std::map<std::string, Property>& properties() const { return properties_; }

    // Adds a child and answers it, for building the tree in place.
    SceneNode& add(SceneNode child);
    std::vector<SceneNode>& children() { return children_; }
    const std::vector<SceneNode>& children() const { return children_; }

    // The first node of the subtree (this one included) with that id or kind.
    const SceneNode* find(const std::string& id) const;
    const SceneNode* findKind(const std::string& kind) const;

    std::string toText() const;
    std::string toJSON() const;

private:
    void appendText(std::string& out, int depth) const;

    std::string kind_;
    std::string id_;
    std::map<std::string, Property> properties_;
    std::vector<SceneNode> children_;
};

}  // namespace tallo
