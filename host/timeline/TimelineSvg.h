// TimelineSvg: a timeline drawn as an SVG picture, laid out on a fixed grid so that every
// coordinate follows from the times by hand.
#pragma once

#include <string>
#include <string_view>

#include "host/timeline/Timeline.h"

namespace kv::timeline {

// The picture of timeline. A time axis runs along the top, time 0 at x = 100 and 100 px a
// tick; the tick is the shortest of 1, 2, 5, 10, 15, 30 s, 1, 2, 5, 10, 15, 30 min, 1, 2, 3,
// 6, 12, 24 h (then doubling) that covers the latest known time (at least a minute) in ten
// ticks or fewer, and a time's x is rounded to the nearest pixel. Below it one lane of 48 px
// per task, from y = 40, each in its own colour. A step is a block from its start to its end;
// one whose end is not known is 32 px wide and fades out; untimed steps follow in a column of
// their own after the timed ones, 48 px each, with a dashed outline. Each block shows its step
// id and its device calls, cut to fit with an ellipsis, and holds everything in its <title>:
// the times, the trigger and every output with its command number. A timer is a triangle at
// the top of its lane where it starts. A legend closes the picture.
std::string DrawTimeline(const Timeline& timeline);

// The width in pixels the layout reckons text takes: 8 for each ASCII character, 12 for every
// other one (CJK characters take the font size).
int LabelWidth(std::string_view text);

// text when LabelWidth says it fits in width; else the longest head of it that fits with an
// ellipsis after it (spaces at the head's end dropped), or the empty text when not even the
// ellipsis fits.
std::string CutToWidth(std::string_view text, int width);

// A time as a reader counts it: "0", "45 s", "33 min", "1 min 30 s", "2 h 5 min".
std::string ClockText(Seconds seconds);

}  // namespace kv::timeline
