// The pull-down header of the currencies list: pulled past 10 points it
// arms, let go it downloads once, pushed back while dragging it disarms.

#include "Classes/currencies/TLUpdateView.h"

#include "Classes/currencies/TLCurrencyCenter.h"
#include "Platform/foundation/UserDefaults.h"
#include "tests/store/StoreTestSupport.h"

namespace tallo {
namespace {

class TLUpdateViewTest : public test::StoreTest {
protected:
    TLUpdateViewTest() {
        TLCurrencyCenter::resetSharedCenter();
        UserDefaults::resetStandardUserDefaults(folder_.path() + "/Tallo.plist");
    }
    ~TLUpdateViewTest() override { TLCurrencyCenter::resetSharedCenter(); }
};

TEST_F(TLUpdateViewTest, PullingArmsReleasingDownloadsOnce) {
    TLUpdateView header;
    int downloads = 0;
    header.startDownload = [&] { ++downloads; };
    EXPECT_EQ(header.statusText(), "Pull down to update...");
    EXPECT_TRUE(header.isArrowTurned());

    header.scrollViewDidScroll(-5, true);
    EXPECT_EQ(header.state(), 0);
    header.scrollViewDidScroll(-11, true);
    EXPECT_EQ(header.state(), 1);
    EXPECT_EQ(header.statusText(), "Release to update...");
    EXPECT_FALSE(header.isArrowTurned());
    header.scrollViewDidScroll(-9.5, true);  // between the two lines: stays armed
    EXPECT_EQ(header.state(), 1);
    header.scrollViewDidScroll(-4, true);  // pushed back while dragging: cancelled
    EXPECT_EQ(header.state(), 0);
    EXPECT_EQ(downloads, 0);

    header.scrollViewDidScroll(-30, true);
    header.scrollViewDidScroll(0, false);  // let go
    EXPECT_EQ(header.state(), 2);
    EXPECT_EQ(header.statusText(), "Updating...");
    EXPECT_TRUE(header.isSpinnerRunning());
    EXPECT_EQ(downloads, 1);
    header.scrollViewDidScroll(-40, true);  // pulled again while working: no second run
    header.scrollViewDidScroll(0, false);
    EXPECT_EQ(downloads, 1);
}

TEST_F(TLUpdateViewTest, TheLastUpdateLineSaysNoConnectionUntilARequestGotData) {
    test::ScopedClock clock(test::localDate(2026, 12, 6, 14, 30, 5));
    TLCurrencyCenter& center = TLCurrencyCenter::sharedCenter();
    center.setUpdateDate(test::localDate(2026, 12, 6, 14, 29, 58));
    TLUpdateView header;
    EXPECT_EQ(header.lastUpdateText(), "No connection");
    center.setIsConnection(true);
    header.updateDate();
    EXPECT_EQ(header.lastUpdateText(), "Last updated Dec 6, 2026, 2:29:58\u202fPM");
    SceneNode scene("list");
    header.render(scene);
    EXPECT_NE(scene.toText().find("updater arrowTurned=yes"), std::string::npos) << scene.toText();
}

}  // namespace
}  // namespace tallo
