// TimelineBuilder: time points, step markers, steps with their commands, timers and durations,
// each found by the rules of the library's time-point checker and task builder.
#include "host/timeline/TimelineBuilder.h"

#include <algorithm>
#include <climits>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "ICFunction.h"
#include "IData.h"
#include "arbor/ISyntaxTreeNode.h"
#include "arbor/IToken.h"
#include "arbor/NodeAccess.h"
#include "arbor/SyntaxTreeVisitor.h"
#include "host/HostFunctions.h"
#include "host/HostText.h"
#include "host/timeline/TimelineTables.h"
#include "utilo/AsciiCase.h"
#include "utilo/CommonMethod.h"
#include "utilo/NumberText.h"

namespace kv::timeline {
namespace {

using kv::node::IsCallNode;
using kv::node::TextOf;
using kv::node::TokenOf;

constexpr const char* kTimeName = "time";
constexpr const char* kMarkerPrefix = "task_";
constexpr const char* kStartTimer = "starttimer";

bool IsTimeName(IToken* token) {
    return token != nullptr && token->GetType() == kv::TokenType::Name &&
           token->GetText() == kTimeName;
}

bool IsTaskMarker(std::string_view text, std::string_view task) {
    const std::string_view prefix = kMarkerPrefix;
    return text.size() == prefix.size() + task.size() && text.starts_with(prefix) &&
           text.substr(prefix.size()) == task;
}

// The starttimer call node belongs to: its parent when that is the call, or node itself when
// it is a call written without arguments.
ISyntaxTreeNode* StartTimerCallOf(ISyntaxTreeNode* node) {
    ISyntaxTreeNode* call = nullptr;
    if (IsCallNode(node->GetParent())) {
        call = node->GetParent();
    } else if (IsCallNode(node) && node->GetChildren().empty()) {
        call = node;
    }
    if (call == nullptr || !kv::text::EqualsInAnyCase(call->GetToken()->GetText(), kStartTimer)) {
        return nullptr;
    }
    return call;
}

// For every logic number with a time: the time of the last one of the unbroken run of timed
// logic numbers that starts there, which is where a task's last step ends.
std::map<int, int> RunEnds(const std::map<int, int>& times) {
    std::map<int, int> ends;
    for (auto time = times.rbegin(); time != times.rend(); ++time) {
        const auto next = time->first < INT_MAX ? ends.find(time->first + 1) : ends.end();
        const int end = next != ends.end() ? next->second : time->second;
        ends.emplace(time->first, end);
    }
    return ends;
}

// A step key's task id and step name, split at its last dot as the task builder splits it (so
// a step name with a dot of its own moves the step to another task).
std::pair<std::string, std::string> SplitStepKey(const std::string& key) {
    std::string step = kv::host::ShortName(key);
    std::string task = key.substr(0, key.size() - std::min(key.size(), step.size() + 1));
    return {std::move(task), std::move(step)};
}

// The task table's step order: numbered steps by number, then the others by their bytes.
bool StepLess(const Step& a, const Step& b) {
    const std::optional<int> left = kv::number::LeadingInt(a.id);
    const std::optional<int> right = kv::number::LeadingInt(b.id);
    if (left && right) return *left < *right;
    if (left.has_value() != right.has_value()) return left.has_value();
    return a.id < b.id;
}

// A line whose marker names a step.
struct NamedLine {
    std::string step;
    // Whether the line waits for anything besides its marker; a task's first step that waits
    // for nothing starts with the task.
    bool conditioned = false;
};

struct TimerCall {
    int number = 0;
    int line = 0;
};

class Builder {
public:
    Builder(IData& data, ISyntaxTreeVisitor& visitor)
        : data_(data), visitor_(visitor), tables_(ReadTimelineTables(data)) {}

