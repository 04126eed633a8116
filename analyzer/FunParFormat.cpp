// Function parameters in the VM's form: every call keeps one argument, "<task id>,<json>".
#include <algorithm>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "IData.h"
#include "analyzer/AnalyzerMessages.h"
#include "analyzer/FewNodes.h"
#include "analyzer/KvSemanticAnalyzer.h"
#include "arbor/Arbor.h"
#include "arbor/NodeAccess.h"
#include "data/KvData.h"

namespace msg = kv::diag::analyzer;
using kv::diag::At;
using kv::diag::AtToken;
using kv::diag::Report;

using kv::node::TextOf;
using kv::node::TextViewOf;
using kv::node::TokenOf;

namespace {

constexpr char kQuote = '"';
// An empty string literal as the function checker leaves it.
constexpr std::string_view kEmptyLiteral = "\"\"";

void AppendQuoted(std::string& out, std::string_view text) {
    out += kQuote;
    out += text;
    out += kQuote;
}

// "name": followed by the argument as a JSON value: an empty literal is already one, anything
// else is quoted when asked to be.
void AppendMember(std::string& out, std::string_view name, std::string_view value,
                  bool keepEmptyLiteral) {
    AppendQuoted(out, name);
    out += ':';
    if (keepEmptyLiteral && value == kEmptyLiteral) {
        out += value;
    } else {
        AppendQuoted(out, value);
    }
}

}  // namespace

// The argument nodes the pass takes out of the tree. Detaching them one by one would cost a
// search and a shift of the siblings each, quadratic in a call's argument count; instead a
// parent's leaving children are detached together, before anything reads that parent's
// children again. They are destroyed only when the pass ends, so that no node the pass may
// still reach through its list is freed under it.
class KvSemanticAnalyzer::ArgumentSweep {
public:
    ArgumentSweep() = default;
    ArgumentSweep(const ArgumentSweep&) = delete;
    ArgumentSweep& operator=(const ArgumentSweep&) = delete;
    ~ArgumentSweep() {
        // Only reached early when the pass was interrupted by an exception.
        try {
            Finish();
        } catch (...) {
        }
    }

    // Takes node out of the tree and destroys it when the pass ends; a node given twice is
    // taken once.
    void Drop(ISyntaxTreeNode* node) {
        if (!dropped_.Insert(node).second) return;
        if (ISyntaxTreeNode* parent = node->GetParent()) {
            leaving_.Insert(parent).first->push_back(node);
        } else {
            detached_.push_back(node);
        }
    }

    // Detaches the dropped children of parent now.
    void Settle(ISyntaxTreeNode* parent) {
        std::vector<ISyntaxTreeNode*>* found = leaving_.Find(parent);
        if (found == nullptr || found->empty()) return;
        const std::vector<ISyntaxTreeNode*> leaving = std::move(*found);
        found->clear();
        Detach(parent, leaving);
    }

    // Detaches whatever is still pending and destroys every detached node.
    void Finish() {
        for (auto& [parent, leaving] : leaving_.Entries()) {
            if (!leaving.empty()) Detach(parent, leaving);
        }
        leaving_.Clear();
        std::vector<ISyntaxTreeNode*> doomed;
        doomed.swap(detached_);
        for (ISyntaxTreeNode* node : doomed) delete node;
    }

private:
    void Detach(ISyntaxTreeNode* parent, const std::vector<ISyntaxTreeNode*>& leaving) {
        std::vector<ISyntaxTreeNode*>& children = parent->GetChildren();
        std::vector<ISyntaxTreeNode*> before = std::move(children);
        // Each leaving child is made the only child for its own RemoveChild, which then finds
        // it at once and still does the node's own bookkeeping (its parent link).
        const size_t firstGone = detached_.size();
        for (ISyntaxTreeNode* child : leaving) {
            children.assign(1, child);
            parent->RemoveChild(child);
            // A child the parent would not let go stays where it was and is not destroyed.
            if (child->GetParent() == nullptr) detached_.push_back(child);
        }
        // The children that left are the ones just detached: a call's few are looked for one
        // by one, many through a set, so that a call of any size costs its argument count.
        const std::span<ISyntaxTreeNode* const> gone(detached_.data() + firstGone,
                                                     detached_.size() - firstGone);
        constexpr size_t kFew = 8;
        if (gone.size() <= kFew) {
            std::erase_if(before, [gone](ISyntaxTreeNode* child) {
                return std::find(gone.begin(), gone.end(), child) != gone.end();
            });
        } else {
            const std::unordered_set<ISyntaxTreeNode*> goneSet(gone.begin(), gone.end());
            std::erase_if(before,
                          [&goneSet](ISyntaxTreeNode* child) { return goneSet.count(child) != 0; });
        }
        children = std::move(before);
    }

    FewNodes<bool> dropped_;
    // Parent -> its dropped children not yet detached, in list order (emptied once settled).
    FewNodes<std::vector<ISyntaxTreeNode*>> leaving_;
    std::vector<ISyntaxTreeNode*> detached_;
};

