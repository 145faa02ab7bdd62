#include "Classes/screens/wizard/TLWizard.h"

#include <algorithm>

#include "Classes/ledger/TLAccount.h"
#include "Classes/ledger/TLCategory.h"
#include "Classes/ledger/TLPayee.h"
#include "Classes/ledger/TLSplit.h"
#include "Classes/ledger/TLTransaction.h"
#include "Classes/budgets/TLBudget.h"
#include "Classes/screens/accounts/AccountChooserViewC.h"
#include "Classes/screens/amount/AmountViewC.h"
#include "Classes/screens/budgets/BudgetInfoViewC.h"
#include "Classes/screens/budgets/BudgetManageViewC.h"
#include "Classes/screens/categories/SelectCategoryViewC.h"
#include "Classes/screens/payees/PayeeSelectionViewC.h"
#include "Classes/screens/schedulers/SchedulerEditViewC.h"
#include "Classes/screens/transactions/TransactionEditViewC.h"
#include "Classes/shell/TLGlobal.h"
#include "Classes/store/TLAccountType.h"
#include "Classes/store/TLDatabase.h"
#include "Classes/store/TLTransactionType.h"

namespace tallo {

namespace {

std::unique_ptr<TLWizard>& sharedWizard() {
    static std::unique_ptr<TLWizard> wizard;
    return wizard;
}

TLSplit* insertSplit(TLTransaction* transaction) {
    auto* split = static_cast<TLSplit*>(TLDatabase::sharedDatabase().createObjectForEntity("Split"));
    split->setTransaction(transaction);
    return split;
}

Decimal magnitude(const Decimal& amount) { return amount < Decimal::zero() ? Decimal::zero() - amount : amount; }

}  // namespace

TLWizard& TLWizard::activeWizard() {
    auto& wizard = sharedWizard();
    if (!wizard) wizard = std::make_unique<TLWizard>();
    return *wizard;
}

void TLWizard::resetActiveWizard() { sharedWizard().reset(); }

bool TLWizard::isActive() const { return state_.stepIndex < static_cast<int>(state_.steps.size()) + 1; }

void TLWizard::beginWithInitiator(TLNavigationViewC* initiator, Initiator kind, ManagedObject* object) {
    start(initiator, kind, object);
    plan(kind, dynamic_cast<TLTransaction*>(object));
    next();
}

void TLWizard::beginWithSteps(TLNavigationViewC* initiator, ManagedObject* object, std::vector<int> steps) {
    start(initiator, Initiator::Other, object);
    state_.steps = std::move(steps);
    next();
}

void TLWizard::start(TLNavigationViewC* initiator, Initiator kind, ManagedObject* object) {
    // Only the running wizard's own step screen (its editor) can start one
    // inside it; anything else starts afresh.
    if (isActive() && state_.active == initiator) {
        waiting_.push_back(state_);
    } else {
        waiting_.clear();
    }
    int tag = state_.tag;
    state_ = State{};
    state_.tag = tag;
    state_.initiator = initiator;
    state_.active = initiator;
    state_.object = object;
    state_.kind = kind;
    state_.stepIndex = 0;

    auto* transaction = dynamic_cast<TLTransaction*>(object);
    if (transaction != nullptr) {
        if (transaction->splits().toVector().empty()) insertSplit(transaction);
        bool fromEditor = kind == Initiator::TransactionEditor || kind == Initiator::SchedulerList;
        if (!fromEditor && transaction->account() != nullptr && transaction->account()->type() == TLAccountType::Asset) {
            transaction->changeTypeTo(TLTransactionType::Income);
        }
    }
}

void TLWizard::plan(Initiator kind, TLTransaction* transaction) {
    TLGlobal& global = TLGlobal::sharedGlobal();
    bool payees = global.usePayee();
    bool categories = global.useCategory();
    std::vector<int>& steps = state_.steps;
    switch (kind) {
        case Initiator::TransactionsList:
        case Initiator::AccountsList:
            if (payees) steps.push_back(PayeeStep);
            if (categories) steps.push_back(CategoryStep);
            steps.push_back(AmountStep);
            steps.push_back(TransactionEditorStep);
            break;
        case Initiator::CategoryList:
            if (payees) steps.push_back(PayeeStep);
            steps.push_back(AmountStep);
            steps.push_back(TransactionEditorStep);
            break;
        case Initiator::PayeeList: {
            TLSplit* first = transaction != nullptr ? transaction->getSplit() : nullptr;
            if (categories && (first == nullptr || first->category() == nullptr)) steps.push_back(CategoryStep);
            steps.push_back(AmountStep);
            steps.push_back(TransactionEditorStep);
            break;
        }
        case Initiator::SchedulerList:
            // A new schedule (tag 1) ends in the scheduled-transaction
            // editor; anything else started from the list (a payment) is
            // shown in the transaction editor alone.
            if (state_.tag != kNewSchedulerTag) {
                steps.push_back(TransactionEditorStep);
                break;
            }
            if (payees) steps.push_back(PayeeStep);
            if (categories) steps.push_back(CategoryStep);
            steps.push_back(AmountStep);
            steps.push_back(SchedulerEditorStep);
            break;
        case Initiator::TransactionEditor:
            state_.operation = NewSplit;
            if (categories) steps.push_back(CategoryStep);
            steps.push_back(AmountStep);
            break;
        case Initiator::BudgetScreen:
            steps.push_back(BudgetCategoriesStep);
            steps.push_back(BudgetStep);
            break;
        case Initiator::Other: steps.push_back(TransactionEditorStep); break;
    }
}

std::shared_ptr<TLNavigationViewC> TLWizard::makeScreen(int step) {
    auto* transaction = dynamic_cast<TLTransaction*>(state_.object);
    auto* split = dynamic_cast<TLSplit*>(state_.object);
    switch (step) {
        case CategoryStep: {
            auto chooser = std::make_shared<SelectCategoryViewC>();
            chooser->transaction = transaction != nullptr ? transaction : (split != nullptr ? split->transaction() : nullptr);
            return chooser;
        }
        case PayeeStep: return std::make_shared<PayeeSelectionViewC>();
        case AmountStep: {
            auto amount = std::make_shared<AmountViewC>();
            TLTransaction* owner = split != nullptr ? split->transaction() : transaction;
            amount->setTransaction(owner);
            TLSplit* edited = split;
            if (edited == nullptr && owner != nullptr) {
                std::vector<TLSplit*> splits = owner->getOrderedSplit();
                if (!splits.empty()) edited = splits.back();
            }
            if (edited != nullptr) amount->setAmount(edited->amount().value_or(Decimal::zero()));
            amount->setCanSelectCurrency(true);
            amount->wizardDone = [] { TLWizard::activeWizard().next(); };
            amount->wizardCancel = [] { TLWizard::activeWizard().cancel(); };
            return amount;
        }
        case TransactionEditorStep: {
            auto editor = std::make_shared<TransactionEditViewC>(transaction);
            editor->showAccount = state_.kind != Initiator::TransactionsList;
            return editor;
        }
        case BudgetCategoriesStep: {
            auto manage = std::make_shared<BudgetManageViewC>();
            manage->budget = dynamic_cast<TLBudget*>(state_.object);
            return manage;
        }
        // The budget itself, in editing: the limits just chosen, to review.
        case BudgetStep: return std::make_shared<BudgetInfoViewC>();
        case SchedulerEditorStep: return std::make_shared<SchedulerEditViewC>(transaction);
        case AccountStep: {
            TLAccount* current = transaction != nullptr ? transaction->account() : nullptr;
            auto chooser = std::make_shared<AccountChooserViewC>(current);
            chooser->wizardDone = [] { TLWizard::activeWizard().next(); };
            chooser->wizardCancel = [] { TLWizard::activeWizard().cancel(); };
            return chooser;
        }
        default: return nullptr;
    }
}

void TLWizard::collect() {
    TLNavigationViewC* screen = state_.active;
    auto* transaction = dynamic_cast<TLTransaction*>(state_.object);
    auto* split = dynamic_cast<TLSplit*>(state_.object);
    if (auto* accounts = dynamic_cast<AccountChooserViewC*>(screen)) {
        if (transaction == nullptr || accounts->account == nullptr) return;
        transaction->setAccount(accounts->account);
        transaction->copyCurrencyFromAccount();
    } else if (auto* chooser = dynamic_cast<SelectCategoryViewC*>(screen)) {
        TLCategory* category = chooser->category;
        if (split != nullptr) {
            split->changeCategoryTo(category);
        } else if (transaction != nullptr) {
            TLSplit* first = transaction->getSplit();
            if (first == nullptr) first = insertSplit(transaction);
            if (category != nullptr) first->changeCategoryTo(category);
        }
    } else if (auto* payees = dynamic_cast<PayeeSelectionViewC*>(screen)) {
        if (transaction == nullptr || payees->payee == nullptr) return;
        transaction->setPayee(payees->payee);
        TLCategory* usual = payees->payee->category();
        // A payee's default category files the first split and answers the
        // category step; without one, a category already chosen stays.
        if (usual == nullptr) return;
        TLSplit* first = transaction->getSplit();
        if (first == nullptr) first = insertSplit(transaction);
        first->changeCategoryTo(usual);
        auto& steps = state_.steps;
        auto found = std::find(steps.begin() + state_.stepIndex, steps.end(), static_cast<int>(CategoryStep));
        if (found != steps.end()) steps.erase(found);
    } else if (auto* amount = dynamic_cast<AmountViewC*>(screen)) {
        Decimal entered = magnitude(amount->getAmount());
        if (split != nullptr) {
            split->changeAmountTo(entered);
        } else if (transaction != nullptr) {
            if (transaction->type() != amount->transactionType()) transaction->changeTypeTo(amount->transactionType());
            std::vector<TLSplit*> splits = transaction->getOrderedSplit();
            if (!splits.empty()) splits.back()->changeAmountTo(entered);
        }
    }
}

void TLWizard::next() {
    if (!isActive()) return;
    if (state_.stepIndex > 0) collect();
    if (state_.stepIndex >= static_cast<int>(state_.steps.size())) return end();
    int step = state_.steps[static_cast<size_t>(state_.stepIndex)];
    std::shared_ptr<TLNavigationViewC> screen = makeScreen(step);
    ++state_.stepIndex;
    if (!screen) return next();
    TLNavigationViewC* opened = screen.get();
    if (state_.first == nullptr) {
        state_.first = opened;
        state_.active = opened;
        state_.initiator->presentModalView(std::move(screen), 1);
    } else {
        TLNavigationViewC* from = state_.active;
        state_.active = opened;
        from->pushView(std::move(screen), 1, false);
    }
}

void TLWizard::finish() {
    TLNavigationViewC* first = state_.first;
    state_.steps.clear();
    state_.stepIndex = kEnded;
    state_.active = nullptr;
    state_.first = nullptr;
    if (!waiting_.empty()) {
        state_ = waiting_.back();
        waiting_.pop_back();
    }
    // Closing the first step screen closes the whole modal stack above the initiator.
    if (first != nullptr) first->popView();
}

void TLWizard::end() { finish(); }

void TLWizard::cancel() {
    if (!isActive()) return;
    if (state_.operation == NewSplit) {
        // Only the new split goes: the editor's other changes are still to
        // be saved or cancelled there.
        if (auto* split = dynamic_cast<TLSplit*>(state_.object); split != nullptr && !split->isDeleted()) {
            TLDatabase::sharedDatabase().deleteObject(split);
            TLDatabase::sharedDatabase().context()->processPendingChanges();
        }
        return finish();
    }
    state_.object = nullptr;
    if (state_.kind == Initiator::BudgetScreen) {
        // The budget screen below reloads as the steps close: it must read
        // the store as it was, not the records the steps made.
        TLDatabase::sharedDatabase().rollback();
        return finish();
    }
    finish();
    TLDatabase::sharedDatabase().rollback();
}

}  // namespace tallo
