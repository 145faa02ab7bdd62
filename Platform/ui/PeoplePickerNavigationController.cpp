#include "Platform/ui/PeoplePickerNavigationController.h"

#include "Platform/foundation/Localization.h"
#include "Platform/ui/TableView.h"

namespace tallo {

class PeoplePickerNavigationController::List : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    explicit List(PeoplePickerNavigationController* owner) : owner_(owner) {
        setTitle(L("All Contacts"));
        table_.setDataSource(this);
        table_.setDelegate(this);
        navigationItem().rightBarButtonItem = BarButtonItem{L("Cancel"), "", true, false, [this] {
                                                                if (owner_->didCancel) owner_->didCancel();
                                                            }};
    }
    int tableViewNumberOfRowsInSection(TableView&, int) override {
        return static_cast<int>(owner_->book_->people().size());
    }
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath path) override {
        auto cell = std::make_shared<TableViewCell>();
        const Person& person = owner_->book_->people()[static_cast<size_t>(path.row)];
        std::string name = person.displayName();
        cell->textLabel().text = name.empty() ? L("No Name") : name;
        return cell;
    }
    void tableViewDidSelectRowAtIndexPath(TableView&, IndexPath path) override {
        const auto& people = owner_->book_->people();
        if (path.row < 0 || static_cast<size_t>(path.row) >= people.size()) return;
        Person chosen = people[static_cast<size_t>(path.row)];  // the callback may reload the book
        if (owner_->didSelectPerson) owner_->didSelectPerson(chosen);
    }
    void renderContent(SceneNode& content, SceneContext& context) override {
        table_.render(content, context);
        SceneNode& upload = content.add(SceneNode("filepicker", "cardpicker"));
        upload.set("accept", ".vcf,.vcard,text/vcard");
        upload.set("title", L("Import vCard File"));
        if (!owner_->uploadError_.empty()) upload.set("error", owner_->uploadError_);
        std::weak_ptr<ViewController> weak = weak_from_this();
        context.addAction("cardpicker", [this, weak](const UIEvent& event) {
            auto alive = weak.lock();
            if (alive && event.kind == UIEvent::Kind::Picture) owner_->addCards(event.data);
        });
    }

private:
    PeoplePickerNavigationController* owner_;
    TableView table_;
};

const std::string& PeoplePickerNavigationController::addCards(const std::vector<uint8_t>& data) {
    AddressBook::Added added = book_->addCardData(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
    uploadError_.clear();
    for (const std::string& error : added.errors) uploadError_ += (uploadError_.empty() ? "" : "; ") + error;
    return uploadError_;
}

PeoplePickerNavigationController::PeoplePickerNavigationController(std::shared_ptr<AddressBook> book)
    : NavigationController(std::make_shared<List>(this)), book_(book ? std::move(book) : std::make_shared<AddressBook>()) {
    book_->load();
}

}  // namespace tallo
