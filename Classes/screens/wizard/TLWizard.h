#pragma once
// TLWizard: the entry wizard, one object for the process (activeWizard).
// New transactions and new splits are entered as a short row of screens —
// payee, category, amount, then the transaction editor — planned by the
// screen that starts it (the initiator) and the transaction settings:
//
//   transactions or accounts list: payee, category, amount, editor
//   category list or screen:       payee, amount, editor
//   payee list:                    category (only when the first split has
//                                  none yet), amount, editor
//   scheduler list, a new schedule: payee, category, amount, then the
//                                  scheduled-transaction editor
//   transaction editor (a split):  category, amount — a new split
//   budget screen (the budget):    budget categories, then the budget
//                                  screen to review the limits
//   anything else:                 the editor alone
//
// The account chooser (AccountStep) is in no plan; beginWithSteps runs it.
//
// The payee step is planned only with payees in use, the category step only
// with categories in use. A payee with a default category files the first
// split there and drops the category step.
//
// The first step is presented modally from the initiator, later ones pushed
// on it; each step screen in view mode 1 calls next instead of closing.
// next applies the finished step's answer to the object: the payee, the
// category (of the first split, or of the split object), the amount screen's
// type and amount (of the last split, or of the split object). After the last
// step, or when the editor saves, end closes every step screen at once; the
// initiator hears willDismissModalView of the first.
//
// cancel closes the step screens too. For a new transaction it rolls the
// store back to its last save, so nothing the wizard made (transaction,
// payee, category) stays behind; for a new split only that split goes, and
// the editor's other unsaved changes stay.
//
// A wizard begun from the running one's current screen (a split added in
// the editor of a new transaction) runs on its own and, once ended or
// cancelled, gives the running one back; begun from anywhere else it
// starts afresh.

#include <memory>
#include <vector>

namespace tallo {

class ManagedObject;
class TLNavigationViewC;
class TLTransaction;

class TLWizard {
public:
    // Step codes.
    enum Step : int {
        AccountStep = 0,
        CategoryStep = 1,
        PayeeStep = 2,
        AmountStep = 3,
        TransactionEditorStep = 4,
        SchedulerEditorStep = 5,
        BudgetCategoriesStep = 6,
        BudgetStep = 7,
    };
    // What is being built.
    enum Operation : int { NewTransaction = 0, NewSplit = 2 };
    // Who started it.
    enum class Initiator { TransactionsList, AccountsList, CategoryList, PayeeList, SchedulerList, TransactionEditor, BudgetScreen, Other };
    static constexpr int kEnded = 100000;
    // Tags the caller sets before starting: a new schedule from the
    // scheduler list (payee, category, amount, then the scheduled-transaction
    // editor), or paying a schedule (the transaction editor alone).
    static constexpr int kNewSchedulerTag = 1;
    static constexpr int kPaySchedulerTag = 2;

    static TLWizard& activeWizard();
    // Tests only: forgets the shared wizard and its state.
    static void resetActiveWizard();

    // Plans the steps for `kind` and opens the first. `object` is a
    // TLTransaction, a TLSplit for a new split, or the TLBudget whose limits
    // are planned.
    void beginWithInitiator(TLNavigationViewC* initiator, Initiator kind, ManagedObject* object);
    // Runs exactly `steps` (step codes, operation NewTransaction) on
    // `object`, for a sequence the plans above do not make — such as the
    // account chooser first, whose choice sets the transaction's account and
    // takes over its currency.
    void beginWithSteps(TLNavigationViewC* initiator, ManagedObject* object, std::vector<int> steps);
    void next();
    void end();
    void cancel();
    bool isActive() const;

    int operation() const { return state_.operation; }
    int tag() const { return state_.tag; }
    void setTag(int tag) { state_.tag = tag; }
    TLNavigationViewC* initiatorView() const { return state_.initiator; }
    TLNavigationViewC* activeView() const { return state_.active; }
    ManagedObject* object() const { return state_.object; }
    const std::vector<int>& steps() const { return state_.steps; }

private:
    struct State {
        TLNavigationViewC* initiator = nullptr;
        TLNavigationViewC* active = nullptr;
        TLNavigationViewC* first = nullptr;
        ManagedObject* object = nullptr;
        Initiator kind = Initiator::Other;
        std::vector<int> steps;
        int stepIndex = kEnded;
        int operation = NewTransaction;
        int tag = 0;
    };
    // A fresh state on `object`: a transaction gets its first split, and one
    // begun in an asset account (outside the editors) becomes an income.
    void start(TLNavigationViewC* initiator, Initiator kind, ManagedObject* object);
    void plan(Initiator kind, TLTransaction* transaction);
    std::shared_ptr<TLNavigationViewC> makeScreen(int step);
    void collect();
    // Closes the step screens and gives a waiting wizard back.
    void finish();

    State state_;
    std::vector<State> waiting_;
};

}  // namespace tallo
