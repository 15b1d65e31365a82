#include "routines/error_trap.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "fakes/fake_toolkit.h"

namespace tess {
namespace {

TEST(ErrorReport, TextAndBox) {
    EXPECT_EQ(ErrorLocation("Form2", "PushButton4"), "in Orvenda5/20/2014.Form2.PushButton4_Click ");
    EXPECT_EQ(ErrorReportText("Login failed", ErrorLocation("Form1", "PushButton2"), 110),
              "Login failed\r\nin Orvenda5/20/2014.Form1.PushButton2_Click at line 110\r\r"
              "Please email screenshot of this message to support@kestrawin.example");
    EXPECT_EQ(ErrorReportText("", "L ", 344).substr(0, 2), "\r\n");
}

TEST(ErrorTrap, ReportsEachFailingStepAndGoesOn) {
    FakeToolkit ui;
    ErrorTrap trap(ui, ErrorLocation("Form2", "PushButton3"));
    std::vector<int> ran;
    trap.step(100, [&] { ran.push_back(100); });
    trap.step(102, [&] { throw std::runtime_error("first"); });
    trap.step(104, [&] { ran.push_back(104); });
    trap.step(106, [&] { throw 42; });
    trap.step(108, [&] { ran.push_back(108); });

    EXPECT_EQ(ran, (std::vector<int>{100, 104, 108}));
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].text, ErrorReportText("first", ErrorLocation("Form2", "PushButton3"), 102));
    EXPECT_EQ(ui.boxes[0].title, "Application Error");
    EXPECT_EQ(ui.boxes[0].style, 48);
    EXPECT_NE(ui.boxes[1].text.find("at line 106"), std::string::npos);
    EXPECT_EQ(trap.failures(), 2);
}

TEST(ErrorTrap, AFailingConditionRunsTheStepsItGuards) {
    FakeToolkit ui;
    ErrorTrap trap(ui, "L ");
    struct Case {
        std::function<bool()> condition;
        bool guardedRuns;
        size_t reports;
    } cases[] = {
        {[] { return true; }, true, 0},
        {[] { return false; }, false, 0},
        {[]() -> bool { throw std::runtime_error("list gone"); }, true, 1},
    };
    for (const auto& c : cases) {
        ui.boxes.clear();
        EXPECT_EQ(trap.test(120, c.condition), c.guardedRuns);
        EXPECT_EQ(ui.boxes.size(), c.reports);
    }
}

}  // namespace
}  // namespace tess
