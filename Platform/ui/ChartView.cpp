#include "Platform/ui/ChartView.h"

#include <boost/json.hpp>

namespace tallo {

namespace json = boost::json;

namespace {

json::array strings(const std::vector<std::string>& texts) {
    json::array out;
    for (const std::string& text : texts) out.emplace_back(text);
    return out;
}

const char* kindName(ChartView::Kind kind) {
    switch (kind) {
        case ChartView::Kind::Bar: return "bar";
        case ChartView::Kind::Line: return "line";
        case ChartView::Kind::Doughnut: break;
    }
    return "doughnut";
}

}  // namespace

std::string ChartView::dataJSON() const {
    json::array all;
    for (const ChartSeries& each : series) {
        all.emplace_back(json::object{{"label", each.label}, {"values", strings(each.values)}, {"colors", strings(each.colors)}});
    }
    return json::serialize(json::object{{"labels", strings(labels)}, {"series", std::move(all)}});
}

SceneNode ChartView::render(SceneContext& context) const {
    SceneNode node("chart", "chart");
    node.set("type", kindName(kind));
    node.set("data", dataJSON());
    if (!caption.empty()) node.set("caption", caption);
    if (!centerText.empty()) node.set("center", centerText);
    if (pointTapped) {
        node.set("tappable", true);
        for (size_t i = 0; i < labels.size(); ++i) {
            context.addAction("chart:" + std::to_string(i), [tapped = pointTapped, i](const UIEvent&) {
                tapped(static_cast<int>(i));
            });
        }
    }
    return node;
}

}  // namespace tallo