    Timeline Build(const std::vector<ISyntaxTreeNode*>& blocks) {
        ReadTimePoints(blocks);
        for (ISyntaxTreeNode* block : blocks) {
            if (block == nullptr) continue;
            NameStep(block);
            BuildStep(block);
        }
        std::map<ISyntaxTreeNode*, bool> timerCalls;
        for (ISyntaxTreeNode* block : blocks) {
            if (block != nullptr) ReadTimers(block, timerCalls);
        }
        return Assemble();
    }

private:
    // The time map: the first time point of each line, as written.
    void ReadTimePoints(const std::vector<ISyntaxTreeNode*>& blocks) {
        for (ISyntaxTreeNode* block : blocks) {
            ISyntaxTreeNode* root = block != nullptr ? block->GetRoot() : nullptr;
            if (root == nullptr) continue;
            if (root->GetChildren().empty()) return;
            ISyntaxTreeNode* conditions = root->GetChildren().front();
            if (conditions == nullptr) continue;
            for (ISyntaxTreeNode* leaf : visitor_.CollectNodes(conditions)) {
                IToken* time = TokenOf(leaf);
                if (!IsTimeName(time)) continue;
                ISyntaxTreeNode* comparison = leaf->GetParent();
                if (comparison == nullptr || comparison->GetChildren().size() != 2) continue;
                IToken* value = TokenOf(comparison->GetChildren()[1]);
                if (value == nullptr) continue;
                const std::string text = value->GetText();
                const std::optional<int> seconds =
                    common_.IsNumber(text) ? kv::number::LeadingInt(text) : std::nullopt;
                // The analysis reports a time that is no whole number and keeps no map.
                if (!seconds) return;
                times_.emplace(time->GetLine(), *seconds);
            }
        }
    }

    // The first marker of the block's marker section names its line's step.
    void NameStep(ISyntaxTreeNode* block) {
        const std::vector<ISyntaxTreeNode*>& sections = block->GetChildren();
        if (sections.size() != 2) return;
        ISyntaxTreeNode* section = tables_.oldLayout ? sections[0] : sections[1];
        if (section == nullptr) return;
        for (ISyntaxTreeNode* leaf : visitor_.CollectNodes(section)) {
            IToken* token = TokenOf(leaf);
            if (token == nullptr || token->GetType() != kv::TokenType::Name) continue;
            const int line = token->GetLine();
            if (names_.count(line) != 0) return;
            const auto task = tables_.logicTasks.find(std::to_string(line));
            if (task == tables_.logicTasks.end() || !IsTaskMarker(token->GetText(), task->second)) {
                continue;
            }
            ISyntaxTreeNode* marker = leaf->GetParent();
            if (marker == nullptr || marker->GetChildren().size() != 2) continue;
            const std::vector<ISyntaxTreeNode*>& sides = marker->GetChildren();
            IToken* step = TokenOf(leaf->IsFirstChild() ? sides[1] : sides[0]);
            if (step == nullptr) continue;
            names_.emplace(line, NamedLine{step->GetText(), Waits(sections[0], marker)});
            return;
        }
    }

    // Whether conditions holds anything but the marker (which old recipes write there).
    static bool Waits(ISyntaxTreeNode* conditions, ISyntaxTreeNode* marker) {
        if (conditions == nullptr) return false;
        const std::vector<ISyntaxTreeNode*>& held = conditions->GetChildren();
        return std::any_of(held.begin(), held.end(),
                           [marker](ISyntaxTreeNode* node) { return node != marker; });
    }

    // The step of the block: the sensors it reads and the device calls it makes, stored only
    // when every token lies on a named line and it reads or calls something.
    void BuildStep(ISyntaxTreeNode* block) {
        int logicNo = -1;
        const NamedLine* named = nullptr;
        std::vector<Sensor> sensors;
        std::vector<Output> outputs;
        std::set<ISyntaxTreeNode*> callsDone;
        for (ISyntaxTreeNode* leaf : visitor_.CollectNodes(block)) {
            IToken* token = TokenOf(leaf);
            if (token == nullptr) continue;
            if (named == nullptr || token->GetLine() != logicNo) {
                logicNo = token->GetLine();
                const auto name = names_.find(logicNo);
                if (name == names_.end()) return;
                named = &name->second;
            }
            if (token->GetType() == kv::TokenType::Name) {
                IMidVariable* variable = FindMidVariable(token->GetText());
                if (variable == nullptr || variable->GetDevId() < 0) continue;
                std::string sensor = kv::host::ShortName(variable->GetSensorPath());
                if (!sensor.empty()) sensors.push_back({variable->GetDevId(), std::move(sensor)});
                continue;
            }
            ISyntaxTreeNode* call = nullptr;
            if (token->GetType() == kv::TokenType::Function) {
                call = leaf;
            } else if (IsCallNode(leaf->GetParent())) {
                call = leaf->GetParent();
            }
            if (call == nullptr || !callsDone.insert(call).second) continue;
            const std::string name = call->GetToken()->GetText();
            ICFunction* function = FindFunction(name);
            if (function == nullptr || function->GetDevIndex() < 0) continue;
            std::string method = kv::host::ShortName(function->GetMethodPath());
            if (method.empty()) continue;
            // The analysis reports a call without a descriptor or with the wrong argument
            // count, and stores no step.
            const auto descriptor = tables_.functions.find(name);
            if (descriptor == tables_.functions.end()) return;
            const std::vector<ISyntaxTreeNode*>& arguments = call->GetChildren();
            if (!descriptor->second.Fits(arguments.size())) return;
            Output output{0, function->GetDevIndex(), std::move(method), {}};
            for (std::size_t i = 0; i < arguments.size(); ++i) {
                const std::string& parameter = descriptor->second.NameOf(i);
                const bool namedBefore = std::any_of(
                    output.parameters.begin(), output.parameters.end(),
                    [&parameter](const Parameter& given) { return given.name == parameter; });
                if (!namedBefore) output.parameters.push_back({parameter, TextOf(arguments[i])});
            }
            outputs.push_back(std::move(output));
        }
        if (named == nullptr || (sensors.empty() && outputs.empty())) return;

        const auto task = tables_.logicTasks.find(std::to_string(logicNo));
        const std::string taskId = task != tables_.logicTasks.end() ? task->second : "";
        int& counter = counters_[taskId];
        Step built;
        built.id = named->step;
        built.line = logicNo;
        if (!sensors.empty()) built.triggers.push_back({++counter, std::move(sensors)});
        // Numbered from the last call back to the first, after the trigger.
        for (auto output = outputs.rbegin(); output != outputs.rend(); ++output) {
            output->command = ++counter;
            built.outputs.push_back(std::move(*output));
        }
        const auto [existing, inserted] = steps_.try_emplace(taskId + "." + named->step, built);
        if (inserted) return;
        // The same step built on another line adds its commands to the first one.
        Step& first = existing->second;
        for (Trigger& trigger : built.triggers) first.triggers.push_back(std::move(trigger));
        for (Output& output : built.outputs) first.outputs.push_back(std::move(output));
    }

