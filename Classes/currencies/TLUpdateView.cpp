#include "Classes/currencies/TLUpdateView.h"

#include "Classes/currencies/TLCurrencyCenter.h"
#include "Platform/foundation/Clock.h"
#include "Platform/foundation/DateFormatter.h"
#include "Platform/foundation/Localization.h"

namespace tallo {

namespace {

constexpr double kArmBeyond = -10;
constexpr double kDisarmAbove = -9;

}  // namespace

TLUpdateView::TLUpdateView() {
    startDownload = [] { TLCurrencyCenter::sharedCenter().downloadRatesOfActiveCurrencies(); };
    setState(0);
    updateDate();
}

void TLUpdateView::setState(int state) {
    state_ = state;
    switch (state) {
        case 1:
            status_ = L("Release to update...");
            arrowTurned_ = false;
            spinnerRunning_ = false;
            break;
        case 2:
            status_ = L("Updating...");
            arrowTurned_ = true;
            spinnerRunning_ = true;
            break;
        default:
            status_ = L("Pull down to update...");
            arrowTurned_ = true;
            spinnerRunning_ = false;
            break;
    }
}

void TLUpdateView::updateDate() {
    TLCurrencyCenter& center = TLCurrencyCenter::sharedCenter();
    if (!center.isConnection()) {
        lastUpdate_ = L("No connection");
        return;
    }
    DateFormatter formatter;
    formatter.setDateStyle(DateStyle::Medium);
    formatter.setTimeStyle(DateStyle::Medium);
    lastUpdate_ = L("Last updated ") + formatter.stringFromDate(center.updateDate().value_or(Clock::now()));
}

void TLUpdateView::scrollViewDidScroll(double y, bool dragging) {
    if (y < kArmBeyond) {
        if (state_ != 2) setState(1);
        return;
    }
    if (y > kDisarmAbove && state_ == 1) {
        if (dragging) {
            setState(0);
        } else {
            setState(2);
            if (startDownload) startDownload();
        }
    }
}

void TLUpdateView::render(SceneNode& into) const {
    SceneNode& header = into.add(SceneNode("updater"));
    header.set("status", status_);
    header.set("lastUpdate", lastUpdate_);
    header.set("state", state_);
    if (arrowTurned_) header.set("arrowTurned", true);
    if (spinnerRunning_) header.set("spinner", true);
}

}  // namespace tallo
