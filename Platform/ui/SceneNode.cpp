#include "Platform/ui/SceneNode.h"

#include <boost/json.hpp>

#include <cmath>
#include <cstdio>

namespace tallo {

namespace json = boost::json;

namespace {

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out + "\"";
}

std::string number(double value) {
    if (std::floor(value) == value && std::fabs(value) < 1e15) return std::to_string(static_cast<long long>(value));
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}

json::value toValue(const SceneNode& node) {
    json::object object;
    object["kind"] = node.kind();
    if (!node.id().empty()) object["id"] = node.id();
    for (const auto& [name, value] : node.properties()) {
        if (const auto* text = std::get_if<std::string>(&value)) {
            object[name] = *text;
        } else if (const auto* flag = std::get_if<bool>(&value)) {
            object[name] = *flag;
        } else {
            object[name] = std::get<double>(value);
        }
    }
    if (!node.children().empty()) {
        json::array children;
        children.reserve(node.children().size());
        for (const SceneNode& child : node.children()) children.push_back(toValue(child));
        object["children"] = std::move(children);
    }
    return object;
}

}  // namespace

SceneNode& SceneNode::set(const std::string& name, std::string value) {
    properties_[name] = std::move(value);
    return *this;
}

SceneNode& SceneNode::set(const std::string& name, double value) {
    properties_[name] = value;
    return *this;
}

SceneNode& SceneNode::set(const std::string& name, bool value) {
    properties_[name] = value;
    return *this;
}

const SceneNode::Property* SceneNode::property(const std::string& name) const {
    auto found = properties_.find(name);
    return found == properties_.end() ? nullptr : &found->second;
}

SceneNode& SceneNode::add(SceneNode child) {
    children_.push_back(std::move(child));
    return children_.back();
}

const SceneNode* SceneNode::find(const std::string& id) const {
    if (id_ == id) return this;
    for (const SceneNode& child : children_) {
        if (const SceneNode* found = child.find(id)) return found;
    }
    return nullptr;
}

const SceneNode* SceneNode::findKind(const std::string& kind) const {
    if (kind_ == kind) return this;
    for (const SceneNode& child : children_) {
        if (const SceneNode* found = child.findKind(kind)) return found;
    }
    return nullptr;
}

void SceneNode::appendText(std::string& out, int depth) const {
    out.append(static_cast<size_t>(depth) * 2, ' ');
    out += kind_;
    if (!id_.empty()) out += "#" + id_;
    for (const auto& [name, value] : properties_) {
        out += " " + name + "=";
        if (const auto* text = std::get_if<std::string>(&value)) {
            out += quoted(*text);
        } else if (const auto* flag = std::get_if<bool>(&value)) {
            out += *flag ? "yes" : "no";
        } else {
            out += number(std::get<double>(value));
        }
    }
    out += "\n";
    for (const SceneNode& child : children_) child.appendText(out, depth + 1);
}

std::string SceneNode::toText() const {
    std::string out;
    appendText(out, 0);
    return out;
}

std::string SceneNode::toJSON() const { return json::serialize(toValue(*this)); }

}  // namespace tallo