    // The starttimer calls of the block whose timer the task table lists; the first call
    // that gives no timer ends the block's walk.
    void ReadTimers(ISyntaxTreeNode* block, std::map<ISyntaxTreeNode*, bool>& seen) {
        for (ISyntaxTreeNode* leaf : visitor_.CollectNodes(block)) {
            ISyntaxTreeNode* call = leaf != nullptr ? StartTimerCallOf(leaf) : nullptr;
            if (call == nullptr) continue;
            // A call is reached once per argument; its first visit settles it.
            const auto [known, fresh] = seen.try_emplace(call, true);
            if (!fresh) {
                if (known->second) return;
                continue;
            }
            const std::vector<ISyntaxTreeNode*>& arguments = call->GetChildren();
            if (arguments.empty() || ArgumentsFormatted(call->GetToken()->GetText())) return;
            const std::string timer = TextOf(arguments.front());
            const std::optional<int> number =
                common_.IsNumber(timer) ? kv::number::LeadingInt(timer) : std::nullopt;
            if (!number) return;
            const int line = call->GetToken()->GetLine();
            const auto task = tables_.logicTasks.find(std::to_string(line));
            if (task == tables_.logicTasks.end()) return;
            timers_[task->second].push_back({*number, line});
            known->second = false;
        }
    }

    // Whether the analysis puts the arguments of a call of name into the VM's parameter form
    // (leaving no number to read as a timer): every call but those of a host function with a
    // negative function number.
    bool ArgumentsFormatted(const std::string& name) {
        const auto& table = data_.GetFunctionTable();
        const auto entry = table.find(name);
        return entry == table.end() || entry->second.empty() || entry->second.front() == nullptr ||
               entry->second.front()->GetFunctionNo() >= 0;
    }

    // The first of the host's entries of fullName's short name (found by find) that has
    // exactly that full name.
    template <typename Entry, typename Find>
    static Entry* FindByFullName(const std::string& fullName, Find find) {
        const std::string shortName = kv::host::ShortName(fullName);
        if (shortName.empty()) return nullptr;
        std::vector<Entry*> found;
        find(shortName, found);
        for (Entry* entry : found) {
            if (entry != nullptr && entry->GetFullName() == fullName) return entry;
        }
        return nullptr;
    }

    ICFunction* FindFunction(const std::string& fullName) {
        return FindByFullName<ICFunction>(fullName, [this](const std::string& name, auto& out) {
            data_.FindFunctions(name, out);
        });
    }

    IMidVariable* FindMidVariable(const std::string& fullName) {
        return FindByFullName<IMidVariable>(fullName, [this](const std::string& name, auto& out) {
            data_.FindMidVariables(name, out);
        });
    }

    std::optional<int> TimeAt(int line) const {
        const auto time = times_.find(line);
        if (time == times_.end()) return std::nullopt;
        return time->second;
    }

