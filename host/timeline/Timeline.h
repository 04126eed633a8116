// Timeline: what the appliance does and when, per task, as the task builder reads a recipe.
// Built by TimelineBuilder from the parsed recipe and the bundle, drawn by TimelineSvg.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kv::timeline {

// Seconds since the step's task started.
using Seconds = long long;

// One argument of a device call under its parameter's name, as written in the recipe.
struct Parameter {
    std::string name;
    std::string value;
};

// A device call of a step, numbered as the task builder numbers the task's commands.
struct Output {
    int command = 0;
    int device = 0;      // the function's device index
    std::string method;  // the last piece of the function's method path
    // In argument order; a name the descriptor repeats keeps its first argument.
    std::vector<Parameter> parameters;
};

// A device sensor a step reads through an intermediate variable.
struct Sensor {
    int device = 0;
    std::string name;  // the last piece of the sensor path
};

// What a step waits for, numbered like the outputs.
struct Trigger {
    int command = 0;
    std::vector<Sensor> sensors;
};

struct Step {
    std::string id;  // the step name its marker gives (task_t1 = <id>)
    int line = 0;    // the recipe line that first built it
    std::vector<Trigger> triggers;
    std::vector<Output> outputs;  // in command order
    // The duration the task table gets; 0 when the task builder finds no end.
    Seconds length = 0;
    // Empty for an untimed step: no time point on its line, and not a task's opening step.
    std::optional<Seconds> start;
};

// A starttimer call.
struct Timer {
    int number = 0;
    int line = 0;
    // The index in its lane's steps of the step of its line, or -1 when that line has none.
    int step = -1;
    // The start of that step, or else the time point of its line; empty when neither is known.
    std::optional<Seconds> at;
};

// One task: its steps in the task table's order, and its timers in recipe order.
struct Lane {
    std::string task;
    std::vector<Step> steps;
    std::vector<Timer> timers;
};

// Every text is UTF-8, whatever the host's encoding.
struct Timeline {
    std::vector<Lane> lanes;  // in ascending task id order
};

}  // namespace kv::timeline
