// A list bound to the store: its empty state, its table, the store being
// replaced under it, and a detail screen that deletes its object.

#include "Classes/shell/CDViewC.h"

#include <filesystem>

#include "tests/shell/ScreenTestSupport.h"

namespace tallo {
namespace {

// Categories by name, as the categories tab lists them.
class CategoryList : public CDViewC {
public:
    CategoryList() {
        setTitle("Categories");
        isRootView = true;
        label = "No categories";
        label2 = "Press \"+\" to create your first category.";
    }
    std::string getEntityName() override { return "Category"; }
    std::vector<SortDescriptor> getSortDescriptorsArray() override { return {{"name", true}}; }
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath path) override {
        auto cell = std::make_shared<TableViewCell>();
        Value name = fetchedObjectAtIndexPath(path)->valueForKey("name");
        cell->textLabel().text = name.asString() != nullptr ? *name.asString() : "";
        return cell;
    }
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath path) override;
    void viewDidAppear(bool animated) override {
        // What the person saw as the list came back: the row still selected or not.
        selectedOnReturn = tableView().indexPathForSelectedRow();
        CDViewC::viewDidAppear(animated);
    }
    std::optional<IndexPath> selectedOnReturn;
};

// One category's screen, which can delete it.
class CategoryDetail : public CDViewC {
public:
    explicit CategoryDetail(ManagedObject* category) : category_(category) { setTitle("Category"); }
    ManagedObject* getObject() override { return category_; }
    std::string getDeleteButtonTitle() override { return "Delete Category"; }

private:
    ManagedObject* category_;
};

void CategoryList::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath path) {
    CDViewC::tableViewDidSelectRowAtIndexPath(table, path);
    table.selectRowAtIndexPath(path, false);
    pushView(std::make_shared<CategoryDetail>(fetchedObjectAtIndexPath(path)), 0);
}

class CDViewCTest : public test::ScreenTest {
protected:
    std::shared_ptr<CategoryList> showList() {
        auto list = std::make_shared<CategoryList>();
        app().setRootViewController(std::make_shared<NavigationController>(list));
        list->reloadData();
        return list;
    }
};

TEST_F(CDViewCTest, AnEmptyListShowsItsTextsUntilTheFirstRecordComes) {
    auto list = showList();
    std::string empty = scene();
    EXPECT_TRUE(has(empty, "empty detail=\"Press \\\"+\\\" to create your first category.\" info=yes title=\"No categories\"")) << empty;
    EXPECT_FALSE(has(empty, "table#table"));
    EXPECT_FALSE(has(empty, "nav:left"));  // nothing to edit

    list->createObjectForEntity("Category")->setValueForKey(Value("Rent"), "name");
    list->reloadData();
    EXPECT_EQ(scene(),
              "window\n"
              "  screen\n"
              "    navbar title=\"Categories\"\n"
              "      button#nav:left title=\"Edit\"\n"
              "      button#nav:right image=\"nav_add.png\" title=\"+\"\n"
              "    content\n"
              "      table#table change=\"reload\" style=\"plain\"\n"
              "        section\n"
              "          row#row:0:0 style=\"default\" text=\"Rent\"\n");
}

TEST_F(CDViewCTest, AListThatCanCreateRecordsKeepsItsTableWhenEmpty) {
    auto list = std::make_shared<CategoryList>();
    list->canCreateRecord = true;
    app().setRootViewController(std::make_shared<NavigationController>(list));
    list->reloadData();
    std::string shown = scene();
    EXPECT_TRUE(has(shown, "table#table")) << shown;
    EXPECT_FALSE(has(shown, "No categories"));
}

TEST_F(CDViewCTest, LimitAndOffsetPageThroughTheList) {
    for (const char* name : {"Travel", "Food", "Rent"}) category(name);
    auto list = showList();
    list->setFetchLimit(2);
    list->reloadData();
    EXPECT_EQ(list->frc()->fetchedObjects().size(), 2u);
    list->setFetchOffset(1);
    list->reloadData();
    std::string shown = scene();
    EXPECT_TRUE(has(shown, "row#row:0:0 style=\"default\" text=\"Rent\"\n          row#row:0:1 style=\"default\" text=\"Travel\"\n"))
        << shown;
}

TEST_F(CDViewCTest, AfterTheStoreIsReplacedTheListShowsTheNewStore) {
    category("Food");
    db().save();
    std::string file = db().urlToSqliteFile();
    std::string received = folder_.path() + "/received.sqlite";
    std::filesystem::copy_file(file, received);  // the desktop's copy: Food only

    auto list = showList();
    db().deleteObject(list->frc()->fetchedObjects().front());
    category("Travel");
    db().save();
    list->reloadData();
    EXPECT_TRUE(has(scene(), "text=\"Travel\"")) << scene();

    // As sync does: the file is replaced, the store reloaded, the lists told.
    std::filesystem::copy_file(received, file, std::filesystem::copy_options::overwrite_existing);
    db().reloadData();
    NotificationCenter::defaultCenter().postNotification("gotNewDatabase");
    list->reloadData();
    std::string shown = scene();
    EXPECT_TRUE(has(shown, "row#row:0:0 style=\"default\" text=\"Food\"\n")) << shown;
    EXPECT_FALSE(has(shown, "Travel"));
}

TEST_F(CDViewCTest, DeletingOnTheDetailScreenReturnsWithoutTouchingTheGoneRow) {
    category("Food");
    category("Rent");
    auto list = showList();

    // Without a deletion, coming back flashes the row tapped last.
    tap("row:0:1");
    tap("nav:back");
    ASSERT_TRUE(list->selectedOnReturn);
    EXPECT_EQ(*list->selectedOnReturn, (IndexPath{0, 1}));

    tap("row:0:1");
    auto* detail = dynamic_cast<CategoryDetail*>(app().visibleViewController());
    ASSERT_NE(detail, nullptr);
    detail->showDeleteConfirmationSheet();
    std::string asked = scene();
    EXPECT_TRUE(has(asked, "sheet#overlay:0 cancel=1 destructive=0\n"
                           "    button#overlay:0:0 title=\"Delete Category\"\n"
                           "    button#overlay:0:1 title=\"Cancel\"\n"))
        << asked;
    tap("overlay:0:0");
    EXPECT_EQ(app().visibleViewController(), list.get());
    EXPECT_FALSE(list->selectedOnReturn) << "the deleted row was shown selected";
    EXPECT_FALSE(TLGlobal::sharedGlobal().shouldMissDeselect());  // cleared by the pop
    EXPECT_FALSE(db().context()->hasChanges());                    // saved
    std::string after = scene();
    EXPECT_TRUE(has(after, "row#row:0:0 style=\"default\" text=\"Food\"\n")) << after;
    EXPECT_FALSE(has(after, "Rent"));
    EXPECT_FALSE(has(after, "selected=yes"));
}

TEST_F(CDViewCTest, CancelUndoesUnsavedChangesAndDoneKeepsThem) {
    category("Food");
    db().save();
    auto list = showList();
    list->toggleEdit();
    category("Temp");
    list->cancel();
    EXPECT_FALSE(list->isEditing());
    EXPECT_EQ(list->frc()->fetchedObjects().size(), 1u);

    list->toggleEdit();
    category("Rent");
    list->done();
    EXPECT_FALSE(list->isEditing());
    EXPECT_FALSE(db().context()->hasChanges());
    EXPECT_EQ(list->frc()->fetchedObjects().size(), 2u);
}

}  // namespace
}  // namespace tallo