    // Each step's duration as the task table gets it: from its own time point (0 without
    // one) to the latest time point from the next step's line back to its own; for the last
    // step of a task, to the end of the run of time points that starts on its line.
    Seconds Duration(const std::string& key, const Step& step) const {
        const auto [taskId, stepName] = SplitStepKey(key);
        const Seconds start = TimeAt(step.line).value_or(0);
        const long long leading = kv::number::LeadingInteger(stepName).value_or(0);
        const int number = kv::number::LeadingInt(stepName).value_or(0);
        const bool numbered = leading >= INT_MIN && leading <= INT_MAX && number < INT_MAX;
        const auto next =
            numbered ? steps_.find(taskId + "." + std::to_string(number + 1)) : steps_.end();
        Seconds end = 0;
        if (next != steps_.end()) {
            auto time = times_.upper_bound(next->second.line);
            if (time == times_.begin() || (--time)->first < step.line) return 0;
            end = time->second;
        } else {
            const auto run = runEnds_.find(step.line);
            if (run != runEnds_.end()) end = run->second;
        }
        return std::max<Seconds>(end - start, 0);
    }

    Timeline Assemble() {
        runEnds_ = RunEnds(times_);
        std::map<std::string, Lane> lanes;
        for (const std::string& task : tables_.tasks) lanes[task].task = task;
        for (auto& [key, step] : steps_) {
            step.length = Duration(key, step);
            const auto lane = lanes.find(SplitStepKey(key).first);
            if (lane != lanes.end()) lane->second.steps.push_back(step);
        }

        Timeline timeline;
        for (auto& [task, lane] : lanes) {
            std::stable_sort(lane.steps.begin(), lane.steps.end(), StepLess);
            for (std::size_t i = 0; i < lane.steps.size(); ++i) {
                Step& step = lane.steps[i];
                if (const std::optional<int> time = TimeAt(step.line)) {
                    step.start = *time;
                } else if (i == 0 && !names_.at(step.line).conditioned) {
                    step.start = 0;
                }
            }
            std::map<std::string, int> stepIndex;
            for (std::size_t i = 0; i < lane.steps.size(); ++i) {
                stepIndex.emplace(lane.steps[i].id, static_cast<int>(i));
            }
            for (const TimerCall& call : timers_[task]) {
                lane.timers.push_back(PlaceTimer(call, lane, stepIndex));
            }
            timeline.lanes.push_back(ToUtf8(std::move(lane)));
        }
        return timeline;
    }

    // A timer sits at the start of its line's step, or else at its line's time point.
    // stepIndex: the lane's step ids -> their index.
    Timer PlaceTimer(const TimerCall& call, const Lane& lane,
                     const std::map<std::string, int>& stepIndex) const {
        Timer timer{call.number, call.line, -1, std::nullopt};
        if (const auto name = names_.find(call.line); name != names_.end()) {
            if (const auto step = stepIndex.find(name->second.step); step != stepIndex.end()) {
                timer.step = step->second;
                timer.at = lane.steps[static_cast<std::size_t>(step->second)].start;
                return timer;
            }
        }
        if (const std::optional<int> time = TimeAt(call.line)) timer.at = *time;
        return timer;
    }

    static Lane ToUtf8(Lane lane) {
        lane.task = kv::host::FromHostText(std::move(lane.task));
        for (Step& step : lane.steps) {
            step.id = kv::host::FromHostText(std::move(step.id));
            for (Trigger& trigger : step.triggers) {
                for (Sensor& sensor : trigger.sensors) {
                    sensor.name = kv::host::FromHostText(std::move(sensor.name));
                }
            }
            for (Output& output : step.outputs) {
                output.method = kv::host::FromHostText(std::move(output.method));
                for (Parameter& parameter : output.parameters) {
                    parameter.name = kv::host::FromHostText(std::move(parameter.name));
                    parameter.value = kv::host::FromHostText(std::move(parameter.value));
                }
            }
        }
        return lane;
    }

    IData& data_;
    ISyntaxTreeVisitor& visitor_;
    const TimelineTables tables_;
    CommonMethod common_;
    std::map<int, int> times_;  // logic number -> its time point
    std::map<int, int> runEnds_;
    std::map<int, NamedLine> names_;
    std::map<std::string, Step> steps_;                     // by task id + "." + step name
    std::map<std::string, int> counters_;                   // task id -> its last command number
    std::map<std::string, std::vector<TimerCall>> timers_;  // by task id, in recipe order
};

}  // namespace

Timeline BuildTimeline(IData& data, ISyntaxTreeVisitor& visitor,
                       const std::vector<ISyntaxTreeNode*>& blocks) {
    return Builder(data, visitor).Build(blocks);
}

}  // namespace kv::timeline
