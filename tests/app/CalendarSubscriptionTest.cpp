// The calendar a calendar program subscribes to: the schedules' events as
// the running UI server answers them at /Calendar.ics, read back with a real
// iCalendar parser, and what the address refuses.

#include "Classes/app/CalendarSubscription.h"

#include <gtest/gtest.h>
#include <libical/ical.h>

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <fstream>
#include <memory>

#include "Classes/schedules/TLScheduler.h"
#include "Classes/schedules/TLSchedulerCalendar.h"
#include "Classes/store/TLSchedulerFrequency.h"
#include "Classes/store/TLTransactionType.h"
#include "Platform/calendar/EventStore.h"
#include "Platform/foundation/RunLoop.h"
#include "Platform/foundation/RunLoopAsio.h"
#include "Platform/ui/Application.h"
#include "Platform/ui/NavigationController.h"
#include "Platform/ui/ViewController.h"
#include "tests/support/LedgerTestSupport.h"

namespace tallo {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using test::D;
using test::localDate;

struct ComponentFree {
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

class CalendarSubscriptionTest : public test::LedgerTest {
protected:
    CalendarSubscriptionTest() : clock_(localDate(2011, 3, 15, 10)) {
        TLSchedulerCalendar::resetEventStore();
        Application::resetSharedApplication();
        Application::sharedApplication().setRootViewController(
            std::make_shared<NavigationController>(std::make_shared<ViewController>()));
        std::ofstream(web_.path() + "/index.html") << "<!doctype html><title>Tallo</title>";
        server_ = std::make_unique<UIServer>(Application::sharedApplication());
        UIServer::Options options;
        options.webRoot = web_.path();
        options.resourceRoot = web_.path();
        options.logRefusals = false;
        options.publishedFiles.push_back(CalendarSubscription::publishedFile());
        std::string error;
        started_ = server_->start(options, &error);
        EXPECT_TRUE(started_) << error;
        host_ = "127.0.0.1:" + std::to_string(server_->port());
    }
    ~CalendarSubscriptionTest() override {
        server_.reset();
        RunLoop::main().runFor(0.05);
        Application::resetSharedApplication();
        TLSchedulerCalendar::resetEventStore();
    }

    // One request over loopback, answered on the main loop (status 0 when
    // none came).
    http::response<http::string_body> request(http::verb verb, const std::string& target, const std::string& host) {
        auto& io = asioContext(RunLoop::main());
        auto stream = std::make_shared<tcp::socket>(io);
        auto message = std::make_shared<http::request<http::empty_body>>(verb, target, 11);
        message->set(http::field::host, host);
        auto buffer = std::make_shared<beast::flat_buffer>();
        auto parser = std::make_shared<http::response_parser<http::string_body>>();
        // The answer to HEAD names a length but sends no body.
        if (verb == http::verb::head) parser->skip(true);
        auto done = std::make_shared<bool>(false);
        stream->async_connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), server_->port()),
                              [=](beast::error_code e) {
                                  if (e) return void(*done = true);
                                  http::async_write(*stream, *message, [=](beast::error_code e2, size_t) {
                                      if (e2) return void(*done = true);
                                      http::async_read(*stream, *buffer, *parser,
                                                       [=](beast::error_code, size_t) { *done = true; });
                                  });
                              });
        RunLoop::main().runUntil([&] { return *done; }, 5);
        stream->close();
        return parser->get();
    }
    // Rent of 700 a month from Checking, 3 payments left, reminded two days before.
    TLScheduler* rent() {
        TLCurrency* usd = currency("USD", true);
        auto* s = create<TLScheduler>();
        s->setType(TLTransactionType::Expense);
        s->setFrequency(TLSchedulerFrequency::Monthly);
        s->setReminderType(TLSchedulerReminder::TwoDaysBefore);
        s->setIsNumbered(true);
        s->setNumberOfPayments(3);
        s->setNextDate(localDate(2011, 3, 31, 9));
        s->setInAccount(account("Checking", usd));
        s->setCurrency(usd);
        s->setTotalamount(D("-700"));
        s->setComments("Landlord: Mrs Hale");
        auto* split = create<TLSplit>();
        split->setBill(s);
        split->setCategory(category("Rent"));
        split->changeAmountTo(D("700"));
        return s;
    }

    test::ScopedClock clock_;
    test::TemporaryFolder web_;
    std::unique_ptr<UIServer> server_;
    bool started_ = false;
    std::string host_;
};

