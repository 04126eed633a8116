// The drawing: how labels are measured and cut, how times read, and where the grid puts
// things; whole pictures are compared in the end-to-end goldens.
#include <gtest/gtest.h>

#include <string>

#include "host/timeline/TimelineSvg.h"

namespace {

using kv::timeline::ClockText;
using kv::timeline::CutToWidth;
using kv::timeline::DrawTimeline;
using kv::timeline::LabelWidth;
using kv::timeline::Lane;
using kv::timeline::Seconds;
using kv::timeline::Step;
using kv::timeline::Timeline;

TEST(TimelineLabels, AsciiCountsEightPixelsAndOtherCharactersTwelve) {
    EXPECT_EQ(LabelWidth("ab红"), 28);
    EXPECT_EQ(LabelWidth(""), 0);
    // Shown as replacement characters: a control character and a byte that starts nothing.
    EXPECT_EQ(LabelWidth("\x01\xFF"), 24);
}

TEST(TimelineLabels, ALabelTooLongIsCutBeforeAnEllipsisAtACharacterBoundary) {
    EXPECT_EQ(CutToWidth("abcdef", 48), "abcdef");
    // 48 px leave 36 before the 12 px ellipsis: four letters.
    EXPECT_EQ(CutToWidth("abcdefg", 48), "abcd…");
    EXPECT_EQ(CutToWidth("红烧鸡块", 40), "红烧…");
    // The space before the cut goes.
    EXPECT_EQ(CutToWidth("ab cd", 36), "ab…");
    EXPECT_EQ(CutToWidth("abc", 12), "…");
    EXPECT_EQ(CutToWidth("abc", 11), "");
}

TEST(TimelineLabels, TimesReadInHoursMinutesAndSeconds) {
    EXPECT_EQ(ClockText(0), "0");
    EXPECT_EQ(ClockText(45), "45 s");
    EXPECT_EQ(ClockText(1980), "33 min");
    EXPECT_EQ(ClockText(90), "1 min 30 s");
    EXPECT_EQ(ClockText(3600), "1 h");
    EXPECT_EQ(ClockText(7325), "2 h 2 min 5 s");
}

Timeline OneStep(Seconds length) {
    Step step;
    step.id = "1";
    step.line = 1;
    step.start = 0;
    step.length = length;
    return Timeline{{Lane{"t1", {step}, {}}}};
}

bool Holds(const std::string& svg, const std::string& part) {
    return svg.find(part) != std::string::npos;
}

TEST(TimelineDrawing, TheTickIsTheShortestThatCoversTheTimesInTenTicks) {
    // 100000 s: 2 h would take 14 ticks, 3 h take 10 (the last reaching 30 h). The block
    // ends at 100 + 100000 * 100 / 10800 = 1025.9, rounded.
    const std::string day = DrawTimeline(OneStep(100000));
    EXPECT_TRUE(Holds(day, R"(<text x="200" y="20" text-anchor="middle">3 h</text>)"));
    EXPECT_TRUE(Holds(day, R"(<text x="1100" y="20" text-anchor="middle">30 h</text>)"));
    EXPECT_FALSE(Holds(day, R"(x="1200")"));
    EXPECT_TRUE(Holds(day, R"(<rect x="100" y="54" width="926" height="28" fill="#1f4e79")"));

    // 5 s: the axis covers a minute at least, in 10 s ticks; 5 s are 50 px.
    const std::string blink = DrawTimeline(OneStep(5));
    EXPECT_TRUE(Holds(blink, R"(<text x="200" y="20" text-anchor="middle">10 s</text>)"));
    EXPECT_TRUE(Holds(blink, R"(<text x="700" y="20" text-anchor="middle">1 min</text>)"));
    EXPECT_TRUE(Holds(blink, R"(<rect x="100" y="54" width="50" height="28")"));
}

TEST(TimelineDrawing, AStepTooShortToSeeKeepsAVisibleWidth) {
    Timeline timeline = OneStep(100000);
    Step blink = timeline.lanes[0].steps[0];
    blink.id = "2";
    blink.length = 1;
    timeline.lanes.push_back(Lane{"t2", {blink}, {}});
    EXPECT_TRUE(Holds(DrawTimeline(timeline), R"(<rect x="100" y="102" width="4" height="28")"));
}

TEST(TimelineDrawing, ALongTaskNameIsCutAndGivenWholeInItsTitle) {
    Timeline timeline = OneStep(60);
    timeline.lanes[0].task = "一个很长很长的任务名称";
    // 80 px leave 68 before the ellipsis: five characters.
    EXPECT_TRUE(Holds(DrawTimeline(timeline),
                      "<text x=\"10\" y=\"72\"><title>一个很长很长的任务名称</title>"
                      "一个很长很…</text>"));
}

}  // namespace
