#include "Classes/shell/TLViewC.h"

#include <cstdio>

#include "Classes/shell/TLDatePicker.h"
#include "Classes/shell/TLGlobal.h"
#include "Classes/shell/TLPicker.h"
#include "Platform/foundation/RunLoop.h"
#include "Platform/ui/Application.h"

namespace tallo {

namespace {

constexpr double kRoomAnimationSeconds = 0.3;
constexpr double kTabBarRoom = 50;
constexpr double kHiddenNavigationBarRoom = 62;
constexpr double kHeaderHideDelay = 0.1;
constexpr double kFooterResizeDelay = 0.2;

}  // namespace

TLViewC::TLViewC(TableView::Style style) : tableView_(style) {
    tableView_.setDataSource(this);
    tableView_.setDelegate(this);
    NotificationCenter& center = NotificationCenter::defaultCenter();
    auto show = [this](const Notification& note) { keyboardWillShow(note); };
    auto hide = [this](const Notification& note) { keyboardWillHide(note); };
    center.addObserver(this, kKeyboardWillShowNotification, show);
    center.addObserver(this, "pickerWillShow", show);
    center.addObserver(this, kKeyboardWillHideNotification, hide);
    center.addObserver(this, "pickerWillHide", hide);
}

TLViewC::~TLViewC() { NotificationCenter::defaultCenter().removeObserver(this); }

void TLViewC::viewDidLoad() {
    configureView();
    createHeaderAndFooter();
}

void TLViewC::setEditing(bool editing, bool animated) {
    TLNavigationViewC::setEditing(editing, animated);
    tableView_.setEditing(editing, animated);
    updateFields();
}

void TLViewC::toggleEdit() {
    TLNavigationViewC::toggleEdit();
    updateFields();
    performAfterDelay(kFooterResizeDelay, [this] { resizeFooterView(); });
}

void TLViewC::viewWillAppear(bool) {
    isVisible = true;
    if (selectedIndexPath_ != kNoSelection && !TLGlobal::sharedGlobal().shouldMissDeselect()) {
        tableView_.selectRowAtIndexPath(selectedIndexPath_, false);
    }
}

void TLViewC::viewDidAppear(bool) {
    if (selectedIndexPath_ != kNoSelection && !TLGlobal::sharedGlobal().shouldMissDeselect()) {
        tableView_.deselectRowAtIndexPath(selectedIndexPath_, true);
    }
    selectedIndexPath_ = kNoSelection;
}

void TLViewC::viewWillDisappear(bool) { isVisible = false; }

void TLViewC::renderContent(SceneNode& content, SceneContext& context) {
    if (isHeaderViewEnabled) renderHeaderView(content, context);
    if (tableView_.isHidden()) {
        SceneNode& empty = content.add(SceneNode("empty"));
        if (!label.empty()) empty.set("title", label);
        if (!label2.empty()) empty.set("detail", label2);
        if (infoViewShown) empty.set("info", true);
    }
    tableView_.render(content, context);
}

void TLViewC::showHeaderViewAnimated(bool animated) { tableView_.setContentOffset(0, animated ? kRoomAnimationSeconds : 0); }

void TLViewC::hideHeaderViewAnimated(bool animated) {
    auto hide = [this, animated] {
        // Only a header partly in view is scrolled away; rows further down stay.
        if (tableView_.contentOffset() < headerHeight) {
            tableView_.setContentOffset(headerHeight, animated ? kRoomAnimationSeconds : 0);
        }
    };
    if (headerHideDelay > 0) {
        performAfterDelay(headerHideDelay, hide);
    } else {
        hide();
    }
}

void TLViewC::scrollViewDidEndDragging(TableView&, double offset) {
    if (!isHeaderViewEnabled || offset >= headerHeight) return;
    double inView = headerHeight - offset;
    if (inView > headerHeight / 2) {
        bool wasActivated = isHeaderViewActivated;
        isHeaderViewActivated = true;
        showHeaderViewAnimated(!wasActivated);
    } else if (shouldHeaderViewHideOnEndDraging) {
        isHeaderViewActivated = false;
        headerHideDelay = kHeaderHideDelay;
        hideHeaderViewAnimated(true);
    }
}

void TLViewC::keyboardWillShow(const Notification& notification) {
    if (!isVisible) return;
    TLGlobal& global = TLGlobal::sharedGlobal();
    global.datePicker().resignAllResponders();
    global.picker().resignAllResponders();
    if (keyboardIsOn) return;
    keyboardIsOn = true;
    double height = 0;
    if (notification.name == "pickerWillShow") {
        height = global.datePicker().picker().frame().height;
    } else if (const auto* info = std::any_cast<KeyboardInfo>(&notification.userInfo)) {
        height = info->beginFrame.height;
    }
    double room = height;
    if (!isModalView) room -= kTabBarRoom;
    NavigationController* stack = navigationController();
    if (stack != nullptr && stack->isNavigationBarHidden()) room -= kHiddenNavigationBarRoom;
    if (room < 0) room = 0;
    keyboardRoom_ = room;
    tableView_.setBottomInset(tableView_.bottomInset() + room);
    resizeFooterView();
    // The field being typed in stays in view, and the header gives it room.
    int section = 0, row = 0;
    const std::string& field = Application::sharedApplication().focusedTarget();
    if (std::sscanf(field.c_str(), "field:%d:%d", &section, &row) == 2) {
        tableView_.scrollToRowAtIndexPath(IndexPath{section, row}, true);
        if (isHeaderViewEnabled && !isHeaderViewActivated) hideHeaderViewAnimated(true);
    }
}

void TLViewC::keyboardWillHide(const Notification&) {
    if (isReloading || !keyboardIsOn) return;
    keyboardIsOn = false;
    // Exactly what was taken: a will-hide with another keyboard height must
    // not leave the table shorter or longer than it was.
    tableView_.setBottomInset(tableView_.bottomInset() - keyboardRoom_);
    keyboardRoom_ = 0;
    resizeFooterView();
}

void TLViewC::performAfterDelay(double seconds, std::function<void()> task) {
    std::weak_ptr<ViewController> weak = weak_from_this();
    RunLoop::main().performAfterDelay(seconds, [weak, task = std::move(task)] {
        if (auto alive = weak.lock()) task();
    });
}

SceneNode TLViewC::footerText(const std::string& text, double size, bool bold) {
    SceneNode line("text");
    line.set("text", text);
    line.set("size", size);
    if (bold) line.set("bold", true);
    line.set("align", "center");
    line.set("color", Color{0.392, 0.4, 0.486}.css());
    return line;
}

}  // namespace tallo