TEST_F(CalendarSubscriptionTest, TheSubscribedCalendarHoldsEachBillWithItsRepeatAndAlarm) {
    ASSERT_TRUE(started_);
    TLScheduler* bill = rent();
    ASSERT_TRUE(TLSchedulerCalendar::saveEventForScheduler(bill));

    auto answer = request(http::verb::get, CalendarSubscription::kPath, host_);
    ASSERT_EQ(answer.result_int(), 200u);
    EXPECT_EQ(answer[http::field::content_type], "text/calendar; charset=utf-8");

    Component calendar(icalparser_parse_string(answer.body().c_str()));
    ASSERT_NE(calendar, nullptr) << answer.body();
    ASSERT_EQ(icalcomponent_isa(calendar.get()), ICAL_VCALENDAR_COMPONENT);
    icalcomponent* event = icalcomponent_get_first_component(calendar.get(), ICAL_VEVENT_COMPONENT);
    ASSERT_NE(event, nullptr);
    EXPECT_STREQ(icalcomponent_get_summary(event), "Rent (-$700.00)");
    EXPECT_STREQ(icalcomponent_get_description(event), "Landlord: Mrs Hale");
    EXPECT_STREQ(icalcomponent_get_uid(event), bill->event_uuid()->c_str());
    icaltimetype start = icalcomponent_get_dtstart(event);
    EXPECT_TRUE(icaltime_is_date(start)) << "an all-day event";
    EXPECT_EQ(start.year * 10000 + start.month * 100 + start.day, 20110331) << "from the next due day";

    icalproperty* repeat = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY);
    ASSERT_NE(repeat, nullptr);
    icalrecurrencetype rule = icalproperty_get_rrule(repeat);
    EXPECT_EQ(rule.freq, ICAL_MONTHLY_RECURRENCE);
    EXPECT_EQ(rule.interval, 1);
    EXPECT_EQ(rule.count, 3) << "one occurrence per payment left";

    icalcomponent* alarm = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT);
    ASSERT_NE(alarm, nullptr);
    icalproperty* trigger = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
    ASSERT_NE(trigger, nullptr);
    EXPECT_EQ(icaldurationtype_as_int(icalproperty_get_trigger(trigger).duration), -172800) << "two days before";
}

TEST_F(CalendarSubscriptionTest, BeforeTheFirstScheduleTheAddressServesAnEmptyCalendar) {
    ASSERT_TRUE(started_);
    auto answer = request(http::verb::get, CalendarSubscription::kPath, "localhost:" + std::to_string(server_->port()));
    ASSERT_EQ(answer.result_int(), 200u);
    Component calendar(icalparser_parse_string(answer.body().c_str()));
    ASSERT_NE(calendar, nullptr) << answer.body();
    EXPECT_EQ(icalcomponent_isa(calendar.get()), ICAL_VCALENDAR_COMPONENT);
    EXPECT_EQ(icalcomponent_count_components(calendar.get(), ICAL_VEVENT_COMPONENT), 0);
}

TEST_F(CalendarSubscriptionTest, AForeignHostAndAnyChangeAreRefused) {
    ASSERT_TRUE(started_);
    ASSERT_TRUE(TLSchedulerCalendar::saveEventForScheduler(rent()));
    std::string port = std::to_string(server_->port());
    auto rebound = request(http::verb::get, CalendarSubscription::kPath, "calendar.example.com:" + port);
    EXPECT_EQ(rebound.result_int(), 421u) << "a name pointed here by another site is refused";
    EXPECT_EQ(rebound.body().find("VEVENT"), std::string::npos);
    EXPECT_EQ(request(http::verb::put, CalendarSubscription::kPath, host_).result_int(), 405u);
    EXPECT_EQ(request(http::verb::delete_, CalendarSubscription::kPath, host_).result_int(), 405u);
    auto head = request(http::verb::head, CalendarSubscription::kPath, host_);
    EXPECT_EQ(head.result_int(), 200u);
    EXPECT_EQ(TLSchedulerCalendar::eventStore().events().size(), 1u) << "nothing the requests did changed it";
}

}  // namespace
}  // namespace tallo
