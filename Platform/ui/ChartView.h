#pragma once
// ChartView: a chart the page draws — a doughnut of shares, bars side by
// side, or a line — from the figures the program computed. The node carries
// them as one JSON text, each value a decimal written out in full so the
// page draws exactly the program's numbers:
//
//   chart#chart type="doughnut" caption="Total $230.89" data="{"labels":["Food","Car"],
//     "series":[{"label":"Spent","values":["163.642","60"],"colors":["#4c6ef5","#f59f00"]}]}"
//
// A tap on a point (a slice, a bar, a dot) comes back as a tap on
// "chart:<index of its label>", and reaches pointTapped; without it the
// chart takes no taps. Main thread only.

#include <functional>
#include <string>
#include <vector>

#include "Platform/ui/SceneContext.h"
#include "Platform/ui/SceneNode.h"

namespace tallo {

struct ChartSeries {
    std::string label;
    std::vector<std::string> values;  // one decimal text a label
    std::vector<std::string> colors;  // CSS colours: one a label, or one for the whole series
};

class ChartView {
public:
    enum class Kind { Doughnut, Bar, Line };

    Kind kind = Kind::Doughnut;
    std::vector<std::string> labels;
    std::vector<ChartSeries> series;
    std::string caption;   // a line under the chart ("" for none)
    std::string centerText;  // written in the middle of a doughnut ("" for none)
    std::function<void(int index)> pointTapped;

    // The figures as the node's "data" text.
    std::string dataJSON() const;
    SceneNode render(SceneContext& context) const;
};

}  // namespace tallo