void KvSemanticAnalyzer::FormatKvFunPar(std::vector<ISyntaxTreeNode*> nodes) {
    ArgumentSweep sweep;
    LineTask lineTask;
    for (ISyntaxTreeNode*& node : nodes) {
        // Structural nodes carry no token and are never arguments.
        IToken* token = TokenOf(node);
        if (token == nullptr) continue;
        // Arguments emptied by an earlier rewrite leave the tree.
        if (TextViewOf(node, argumentText_).empty()) {
            sweep.Drop(node);
            node = nullptr;
            continue;
        }
        ISyntaxTreeNode* call = nullptr;
        bool nameEntry = false;
        if (token->GetType() == kv::TokenType::Function) {
            call = node;
            nameEntry = true;
        }
        if (kv::node::IsCallNode(node->GetParent())) call = node->GetParent();
        if (call == nullptr) continue;
        if (!FormatCall(call, nameEntry, sweep, lineTask)) break;
    }
    sweep.Finish();
}

bool KvSemanticAnalyzer::FormatCall(ISyntaxTreeNode* call, bool nameEntry, ArgumentSweep& sweep,
                                    LineTask& lineTask) {
    IToken* callToken = call->GetToken();
    // Read in place: formatting rewrites the arguments, never the call's name.
    std::string scratch;
    const std::string_view name = kv::node::TextViewOf(call, scratch);
    const int line = callToken->GetLine();
    const int column = callToken->GetColumn();

    // Host built-ins (negative function numbers) keep their arguments as written.
    const auto* function = appData->FindHostFunctions(name);
    if (function != nullptr && !function->second.empty() && function->second.front() != nullptr &&
        function->second.front()->GetFunctionNo() < 0) {
        return true;
    }

    const auto* descriptor = appData->FindFunParValueDes(name);
    if (descriptor == nullptr) {
        Report(dataHost, msg::FunParDesMissing, At(line, column), callToken->GetSourceText());
        return false;
    }
    const CFunctionParasValueDes& des = descriptor->second;
    // A line's task is looked up once for all of its calls. Only a task found is kept: a failed
    // lookup reports and ends the pass, so it is never asked again.
    if (!lineTask.known || lineTask.line != line) {
        lineTask.taskId = GetTaskIdByLogicNo(line);
        if (lineTask.taskId.empty()) return false;
        lineTask.line = line;
        lineTask.known = true;
    }
    const std::string& taskId = lineTask.taskId;
    const bool hasParameters = !des.par.empty() || !des.arrayPar.par.empty();
    if (hasParameters && nameEntry) {
        Report(dataHost, msg::ParamsMissing, At(line, column));
        return false;
    }

    sweep.Settle(call);
    if (call->GetChildren().empty()) {
        // A call written without arguments still tells the VM its task.
        std::string text;
        AppendQuoted(text, taskId);
        ISyntaxTreeNode* literal =
            newSyntaxTreeNode(newToken(text, column, line, line, kv::TokenType::Literal), nullptr);
        call->AddChild(literal);
        if (literal->GetParent() != call) delete literal;
        return true;
    }

    // The parameter is written straight into one reused text. The JSON goes in as it is: the
    // byte-code round trip it once took maps every byte (malformed ones included) onto itself.
    std::string& text = parameterText_;
    text.clear();
    text += kQuote;
    text += taskId;
    text += ',';
    const size_t jsonStart = text.size();
    // A call that cannot be formatted still gets its task, with an empty JSON part.
    if (!AppendJsonPar(text, call, des)) text.resize(jsonStart);
    text += kQuote;
    ChangeFunParNode(call, text);
    return true;
}

std::string KvSemanticAnalyzer::MakeJsonPar(ISyntaxTreeNode* call,
                                            const CFunctionParasValueDes& des) {
    std::string json;
    if (!AppendJsonPar(json, call, des)) return {};
    return json;
}

bool KvSemanticAnalyzer::AppendJsonPar(std::string& json, ISyntaxTreeNode* call,
                                       const CFunctionParasValueDes& des) {
    IToken* callToken = call->GetToken();
    const std::vector<ISyntaxTreeNode*>& arguments = call->GetChildren();
    json += '{';

    if (!des.HasArrayPar()) {
        const auto& parameters = des.par;
        if (parameters.size() != arguments.size()) {
            Report(dataHost, msg::ParamCountWrong, AtToken(callToken));
            return false;
        }
        for (size_t i = 0; i < parameters.size(); ++i) {
            if (parameters[i].name.empty()) {
                Report(dataHost, msg::ParamDesNameEmpty, AtToken(callToken), std::to_string(i + 1));
                return false;
            }
            AppendMember(json, parameters[i].name, TextViewOf(arguments[i], argumentText_), true);
            if (i + 1 < parameters.size()) json += ',';
        }
        json += '}';
        return true;
    }

    // Array form: the element parameters repeat over the arguments, one group per element. An
    // array without element parameters has no group size and fits no argument count.
    const CArrayPar& array = des.arrayPar;
    const size_t groupSize = array.par.size();
    if (groupSize == 0 || arguments.size() % groupSize != 0) {
        Report(dataHost, msg::ParamCountWrong, AtToken(callToken));
        return false;
    }
    AppendQuoted(json, array.name);
    json += ":{";
    AppendMember(json, "displayname", array.displayname, false);
    json += ',';
    AppendMember(json, "type", array.type, false);
    json += ',';
    AppendQuoted(json, "array");
    json += ":[";
    const size_t groups = arguments.size() / groupSize;
    for (size_t g = 0; g < groups; ++g) {
        json += '{';
        for (size_t j = 0; j < groupSize; ++j) {
            AppendMember(json, array.par[j].name,
                         TextViewOf(arguments[g * groupSize + j], argumentText_), true);
            if (j + 1 < groupSize) json += ',';
        }
        json += '}';
        if (g + 1 < groups) json += ',';
    }
    json += "]}}";
    return true;
}
