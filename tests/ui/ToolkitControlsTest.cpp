// The toolkit's input controls as the browser meets them: the date and
// value pickers, the search bar, views over the screens, and the people
// picker.

#include <gtest/gtest.h>

#include <fstream>

#include "Platform/foundation/ApplicationHome.h"
#include "Platform/foundation/RunLoop.h"
#include "Platform/ui/Application.h"
#include "Platform/ui/DatePicker.h"
#include "Platform/ui/PeoplePickerNavigationController.h"
#include "Platform/ui/PickerView.h"
#include "Platform/ui/SearchBar.h"
#include "tests/support/TestEnvironment.h"

namespace tallo {
namespace {

class ToolkitControlsTest : public ::testing::Test {
protected:
    ToolkitControlsTest() { Application::resetSharedApplication(); }
    ~ToolkitControlsTest() override {
        Application::resetSharedApplication();
        RunLoop::main().runFor(0);
    }
    Application& app() { return Application::sharedApplication(); }
    bool send(const std::string& message, std::string* error = nullptr) {
        app().render();
        return app().handleMessage(message, error);
    }
};

TEST_F(ToolkitControlsTest, ADayChosenOnTheDatePickerKeepsTheTimeOfDay) {
    Date evening = test::localDate(2011, 3, 15, 18, 30);
    EXPECT_EQ(test::local(DatePicker::dateFromDayText("2011-03-16", evening)), "2011-03-16 18:30:00");
    EXPECT_EQ(test::local(DatePicker::dateFromDayText("2012-02-29", evening)), "2012-02-29 18:30:00");
    // Across the spring change in New York (13 March 2011) the wall clock stays.
    EXPECT_EQ(test::local(DatePicker::dateFromDayText("2011-03-12", evening)), "2011-03-12 18:30:00");
    const std::pair<const char*, const char*> refused[] = {
        {"2011-02-29", "no such day"}, {"2011-13-01", "no such day"}, {"2011-04-31", "no such day"},
        {"2011-3-1", "a day is written YYYY-MM-DD"}, {"tomorrow", "a day is written YYYY-MM-DD"},
        {"0000-01-01", "a day is written YYYY-MM-DD"}, {"2011-03-1x", "a day is written YYYY-MM-DD"},
        {"", "a day is written YYYY-MM-DD"},
    };
    for (const auto& [text, reason] : refused) {
        std::string error;
        EXPECT_FALSE(DatePicker::dateFromDayText(text, evening, &error)) << text;
        EXPECT_EQ(error, reason) << text;
    }
}

TEST_F(ToolkitControlsTest, PickersOverTheScreenAnswerUntilAQuestionCoversThem) {
    app().setRootViewController(std::make_shared<ViewController>());
    auto date = std::make_shared<DatePicker>("datePicker");
    date->setDate(test::localDate(2011, 3, 15, 9));
    int changes = 0;
    date->valueChanged = [&] { ++changes; };
    app().rootView().addSubview(date);
    ASSERT_TRUE(send(R"({"kind":"text","target":"datePicker","text":"2011-04-01"})"));
    ASSERT_TRUE(send(R"({"kind":"text","target":"datePicker","text":"2011-04-31"})"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(date->lastRefusal(), "no such day");
    EXPECT_EQ(DatePicker::dayText(date->date()), "2011-04-01");

    auto alert = std::make_shared<AlertView>("Limit exceeded", "", "Close");
    alert->show();
    EXPECT_FALSE(send(R"({"kind":"text","target":"datePicker","text":"2011-04-02"})"));
    EXPECT_EQ(DatePicker::dayText(date->date()), "2011-04-01");
}

TEST_F(ToolkitControlsTest, AValuePickerRowIsChosenByATap) {
    struct Frequencies : PickerViewDataSource, PickerViewDelegate {
        int numberOfComponentsInPickerView(PickerView&) override { return 1; }
        int pickerViewNumberOfRowsInComponent(PickerView&, int) override { return 3; }
        std::string pickerViewTitleForRow(PickerView&, int row, int) override {
            return std::vector<std::string>{"Daily", "Weekly", "Monthly"}[static_cast<size_t>(row)];
        }
        void pickerViewDidSelectRow(PickerView&, int row, int component) override { chosen = {row, component}; }
        std::pair<int, int> chosen{-1, -1};
    } frequencies;
    app().setRootViewController(std::make_shared<ViewController>());
    auto picker = std::make_shared<PickerView>("picker");
    picker->setDataSource(&frequencies);
    picker->setDelegate(&frequencies);
    picker->selectRow(2, 0, false);
    app().rootView().addSubview(picker);
    EXPECT_EQ(app().render().find("picker")->toText(),
              "picker#picker frame=\"0,0,320,216\"\n"
              "  component\n"
              "    pickerRow#picker:0:0 title=\"Daily\"\n"
              "    pickerRow#picker:0:1 title=\"Weekly\"\n"
              "    pickerRow#picker:0:2 selected=yes title=\"Monthly\"\n");
    ASSERT_TRUE(send(R"({"kind":"tap","target":"picker:0:1"})"));
    EXPECT_EQ(frequencies.chosen, (std::pair<int, int>{1, 0}));
    EXPECT_EQ(picker->selectedRowInComponent(0), 1);
    EXPECT_FALSE(send(R"({"kind":"tap","target":"picker:0:3"})"));  // no such row
    picker->removeFromSuperview();
    EXPECT_FALSE(send(R"({"kind":"tap","target":"picker:0:0"})"));
}

TEST_F(ToolkitControlsTest, TheSearchBarReportsTypingAndCancel) {
    struct Searching : ViewController {
        Searching() {
            bar.textDidChange = [this](const std::string& text) { seen.push_back(text); };
            bar.cancelButtonClicked = [this] { ++cancels; };
        }
        void renderContent(SceneNode& content, SceneContext& context) override { bar.render(content, context, "search"); }
        SearchBar bar;
        std::vector<std::string> seen;
        int cancels = 0;
    };
    auto screen = std::make_shared<Searching>();
    app().setRootViewController(screen);
    ASSERT_TRUE(send(R"({"kind":"text","target":"search","text":"caf"})"));
    ASSERT_TRUE(send(R"({"kind":"text","target":"search","text":"caf"})"));  // no change: not reported
    ASSERT_TRUE(send(R"({"kind":"tap","target":"search:cancel"})"));
    EXPECT_EQ(screen->seen, (std::vector<std::string>{"caf", ""}));
    EXPECT_EQ(screen->cancels, 1);
    EXPECT_EQ(screen->bar.text, "");
}

TEST_F(ToolkitControlsTest, ThePeoplePickerListsTheBookAndHandsOverTheChosenPerson) {
    test::TemporaryFolder folder;
    std::ofstream(folder.path() + "/people.vcf") << "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Zuse;Konrad;;;\r\nFN:Konrad Zuse\r\nEND:VCARD\r\n"
                                                    "BEGIN:VCARD\r\nVERSION:3.0\r\nN:;;;;\r\nFN:\r\nORG:Acme Corp\r\n"
                                                    "X-ABShowAs:COMPANY\r\nEND:VCARD\r\n";
    auto picker = std::make_shared<PeoplePickerNavigationController>(std::make_shared<AddressBook>(folder.path()));
    std::string chosen;
    int cancels = 0;
    picker->didSelectPerson = [&](const Person& person) { chosen = person.displayName(); };
    picker->didCancel = [&] { ++cancels; };
    app().setRootViewController(picker);
    std::string shown = app().render().toText();
    EXPECT_NE(shown.find("navbar title=\"All Contacts\"\n      button#nav:right title=\"Cancel\""), std::string::npos) << shown;
    EXPECT_NE(shown.find("text=\"Acme Corp\""), std::string::npos) << shown;
    EXPECT_NE(shown.find("row#row:0:1 style=\"default\" text=\"Konrad Zuse\""), std::string::npos) << shown;
    ASSERT_TRUE(send(R"({"kind":"tap","target":"row:0:1"})"));
    EXPECT_EQ(chosen, "Konrad Zuse");
    ASSERT_TRUE(send(R"({"kind":"tap","target":"nav:right"})"));
    EXPECT_EQ(cancels, 1);
}

}  // namespace
}  // namespace tallo
