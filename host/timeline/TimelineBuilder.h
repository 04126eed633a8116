// TimelineBuilder: the timeline of a recipe, read from its parsed blocks the way the library's
// task builder reads the analysed ones.
#pragma once

#include <vector>

#include "host/timeline/Timeline.h"

class IData;
class ISyntaxTreeNode;
class ISyntaxTreeVisitor;

namespace kv::timeline {

// The timeline of blocks, the parsed recipe, before the analysis has seen it: the analysis
// turns every time point into the time since the previous one and folds each call's
// arguments into one parameter text, destroying the other argument nodes, so only the trees
// as parsed still hold the absolute times and the arguments one by one, as the author wrote
// them. Steps, their commands, triggers and durations, and the timers are found as the task
// builder finds them in the full task table; data supplies the bundle's tables and host
// functions. Meant for a recipe that compiles without errors: whatever the analysis would
// report is skipped quietly here.
Timeline BuildTimeline(IData& data, ISyntaxTreeVisitor& visitor,
                       const std::vector<ISyntaxTreeNode*>& blocks);

}  // namespace kv::timeline
