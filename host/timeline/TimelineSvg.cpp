// TimelineSvg: the axis, the lanes with their steps and timers, the untimed column, the legend.
#include "host/timeline/TimelineSvg.h"

#include <algorithm>
#include <array>
#include <tuple>
#include <utility>
#include <vector>

#include "arbor/TextEncoding.h"
#include "host/timeline/SvgWriter.h"

namespace kv::timeline {
namespace {

// Common CJK fonts on Linux, Windows and macOS follow the Latin one, so that recipe names
// render wherever the picture is opened.
constexpr const char* kFontFamily =
    "DejaVu Sans, Noto Sans CJK SC, Source Han Sans SC, WenQuanYi Micro Hei, Microsoft YaHei, "
    "PingFang SC, SimHei, sans-serif";
constexpr int kFontSize = 12;
constexpr int kTimerFontSize = 10;
constexpr int kAsciiWidth = 8;
constexpr int kWideWidth = 12;
constexpr std::string_view kEllipsis = "\xE2\x80\xA6";  // U+2026
constexpr std::string_view kSeparator = " \xC2\xB7 ";   // " · "

// The grid, in pixels.
constexpr int kLaneLabelX = 10;
constexpr int kLaneLabelRoom = 80;
constexpr int kPlotLeft = 100;  // where time 0 is
constexpr int kTickSpacing = 100;
constexpr Seconds kMaxTicks = 10;
constexpr Seconds kShortestSpan = 60;
constexpr int kTickLabelY = 20;
constexpr int kTickTop = 26;
constexpr int kAxisY = 30;
constexpr int kLanesTop = 40;
constexpr int kLaneHeight = 48;
// Within a lane.
constexpr int kTimerTop = 2;
constexpr int kTimerHeight = 10;
constexpr int kTimerHalfWidth = 5;
constexpr int kTimerLabelGap = 8;
constexpr int kTimerBaseline = 11;
constexpr int kBlockTop = 14;
constexpr int kBlockHeight = 28;
constexpr int kLabelBaseline = 32;
constexpr int kLabelPadding = 4;
// Block widths and the untimed column.
constexpr int kOpenWidth = 32;
constexpr int kMinWidth = 4;
constexpr int kSeparatorGap = 20;
constexpr int kUntimedGap = 40;
constexpr int kUntimedWidth = 48;
constexpr int kUntimedSpacing = 8;
constexpr int kRightMargin = 20;
// The legend, below the lanes.
constexpr int kLegendGap = 12;
constexpr int kLegendRow = 18;
constexpr int kLegendSwatchWidth = 16;
constexpr int kLegendSwatchHeight = 12;
constexpr int kLegendTextGap = 22;
constexpr int kLegendBaseline = 10;
constexpr int kBottomMargin = 12;

constexpr const char* kBackground = "#ffffff";
constexpr const char* kLaneShade = "#f2f2f2";
constexpr const char* kGrid = "#d9d9d9";
constexpr const char* kInk = "#333333";
constexpr const char* kKeyFill = "#bfbfbf";
// Timers and the untimed blocks' dashed outline.
constexpr const char* kMark = "#000000";
constexpr const char* kDash = "4 3";

// Task colours, neighbours far apart in lightness so that lanes stay apart in greyscale, each
// with the text colour that reads on it.
struct Colour {
    const char* fill;
    const char* text;
};
constexpr std::array<Colour, 6> kPalette{{{"#1f4e79", "#ffffff"},
                                          {"#f4b183", "#000000"},
                                          {"#70ad47", "#000000"},
                                          {"#ffe699", "#000000"},
                                          {"#7030a0", "#ffffff"},
                                          {"#bdd7ee", "#000000"}}};

constexpr Seconds kTicks[] = {1,   2,   5,    10,   15,   30,    60,    120,   300,
                              600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400};

constexpr const char* kUntimedHeader = "untimed";
constexpr std::array<const char*, 4> kLegend{
    "step, from its start to its end (times count from its task's start)",
    "step whose end is not known", "untimed step: its start is not known",
    "a timer starts (starttimer)"};

const Colour& ColourOf(std::size_t lane) { return kPalette[lane % kPalette.size()]; }

std::string FadeId(std::size_t lane) {
    return "fade" + DecimalText(static_cast<long long>(lane % kPalette.size()));
}

// The shortest tick that covers span in kMaxTicks ticks or fewer.
Seconds TickFor(Seconds span) {
    for (const Seconds tick : kTicks) {
        if ((span + tick - 1) / tick <= kMaxTicks) return tick;
    }
    Seconds tick = kTicks[std::size(kTicks) - 1];
    while ((span + tick - 1) / tick > kMaxTicks) tick *= 2;
    return tick;
}

std::string SecondsText(Seconds seconds) {
    std::string text = DecimalText(seconds) + " s";
    if (seconds >= 60) text += " (" + ClockText(seconds) + ")";
    return text;
}

std::string TimingText(const Step& step) {
    std::string start = step.start ? "starts at " + SecondsText(*step.start) : "start not known";
    return start + (step.length > 0 ? ", lasts " + SecondsText(step.length) : ", end not known");
}

std::string Values(const Output& output) {
    std::string text;
    for (const Parameter& parameter : output.parameters) {
        if (!text.empty()) text += ", ";
        text += parameter.value;
    }
    return text;
}

// What the step sends and waits for, one line a command, in command order.
std::vector<std::string> CommandLines(const Step& step) {
    std::vector<std::pair<int, std::string>> lines;
    for (const Trigger& trigger : step.triggers) {
        std::string text = "#" + DecimalText(trigger.command) + " trigger: ";
        for (std::size_t i = 0; i < trigger.sensors.size(); ++i) {
            if (i > 0) text += ", ";
            text +=
                "device " + DecimalText(trigger.sensors[i].device) + " " + trigger.sensors[i].name;
        }
        lines.emplace_back(trigger.command, std::move(text));
    }
    for (const Output& output : step.outputs) {
        std::string text = "#" + DecimalText(output.command) + " device " +
                           DecimalText(output.device) + " " + output.method + "(";
        for (std::size_t i = 0; i < output.parameters.size(); ++i) {
            if (i > 0) text += ", ";
            text += output.parameters[i].name + "=" + output.parameters[i].value;
        }
        lines.emplace_back(output.command, text + ")");
    }
    std::stable_sort(lines.begin(), lines.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> texts;
    for (auto& line : lines) texts.push_back(std::move(line.second));
    return texts;
}

std::string StepTitle(const std::string& task, const Step& step) {
    std::string title =
        task + " step " + step.id + ", line " + DecimalText(step.line) + "\n" + TimingText(step);
    for (const std::string& line : CommandLines(step)) title += "\n" + line;
    return title;
}

// The step id, then its device calls with their values.
std::string BlockLabel(const Step& step) {
    std::string label = step.id;
    for (std::size_t i = 0; i < step.outputs.size(); ++i) {
        label += i == 0 ? std::string(": ") : std::string(kSeparator);
        label += step.outputs[i].method + "(" + Values(step.outputs[i]) + ")";
    }
    return label;
}

std::string TimerTitle(const Timer& timer) {
    return "starttimer(" + DecimalText(timer.number) + "), line " + DecimalText(timer.line) +
           (timer.at ? ", at " + SecondsText(*timer.at) : ", time not known");
}

// The picture's scale and size.
struct Layout {
    Seconds tick = 1;
    Seconds ticks = 1;
    long long axisEnd = kPlotLeft;
    long long untimedLeft = 0;  // the untimed column's left edge; 0 when there is none
    long long width = 0;
    long long height = 0;

    long long X(Seconds time) const { return kPlotLeft + (time * kTickSpacing + tick / 2) / tick; }
};

// A lane's places in the untimed column: its untimed steps in order, then its timers that
// have neither a time nor a step; -1 for what is drawn elsewhere.
struct UntimedSlots {
    std::vector<int> steps;
    std::vector<int> timers;
    std::size_t count = 0;
};

UntimedSlots SlotsOf(const Lane& lane) {
    UntimedSlots slots;
    for (const Step& step : lane.steps) {
        slots.steps.push_back(step.start ? -1 : static_cast<int>(slots.count++));
    }
    for (const Timer& timer : lane.timers) {
        const bool inColumn = !timer.at && timer.step < 0;
        slots.timers.push_back(inColumn ? static_cast<int>(slots.count++) : -1);
    }
    return slots;
}

long long SlotX(const Layout& layout, std::size_t slot) {
    return layout.untimedLeft + static_cast<long long>(slot) * (kUntimedWidth + kUntimedSpacing);
}

// The left edge and width of a timed step's block.
std::pair<long long, long long> TimedBlock(const Layout& layout, const Step& step) {
    const long long left = layout.X(*step.start);
    if (step.length == 0) return {left, kOpenWidth};
    return {left, std::max<long long>(layout.X(*step.start + step.length) - left, kMinWidth)};
}

Layout LayOut(const Timeline& timeline) {
    Layout layout;
    Seconds span = kShortestSpan;
    for (const Lane& lane : timeline.lanes) {
        for (const Step& step : lane.steps) {
            if (step.start) span = std::max(span, *step.start + step.length);
        }
        for (const Timer& timer : lane.timers) {
            if (timer.at) span = std::max(span, *timer.at);
        }
    }
    layout.tick = TickFor(span);
    layout.ticks = (span + layout.tick - 1) / layout.tick;
    layout.axisEnd = kPlotLeft + layout.ticks * kTickSpacing;

    long long plotRight = layout.axisEnd;
    std::size_t slots = 0;
    for (const Lane& lane : timeline.lanes) {
        for (const Step& step : lane.steps) {
            if (!step.start) continue;
            const auto [left, width] = TimedBlock(layout, step);
            plotRight = std::max(plotRight, left + width);
        }
        slots = std::max(slots, SlotsOf(lane).count);
    }
    long long right = plotRight;
    if (slots > 0) {
        layout.untimedLeft = plotRight + kUntimedGap;
        right = SlotX(layout, slots) - kUntimedSpacing;
    }
    for (const char* text : kLegend) {
        right = std::max<long long>(right, kPlotLeft + kLegendTextGap + LabelWidth(text));
    }
    layout.width = right + kRightMargin;
    const long long lanesBottom =
        kLanesTop + static_cast<long long>(timeline.lanes.size()) * kLaneHeight;
    layout.height = lanesBottom + kLegendGap + (kLegend.size() - 1) * kLegendRow +
                    kLegendSwatchHeight + kBottomMargin;
    return layout;
}

class Painter {
public:
    Painter(const Timeline& timeline, const Layout& layout)
        : timeline_(timeline),
          layout_(layout),
          lanesBottom_(kLanesTop + static_cast<long long>(timeline.lanes.size()) * kLaneHeight),
          svg_({{"width", layout.width},
                {"height", layout.height},
                {"viewBox", "0 0 " + DecimalText(layout.width) + " " + DecimalText(layout.height)},
                {"font-family", kFontFamily},
                {"font-size", kFontSize}}) {}

    std::string Paint() {
        Gradients();
        svg_.Empty("rect",
                   {{"width", layout_.width}, {"height", layout_.height}, {"fill", kBackground}});
        for (std::size_t i = 0; i < timeline_.lanes.size(); i += 2) {
            svg_.Empty("rect", {{"x", 0},
                                {"y", LaneTop(i)},
                                {"width", layout_.width},
                                {"height", kLaneHeight},
                                {"fill", kLaneShade}});
        }
        Axis();
        if (layout_.untimedLeft > 0) UntimedHeader();
        for (std::size_t i = 0; i < timeline_.lanes.size(); ++i) DrawLane(i);
        Legend();
        return svg_.Finish();
    }

private:
    static long long LaneTop(std::size_t lane) {
        return kLanesTop + static_cast<long long>(lane) * kLaneHeight;
    }

    // A fade per task colour in use, for the blocks whose end is not known, and one for the
    // legend.
    void Gradients() {
        svg_.Open("defs");
        const std::size_t colours = std::min(timeline_.lanes.size(), kPalette.size());
        for (std::size_t i = 0; i < colours; ++i) Fade(FadeId(i), kPalette[i].fill);
        Fade("fade-key", kKeyFill);
        svg_.Close();
    }

    void Fade(const std::string& id, const char* colour) {
        svg_.Open("linearGradient", {{"id", id}});
        svg_.Empty("stop", {{"offset", "0.75"}, {"stop-color", colour}});
        svg_.Empty("stop", {{"offset", "1"}, {"stop-color", colour}, {"stop-opacity", "0"}});
        svg_.Close();
    }

    void Axis() {
        svg_.Empty("line", {{"x1", kPlotLeft},
                            {"y1", kAxisY},
                            {"x2", layout_.axisEnd},
                            {"y2", kAxisY},
                            {"stroke", kInk}});
        for (Seconds i = 0; i <= layout_.ticks; ++i) {
            const long long x = kPlotLeft + i * kTickSpacing;
            svg_.Empty(
                "line",
                {{"x1", x}, {"y1", kAxisY}, {"x2", x}, {"y2", lanesBottom_}, {"stroke", kGrid}});
            svg_.Empty("line",
                       {{"x1", x}, {"y1", kTickTop}, {"x2", x}, {"y2", kAxisY}, {"stroke", kInk}});
            svg_.Text("text", {{"x", x}, {"y", kTickLabelY}, {"text-anchor", "middle"}},
                      ClockText(i * layout_.tick));
        }
    }

    void UntimedHeader() {
        const long long x = layout_.untimedLeft - kSeparatorGap;
        svg_.Empty("line", {{"x1", x},
                            {"y1", kTickLabelY - kFontSize},
                            {"x2", x},
                            {"y2", lanesBottom_},
                            {"stroke", kInk},
                            {"stroke-dasharray", kDash}});
        svg_.Text("text", {{"x", layout_.untimedLeft}, {"y", kTickLabelY}}, kUntimedHeader);
    }

    void DrawLane(std::size_t index) {
        const Lane& lane = timeline_.lanes[index];
        const long long top = LaneTop(index);
        svg_.Open("g");
        LaneLabel(lane.task, top + kLabelBaseline);
        const UntimedSlots slots = SlotsOf(lane);
        std::vector<long long> stepX;
        for (std::size_t i = 0; i < lane.steps.size(); ++i) {
            stepX.push_back(DrawStep(lane, index, i, slots.steps[i]));
        }
        for (std::size_t i = 0; i < lane.timers.size(); ++i) {
            const Timer& timer = lane.timers[i];
            long long x = 0;
            if (timer.step >= 0) {
                x = stepX[static_cast<std::size_t>(timer.step)];
            } else if (timer.at) {
                x = layout_.X(*timer.at);
            } else {
                x = SlotX(layout_, static_cast<std::size_t>(slots.timers[i]));
            }
            DrawTimer(timer, x, top);
        }
        svg_.Close();
    }

    // Draws step stepIndex of lane laneIndex (slot: its place in the untimed column, when it
    // is untimed) and returns its block's left edge.
    long long DrawStep(const Lane& lane, std::size_t laneIndex, std::size_t stepIndex, int slot) {
        const Step& step = lane.steps[stepIndex];
        const Colour& colour = ColourOf(laneIndex);
        const long long top = LaneTop(laneIndex) + kBlockTop;
        svg_.Open("g");
        svg_.Text("title", {}, StepTitle(lane.task, step));
        long long left = 0;
        long long width = kUntimedWidth;
        if (!step.start) {
            left = SlotX(layout_, static_cast<std::size_t>(slot));
            svg_.Empty("rect", {{"x", left},
                                {"y", top},
                                {"width", width},
                                {"height", kBlockHeight},
                                {"fill", colour.fill},
                                {"stroke", kMark},
                                {"stroke-width", 2},
                                {"stroke-dasharray", kDash}});
        } else {
            std::tie(left, width) = TimedBlock(layout_, step);
            const bool open = step.length == 0;
            svg_.Empty("rect", {{"x", left},
                                {"y", top},
                                {"width", width},
                                {"height", kBlockHeight},
                                {"fill", open ? "url(#" + FadeId(laneIndex) + ")"
                                              : std::string(colour.fill)},
                                {"stroke", open ? "none" : kInk}});
        }
        // The block's title holds the whole label and more.
        const std::string label = CutToWidth(
            BlockLabel(step), static_cast<int>(std::max<long long>(width - 2 * kLabelPadding, 0)));
        if (!label.empty()) {
            svg_.Text("text",
                      {{"x", left + kLabelPadding},
                       {"y", LaneTop(laneIndex) + kLabelBaseline},
                       {"fill", colour.text}},
                      label);
        }
        svg_.Close();
        return left;
    }

    void DrawTimer(const Timer& timer, long long x, long long laneTop) {
        svg_.Open("g");
        svg_.Text("title", {}, TimerTitle(timer));
        svg_.Empty("path", {{"d", Triangle(x, laneTop + kTimerTop)}, {"fill", kMark}});
        svg_.Text("text",
                  {{"x", x + kTimerLabelGap},
                   {"y", laneTop + kTimerBaseline},
                   {"font-size", kTimerFontSize}},
                  "timer " + DecimalText(timer.number));
        svg_.Close();
    }

    // A triangle pointing down at x, its top edge at y.
    static std::string Triangle(long long x, long long y) {
        return "M" + DecimalText(x - kTimerHalfWidth) + " " + DecimalText(y) + " H" +
               DecimalText(x + kTimerHalfWidth) + " L" + DecimalText(x) + " " +
               DecimalText(y + kTimerHeight) + " Z";
    }

    // A task's name at its lane, cut to the room before the axis; cut, it carries its whole in
    // a title.
    void LaneLabel(const std::string& task, long long y) {
        const std::string shown = CutToWidth(task, kLaneLabelRoom);
        if (shown.empty()) return;
        svg_.Text("text", {{"x", kLaneLabelX}, {"y", y}}, shown,
                  shown == task ? std::string_view() : task);
    }

    void Legend() {
        const long long top = lanesBottom_ + kLegendGap;
        const long long textX = kPlotLeft + kLegendTextGap;
        svg_.Open("g");
        for (std::size_t row = 0; row < kLegend.size(); ++row) {
            const long long y = top + static_cast<long long>(row) * kLegendRow;
            if (row == 0) {
                svg_.Empty("rect", {{"x", kPlotLeft},
                                    {"y", y},
                                    {"width", kLegendSwatchWidth},
                                    {"height", kLegendSwatchHeight},
                                    {"fill", kKeyFill},
                                    {"stroke", kInk}});
            } else if (row == 1) {
                svg_.Empty("rect", {{"x", kPlotLeft},
                                    {"y", y},
                                    {"width", kLegendSwatchWidth},
                                    {"height", kLegendSwatchHeight},
                                    {"fill", "url(#fade-key)"}});
            } else if (row == 2) {
                svg_.Empty("rect", {{"x", kPlotLeft},
                                    {"y", y},
                                    {"width", kLegendSwatchWidth},
                                    {"height", kLegendSwatchHeight},
                                    {"fill", kKeyFill},
                                    {"stroke", kMark},
                                    {"stroke-width", 2},
                                    {"stroke-dasharray", kDash}});
            } else {
                svg_.Empty("path", {{"d", Triangle(kPlotLeft + kLegendSwatchWidth / 2, y + 1)},
                                    {"fill", kMark}});
            }
            svg_.Text("text", {{"x", textX}, {"y", y + kLegendBaseline}}, kLegend[row]);
        }
        svg_.Close();
    }

    const Timeline& timeline_;
    const Layout& layout_;
    const long long lanesBottom_;
    SvgWriter svg_;
};

// The width of the character of length bytes at pos; what is shown as a replacement character
// (a byte that starts no character, a control character) counts as wide.
int CharWidth(std::string_view text, std::size_t pos, std::size_t length) {
    const bool printableAscii = length == 1 && static_cast<unsigned char>(text[pos]) >= 0x20;
    return printableAscii ? kAsciiWidth : kWideWidth;
}

}  // namespace

int LabelWidth(std::string_view text) {
    int width = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = WellFormedCharLength(text, pos, RecipeEncoding::Utf8);
        width += CharWidth(text, pos, length);
        pos += length == 0 ? 1 : length;
    }
    return width;
}

std::string CutToWidth(std::string_view text, int width) {
    if (LabelWidth(text) <= width) return std::string(text);
    const int room = width - LabelWidth(kEllipsis);
    if (room < 0) return {};
    int used = 0;
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t length = WellFormedCharLength(text, end, RecipeEncoding::Utf8);
        const std::size_t step = length == 0 ? 1 : length;
        const int charWidth = CharWidth(text, end, length);
        if (used + charWidth > room) break;
        used += charWidth;
        end += step;
    }
    // A space before the ellipsis would read as the end of a word.
    while (end > 0 && text[end - 1] == ' ') --end;
    return std::string(text.substr(0, end)) + std::string(kEllipsis);
}

std::string ClockText(Seconds seconds) {
    if (seconds == 0) return "0";
    std::string text;
    const auto part = [&text](Seconds count, const char* unit) {
        if (count == 0) return;
        if (!text.empty()) text += ' ';
        text += DecimalText(count) + " " + unit;
    };
    part(seconds / 3600, "h");
    part(seconds % 3600 / 60, "min");
    part(seconds % 60, "s");
    return text;
}

std::string DrawTimeline(const Timeline& timeline) {
    const Layout layout = LayOut(timeline);
    return Painter(timeline, layout).Paint();
}

}  // namespace kv::timeline
