// TimelineTables: the bundle tables the task builder reads besides the host's function lists,
// taken from the data store the way the library loads them.
#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

class IData;

namespace kv::timeline {

// The parameter names of one function's value descriptor.
struct FunctionParameters {
    std::vector<std::string> names;  // the plain parameters, in argument order
    // When an array parameter is named, its element parameters repeat over all arguments and
    // the plain ones are not used.
    bool hasArray = false;
    std::vector<std::string> arrayNames;

    // Whether a call with count arguments fits: as many as the plain parameters, or whole
    // groups of the array's element parameters.
    bool Fits(std::size_t count) const;
    // The name of argument i of a call that fits.
    const std::string& NameOf(std::size_t i) const;
};

struct TimelineTables {
    // Logic number in decimal -> task id ("logicTaskRelated").
    std::map<std::string, std::string> logicTasks;
    // Function name -> its descriptor ("functionParasValueDes").
    std::map<std::string, FunctionParameters> functions;
    // The ids of the task table ("taskInfo"); steps of other tasks are dropped.
    std::set<std::string> tasks;
    // A recipe older than version 2.2 writes its step markers among the conditions.
    bool oldLayout = false;
};

// Reads the tables from every table of that name in its database, rows in key order, later
// entries replacing earlier ones. Rows that are not JSON add nothing. Texts stay in the host's
// encoding.
TimelineTables ReadTimelineTables(IData& data);

}  // namespace kv::timeline
