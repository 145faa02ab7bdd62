#pragma once
// PickerView: the platform's value picker — wheels (components) of rows,
// one row chosen on each. Its data source says how many wheels and rows
// there are and the title of each row; its delegate hears which row was
// chosen. Each row is drawn with an id "<picker id>:<component>:<row>", and
// choosing it is a tap on that id:
//
//   picker#picker frame="0,0,320,216" indicator=yes
//     component
//       pickerRow#picker:0:0 selected=yes title="Monthly"
//       pickerRow#picker:0:1 title="Weekly"
//   {"kind":"tap","target":"picker:0:1"}
//
// The data source and delegate are not owned; the screen that uses the
// shared picker sets them and clears them when it goes.

#include <functional>
#include <string>
#include <vector>

#include "Platform/ui/View.h"

namespace tallo {

class PickerView;

class PickerViewDataSource {
public:
    virtual ~PickerViewDataSource() = default;
    virtual int numberOfComponentsInPickerView(PickerView&) = 0;
    virtual int pickerViewNumberOfRowsInComponent(PickerView&, int component) = 0;
    virtual std::string pickerViewTitleForRow(PickerView&, int row, int component) = 0;
};

class PickerViewDelegate {
public:
    virtual ~PickerViewDelegate() = default;
    virtual void pickerViewDidSelectRow(PickerView&, int /*row*/, int /*component*/) {}
};

class PickerView : public View {
public:
    explicit PickerView(std::string id, Rect frame = {0, 0, 320, 216});

    const std::string& id() const { return id_; }
    PickerViewDataSource* dataSource() const { return dataSource_; }
    void setDataSource(PickerViewDataSource* source) { dataSource_ = source; }
    PickerViewDelegate* delegate() const { return delegate_; }
    void setDelegate(PickerViewDelegate* delegate) { delegate_ = delegate; }
    bool showsSelectionIndicator = false;

    // The chosen row of a wheel (0 until one is chosen).
    int selectedRowInComponent(int component) const;
    // Turns the wheel to `row`, without telling the delegate.
    void selectRow(int row, int component, bool animated);
    // Forgets the chosen rows (another screen brings other wheels).
    void reloadAllComponents() { selected_.clear(); }

protected:
    SceneNode makeNode(SceneContext& context) override;

private:
    std::string id_;
    PickerViewDataSource* dataSource_ = nullptr;
    PickerViewDelegate* delegate_ = nullptr;
    std::vector<int> selected_;
};

}  // namespace tallo
