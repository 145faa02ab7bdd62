#pragma once
// What the scheduler screen tests share: the category/payee screen fixture
// (a fresh application, an opener, the rows as text) with a book of USD
// accounts Checking and Savings, the categories Rent and Food, schedules
// made as the editor leaves them, and the Scheduler tab's list opened at the
// root of its own stack. "Now" is 15 March 2011, 10:00 (ScreenTest).

#include <string>

#include "Classes/schedules/TLScheduler.h"
#include "Classes/schedules/TLSchedulerCalendar.h"
#include "Classes/screens/schedulers/SchedulersViewC.h"
#include "Classes/store/TLAccountType.h"
#include "Classes/store/TLSchedulerFrequency.h"
#include "Classes/store/TLTransactionType.h"
#include "Platform/calendar/EventStore.h"
#include "tests/screens/CategoryPayeeScreenTest.h"

namespace tallo::test {

class SchedulerScreenTest : public CategoryPayeeScreenTest {
protected:
    SchedulerScreenTest() {
        TLSchedulerCalendar::resetEventStore();
        usd = currency("USD", true);
        checking = account("Checking", usd, TLAccountType::Bank, 0);
        savings = account("Savings", usd, TLAccountType::Bank, 1);
        rent = category("Rent");
        rent->setIsExpense(true);
        food = category("Food");
        food->setIsExpense(true);
        db().save();
    }
    ~SchedulerScreenTest() override { TLSchedulerCalendar::resetEventStore(); }

    // An expense of `amount` from Checking filed under `filed`, due `due`.
    TLScheduler* schedule(int frequency, Date due, const char* amount, TLCategory* filed, bool autopay = false) {
        auto* s = create<TLScheduler>();
        s->setType(TLTransactionType::Expense);
        s->setFrequency(frequency);
        s->setReminderType(TLSchedulerReminder::None);
        s->setNextDate(due);
        s->setAutopay(autopay);
        s->setInAccount(checking);
        s->setCurrency(usd);
        s->setTotalamount(Decimal::zero() - D(amount));
        auto* split = create<TLSplit>();
        split->setBill(s);
        split->setCategory(filed);
        split->changeAmountTo(D(amount));
        s->setSearchString(s->getSearchString());
        return s;
    }
    // The Scheduler tab's stack with its list in view.
    void openList() {
        list = std::make_shared<SchedulersViewC>();
        app().setRootViewController(std::make_shared<NavigationController>(list));
    }
    template <typename Screen>
    Screen* visible() {
        return dynamic_cast<Screen*>(app().visibleViewController());
    }
    void keys(const std::string& typed) {
        for (char c : typed) send(std::string(R"({"kind":"key","key":")") + c + "\"}");
    }
    size_t count(const char* entity) { return db().getAllObjectsWithEntityName(entity).size(); }
    // The section headers, "|"-joined.
    std::string headers() {
        SceneNode rendered = app().render();
        const SceneNode* table = rendered.find("table");
        std::string out;
        if (table == nullptr) return out;
        for (const SceneNode& section : table->children()) {
            if (section.kind() != "section") continue;
            if (!out.empty()) out += "|";
            out += text(section, "header");
        }
        return out;
    }
    // A row's pay control as "title" or "title (active)"; "" when it has none.
    std::string payControl(const std::string& rowId) {
        SceneNode rendered = app().render();
        const SceneNode* row = rendered.find(rowId);
        if (row == nullptr) return "(no row)";
        for (const SceneNode& child : row->children()) {
            if (child.kind() == "paybutton") return text(child, "title") + (child.property("active") ? " (active)" : "");
        }
        return "";
    }
    // The empty screen's two lines, "title / detail".
    std::string emptyState() {
        SceneNode rendered = app().render();
        const SceneNode* empty = rendered.findKind("empty");
        return empty == nullptr ? "(shown)" : text(*empty, "title") + " / " + text(*empty, "detail");
    }

    TLCurrency* usd;
    TLAccount* checking;
    TLAccount* savings;
    TLCategory* rent;
    TLCategory* food;
    std::shared_ptr<SchedulersViewC> list;
};

}  // namespace tallo::test
