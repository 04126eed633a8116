// Explanations: the texts of every error code, written for the people who write recipes and
// bundles. Each example was worked out from the code that reports it; the kvc tests compile
// every example and its fix against the example bundle.
#include "tools/kvc/Explanations.h"

#include <algorithm>

namespace kv::kvc {
namespace {

using namespace std::string_view_literals;

// The example bundle gives lines 3 to 5 to task t1, so every recipe example starts there.
constexpr std::string_view kRecipeHead =
    "// Braised chicken, task t1: the example bundle's table logicTaskRelated\n"
    "// gives lines 3 to 5 to t1, so its steps start on line 3.\n";

// The example bundle's resource table as it is, and with one code left out.
constexpr std::string_view kResources =
    "[\n"
    "  {\"code\": \"2001\", \"name\": \"锅盖\", \"type\": \"lid\"},\n"
    "  {\"code\": \"2002\", \"name\": \"炒锅\", \"type\": \"pot\"}\n"
    "]\n";
constexpr std::string_view kResourceWithoutCode =
    "[\n"
    "  {\"code\": \"2001\", \"name\": \"锅盖\", \"type\": \"lid\"},\n"
    "  {\"name\": \"炒锅\", \"type\": \"pot\"}\n"
    "]\n";

const std::vector<Explanation>& All() {
    static const std::vector<Explanation> all = {
        // ---- The analyzer library
        {1001,
         "A value of the wrong kind",
         "A value is either text, written in double quotes, or a number, written without them. "
         "Which one an argument takes follows from its parameter's `dataType` in "
         "`functionParasValueDes`, a business type whose own `dataType` in `bsType` is `string` "
         "for text; a variable takes text when its `dataType` in `variableValueDes` is `string` "
         "or `char`. 1001 says that a value is written as the other kind.",
         {
             {"FunValueIsString", "a number argument is written in double quotes."},
             {"FunParNotString", "an argument of a text business type is not in double quotes."},
             {"VarNotString", "the value %1 of the text variable %0 is not in double quotes."},
         },
         {
             {.title = "A temperature written as text",
              .steps = "task_t1 = 1; heat(\"180\", 2min)\n",
              .diagnostic = "recipe.rcp:3:14: error[1001]: 参数值类型错误:不应该是字符串！",
              .fix = "The temperature of `heat` is of the business type `temperature`, a "
                     "`float`: write the number without quotes.",
              .fixedSteps = "task_t1 = 1; heat(180, 2min)\n"},
         }},
        {1002,
         "A call with the wrong number of arguments",
         "A call gives exactly as many arguments as its function's entry in "
         "`functionParasValueDes` lists parameters in `par`; a function with an array parameter "
         "(`arrayPar`) takes whole groups of the array's parameters. A call written with empty "
         "parentheses is wrong for any function that has parameters. The error points at the "
         "call's name; the same call may be reported twice, once when its arguments are checked "
         "and once when its step is built.",
         {
             {"FunParCountWrong",
              "the call has more or fewer arguments than the function has parameters."},
             {"ParamsMissing",
              "a call written without arguments, `name()`, to a function that has parameters "
              "but no entry in the host's function table (a function with one gets the message "
              "above)."},
         },
         {
             {.title = "Two speeds given to a function that takes one",
              .steps = "task_t1 = 1; stir(30, 60)\n",
              .diagnostic = "recipe.rcp:3:14: error[1002]: 参数个数错误",
              .fix = "`stir` has one parameter, `speed`. Give one speed per call; a later step "
                     "can change it.",
              .fixedSteps = "task_t1 = 1; stir(30)\n"},
         }},
        {1003,
         "A value outside its range or choices",
         "The value has the right kind and unit, but the tables do not allow it: a number "
         "outside the parameter's or variable's `scope` (compared in the base unit, so `0.5kg` "
         "counts as 500 against a range in grams), a word that is none of the parameter's "
         "`select` choices, an ingredient or resource that the `ingredient` or `resource` table "
         "does not list (by name or by code), empty text, or a timer number too large for 32 "
         "bits.",
         {
             {"ValueOutOfRange",
              "the number %0, in the base unit, lies outside the range %1 to %2. For a "
              "cooking parameter `#name`, %0 is the first of its values in `par` that does not "
              "fit."},
             {"NotInSelect",
              "the value is none of the keys or values of the parameter's `select` choices; "
              "for a cooking parameter, one of its choices in `appPar` is none of them."},
             {"FunNotMaterial", "the ingredient is neither a name nor a code of `ingredient`."},
             {"FunNotResource", "the resource is neither a name nor a code of `resource`."},
             {"FunParEmpty", "an argument of a text business type is the empty text `\"\"`."},
             {"VarStringEmpty", "a text variable is given empty text."},
             {"VarNotInSelect",
              "the value %1 of the text variable %0 is none of its `select` choices."},
             {"VarCookParValueOutOfRange",
              "the value %1 that the cooking parameter %0 can take lies outside the variable's "
              "range."},
             {"TimerIdOutOfRange", "the timer number %0 does not fit 32 bits."},
         },
         {
             {.title = "A temperature above the parameter's range",
              .steps = "task_t1 = 1; heat(300, 2min)\n",
              .diagnostic = "recipe.rcp:3:14: error[1003]: "
                            "参数值:<300>的值不在正常范围内，必须在0-250范围内",
              .fix = "`functionParasValueDes` gives the temperature of `heat` the scope 0 to "
                     "250 (℃). Stay inside it, or widen the scope if the appliance can do more.",
              .fixedSteps = "task_t1 = 1; heat(180, 2min)\n"},
             {.title = "An ingredient the bundle does not know",
              .steps = "task_t1 = 1; add(牛肉, 0.5kg)\n",
              .diagnostic = "recipe.rcp:3:14: error[1003]: 参数值错误:不在物料范围内!",
              .fix = "The `ingredient` table lists 鸡块, 生姜, 料酒, 生抽, 老抽, 冰糖 and 水 "
                     "(codes 1001 to 1007). Use one of them, or add the new ingredient to the "
                     "table with its code.",
              .fixedSteps = "task_t1 = 1; add(鸡块, 0.5kg)\n"},
         }},
        {1004,
         "A wrong or missing unit",
         "A number may carry a unit of the `unit` table whose `base` is the base unit of its "
         "business type (`unit` in `bsType`), and is converted to that base: `2min` is 120 "
         "seconds. A number without a unit is taken in the base unit. 1004 says the text is not "
         "a number followed by such a unit: the unit measures something else (`2kg` for a "
         "duration), the `unit` table does not list it, or the text is no number at all.",
         {
             {"FunValueOrUnitWrong", "an argument is not a number in a unit of its kind."},
             {"VarUnitWrong",
              "the value %0 given to a variable is not a number in a unit of its kind."},
         },
         {
             {.title = "A weight given as a duration",
              .steps = "task_t1 = 1; heat(180, 2kg)\n",
              .diagnostic = "recipe.rcp:3:14: error[1004]: 参数值或单位不正确！",
              .fix = "The second parameter of `heat` is a `duration`, whose base unit is `s`; "
                     "the `unit` table converts `min` to it, `kg` only to `g`.",
              .fixedSteps = "task_t1 = 1; heat(180, 2min)\n"},
         }},
        {2001,
         "An unknown cooking parameter",
         "`#name` refers to a cooking parameter, a value chosen on the appliance among the "
         "values the `par` table lists for `name`; for a parameter with `select` choices, the "
         "VM parameter table `appPar` must describe it too. 2001 says that the reference is "
         "empty (`#` alone) or names no such cooking parameter.",
         {
             {"CookParMissing", "`#%0` names no cooking parameter of `par`."},
             {"CookParNotInAppPar",
              "`#%0` is given to a parameter with choices, but `appPar` has no entry %0."},
             {"FunCookParNameEmpty", "an argument is `#` without a name."},
             {"VarCookParEmpty", "a variable is given `#` without a name."},
         },
         {
             {.title = "A misspelt cooking parameter",
              .steps = "task_t1 = 1; stir(#stirSped)\n",
              .diagnostic = "recipe.rcp:3:14: error[2001]: 烹饪变量<stirSped>在烹饪参数表中找不到!",
              .fix = "The `par` table names `stirSpeed`, `braiseTime` and `fireLevel`; names "
                     "are compared exactly.",
              .fixedSteps = "task_t1 = 1; stir(#stirSpeed)\n"},
         }},
        {2002,
         "Missing or inconsistent application data",
         "The bundle's tables lack something the compile needs, or do not fit together: a "
         "call on a line that no task owns, a called function without a descriptor, a table entry "
         "without a required field, a range whose bounds are reversed, a table too large for "
         "the image. Most messages name the table and the entry; those without a recipe "
         "position are shown after the bundle's path. Two faults are the recipe's own: a call on "
         "a line the bundle gives no task, and a time point that is not a whole number.",
         {
             {"TimePointNotInteger",
              "a time point `time >= value` whose value is not a whole number of seconds."},
             {"FunDescMissing",
              "the host's function table lists %0, but `functionParasValueDes` has no entry "
              "for it."},
             {"FunBsTypeMissing",
              "a parameter's `dataType` %0 names no business type of `bsType`."},
             {"FunScopeInvalid",
              "the `scope` of the parameter %0 has neither two bounds nor none."},
             {"VarScopeInvalid",
              "the `scope` of the variable %0 in `variableValueDes` has neither two bounds nor "
              "none."},
             {"LogicNoWithoutTask",
              "line %0 of the recipe holds a call, but `logicTaskRelated` gives it no task."},
             {"LogicNoTaskIdEmpty", "`logicTaskRelated` gives line %0 an empty task id."},
             {"FunParDesMissing",
              "the function %0 is called, but `functionParasValueDes` has no entry for it "
              "(found when the step is built)."},
             {"ParamDesNameEmpty",
              "parameter %0 (counted from 1) of the called function's entry has no name."},
             {"IngredientIdMissing",
              "the `materialList` of the step's `logicInfo` entry names the ingredient %0, "
              "which `ingredient` does not list."},
             {"InternalFailure",
              "the analyzer met an unexpected failure inside one of the host's calls; %0 is "
              "what it said. Please report it with the recipe and the bundle."},
             {"TableRowInvalid",
              "a row of the table %0 holds nothing usable (in a bundle: an empty file)."},
             {"ResourceIdEmpty", "the resource %0 has no `code`."},
             {"BsTypeDataTypeEmpty", "the business type %0 has no `dataType`."},
             {"UnitNameAllDigits",
              "the unit %0 is named with digits only, which would read as part of a number."},
             {"FunParNameMissing",
              "a parameter of the function %0 in `functionParasValueDes` has no `name`."},
             {"MaterialIdMissing",
              "the ingredient %0 has no `code` (the message lacks its closing `>`, as it "
              "always has)."},
             {"UnitOffsetMissing", "the unit %0 has no number `offset`."},
             {"UnitRatioMissing", "the unit %0 has no number `ratio`."},
             {"LogicNoMissing", "an entry of `logicInfo` has no integer `logicNo`."},
             {"VisibleStepMissing", "an entry of `logicInfo` has no integer `visibleStep`."},
             {"VisibleIdMissing", "an entry of `logicInfo` has no integer `visibleId`."},
             {"LogicMaterialNameMissing",
              "an ingredient of line %0's `materialList` in `logicInfo` has no `name`."},
             {"LogicMaterialQuantityMissing",
              "an ingredient of line %0's `materialList` in `logicInfo` has no `quantity`."},
             {"ScopeBoundsReversed", "a `scope`'s lower bound is above its upper bound."},
             {"VarKeyMalformed",
              "the `appVariable` key %0, which no task of `taskInfo` lists, is not "
              "`<object id>.<name>`."},
             {"VarObjectUnknown",
              "the object of the `appVariable` key %0, which no task of `taskInfo` lists, is "
              "neither in `appObject` nor -1."},
             {"TaskStepCountMissing", "the task %0 of `taskInfo` has no integer `stepCount`."},
             {"VarTableTooLarge",
              "the image's variable table would hold more than 65535 records or bytes."},
             {"TaskTableTooLarge",
              "the image's task table would hold more than 65535 records or bytes."},
             {"ParTableTooLarge",
              "the image's parameter table would hold more than 65535 records or bytes."},
             {"TextNotConvertible",
              "Windows build only: a text of the tables is not GBK, so it cannot be converted "
              "for the image; %0 shows it up to the first byte that does not convert."},
         },
         {
             {.title = "A fourth step on a line the bundle gives no task",
              .steps = "task_t1 = 1; heat(180, 2min)\n"
                       "time >= 60 => task_t1 = 2; stir(30)\n"
                       "time >= 120 => task_t1 = 3; stir(60)\n"
                       "time >= 180 => task_t1 = 4; heat(0, 0s); stir(0)\n",
              .diagnostic = "examples/braised-chicken/bundle: error[2002]: "
                            "逻辑编号<6>找不到对应的表号",
              .fix = "The bundle knows three steps of t1, on lines 3 to 5 (`logicTaskRelated`, "
                     "`logicInfo`, and `stepCount` 3 in `taskInfo`). Give line 6 to t1 in all "
                     "three tables, or do the work of the fourth step in the third:",
              .fixedSteps = "task_t1 = 1; heat(180, 2min)\n"
                            "time >= 60 => task_t1 = 2; stir(30)\n"
                            "time >= 120 => task_t1 = 3; heat(0, 0s); stir(0)\n"},
             {.title = "A time point with a unit",
              .steps = "task_t1 = 1; heat(180, 2min)\n"
                       "time >= 1.5min => task_t1 = 2; stir(30)\n",
              .diagnostic = "recipe.rcp:4:1: error[2002]: 时间点错误不是整数",
              .fix = "A time point is a whole number of seconds, without a unit: one and a "
                     "half minutes is 90.",
              .fixedSteps = "task_t1 = 1; heat(180, 2min)\n"
                            "time >= 90 => task_t1 = 2; stir(30)\n"},
             {.title = "A resource without its code",
              .table = "appParameterDataLc/resource.json",
              .wrongTable = kResourceWithoutCode,
              .diagnostic = "examples/braised-chicken/bundle: error[2002]: "
                            "餐饮输入数据错误:资源表中<炒锅>对应的id为空!",
              .fix = "Every resource needs the `code` that recipes are compiled to:",
              .fixedTable = kResources},
         }},
        {2003,
         "A timer started without its number",
         "`starttimer(n)` starts timer n; the timers that the lines of a task start become the "
         "task's timer list (`timerId`) in the image. A call without the number does not say "
         "which timer.",
         {
             {"TimerWithoutArguments", "the call %0 has no argument."},
         },
         {
             {.title = "An empty starttimer call",
              .steps = "task_t1 = 1; heat(180, 2min); starttimer()\n",
              .diagnostic = "recipe.rcp:3:31: error[2003]: 函数<starttimer>的参数为空!",
              .fix = "Give the number of the timer to start:",
              .fixedSteps = "task_t1 = 1; heat(180, 2min); starttimer(1)\n"},
         }},

        // ---- The recipe parser. A recipe with a syntax error is not analysed at all.
        {9001,
         "A byte that is not part of a character",
         "The recipe is read as UTF-8, or as GBK with `--encoding=gbk`. A byte that does not "
         "start a well-formed character stops the line, mostly because the file was saved in "
         "another encoding than it is read in. The message shows the byte in hexadecimal. kvc "
         "leaves this check to the parser only when it reads a UTF-8 recipe on Linux; "
         "otherwise it finds the byte first and says `is not UTF-8 text` or `is not GBK text`. "
         "The example shows the bytes that are not UTF-8 as `\\xNN`.",
         {{"InvalidEncoding", ""}},
         {
             {.title = "A recipe saved in GBK and read as UTF-8",
              .steps = "task_t1 = 1; add(\xBC\xA6\xBF\xE9, 0.5kg)\n",
              .diagnostic = "recipe.rcp:3:18: error[9001]: 语法错误：应为<合法编码的字符>，"
                            "实际为<字节0xBC>",
              .fix = "Compile it with `--encoding=gbk`, or save it as UTF-8:",
              .fixedSteps = "task_t1 = 1; add(鸡块, 0.5kg)\n"},
         }},
        {9002,
         "A NUL character",
         "A recipe is text, and a NUL character (the byte 0) is none. kvc refuses a recipe file "
         "that holds one before parsing it; a host that hands such text to the parser gets "
         "9002 at the NUL.",
         {{"NulCharacter", ""}},
         {
             {.title = "A NUL byte at the end of a line",
              .steps = "task_t1 = 1; stir(30)\0\n"sv,
              .diagnostic =
                  "recipe.rcp:3:22: error[9002]: 语法错误：应为<文本字符>，实际为<空字符>",
              .refusal = "kvc: error: recipe.rcp: is a binary file (it holds a NUL byte), not a "
                         "recipe",
              .fix = "Remove the byte, and see what else the program that wrote the file left "
                     "in it.",
              .fixedSteps = "task_t1 = 1; stir(30)\n"},
         }},
        {9003,
         "A double quote left open",
         "Text in double quotes ends at the next double quote on the same line; there are no "
         "escapes. A line with an odd number of double quotes before its comment leaves one "
         "open; the error points at it.",
         {{"UnterminatedQuote", ""}},
         {
             {.title = "A stray quote",
              .steps = "task_t1 = 1; add(\"鸡块, 0.5kg)\n",
              .diagnostic = "recipe.rcp:3:18: error[9003]: "
                            "语法错误：应为<与之配对的双引号>，实际为<行尾>",
              .fix = "An ingredient is named without quotes:",
              .fixedSteps = "task_t1 = 1; add(鸡块, 0.5kg)\n"},
         }},
        {9004,
         "A parenthesis left open",
         "Every `(` of a line is closed on the same line: a call's arguments, and parentheses "
         "inside an argument. The error points at the outermost `(` left open.",
         {{"UnclosedParenthesis", ""}},
         {
             {.title = "A call without its closing parenthesis",
              .steps = "task_t1 = 1; heat(180, 2min\n",
              .diagnostic = "recipe.rcp:3:18: error[9004]: "
                            "语法错误：应为<与之配对的右括号>，实际为<行尾>",
              .fix = "Close the call:",
              .fixedSteps = "task_t1 = 1; heat(180, 2min)\n"},
         }},
        {9005,
         "A closing parenthesis without its opening one",
         "A `)` outside any call or parenthesis closes nothing.",
         {{"UnmatchedCloseParenthesis", ""}},
         {
             {.title = "One closing parenthesis too many",
              .steps = "task_t1 = 1; stir(30))\n",
              .diagnostic = "recipe.rcp:3:22: error[9005]: "
                            "语法错误：应为<与之配对的左括号>，实际为<)>",
              .fix = "Remove it:",
              .fixedSteps = "task_t1 = 1; stir(30)\n"},
         }},
        {9006,
         "A name expected",
         "A condition starts with the name it compares, and an action with the name it calls "
         "or assigns. Names are made of letters, digits, `_`, `.` and any non-ASCII character, "
         "and do not start with a digit.",
         {{"ExpectName", ""}},
         {
             {.title = "A condition without the variable it compares",
              .steps = ">= 160 => task_t1 = 1; stir(30)\n",
              .diagnostic = "recipe.rcp:3:1: error[9006]: 语法错误：应为<名称>，实际为<>>",
              .fix = "Name the variable:",
              .fixedSteps = "pot.temp >= 160 => task_t1 = 1; stir(30)\n"},
         }},
        {9007,
         "A name that starts with a digit",
         "Where a name is expected, a word that starts with a digit is none. In a condition the "
         "name comes first and the value after the operator.",
         {{"NameStartsWithDigit", ""}},
         {
             {.title = "A condition written the other way round",
              .steps = "160 <= pot.temp => task_t1 = 1; stir(30)\n",
              .diagnostic = "recipe.rcp:3:1: error[9007]: "
                            "语法错误：应为<不以数字开头的名称>，实际为<160>",
              .fix = "Put the variable first and turn the operator round:",
              .fixedSteps = "pot.temp >= 160 => task_t1 = 1; stir(30)\n"},
         }},
        {9008,
         "A comparison operator expected",
         "A condition compares a name with a value by `==`, `!=`, `>`, `>=`, `<` or `<=`. A "
         "single `=` assigns, and assignments belong to the actions after `=>`.",
         {{"ExpectComparisonOperator", ""}},
         {
             {.title = "An assignment among the conditions",
              .steps = "pot.temp = 160 => task_t1 = 1; stir(30)\n",
              .diagnostic = "recipe.rcp:3:10: error[9008]: "
                            "语法错误：应为<比较运算符（==、!=、>、>=、<、<=）>，实际为<=>",
              .fix = "Compare instead; a temperature is best waited for with `>=`:",
              .fixedSteps = "pot.temp >= 160 => task_t1 = 1; stir(30)\n"},
         }},
        {9009,
         "A call or an assignment expected",
         "An action is a call `name(arguments)` or an assignment `name = value`; after the name "
         "comes `(` or `=`. Comparisons belong to the conditions before `=>`.",
         {{"ExpectCallOrAssignment", ""}},
         {
             {.title = "A step marker written as a comparison",
              .steps = "task_t1 == 1; stir(30)\n",
              .diagnostic = "recipe.rcp:3:9: error[9009]: 语法错误：应为<“(”或“=”>，实际为<==>",
              .fix = "A step marker assigns the step number:",
              .fixedSteps = "task_t1 = 1; stir(30)\n"},
         }},
        {9010,
         "An operand missing",
         "A comparison or an assignment needs a value after its operator.",
         {{"MissingOperand", ""}},
         {
             {.title = "A step marker without its number",
              .steps = "task_t1 = ; stir(30)\n",
              .diagnostic = "recipe.rcp:3:11: error[9010]: 语法错误：应为<操作数>，实际为<;>",
              .fix = "Give the step number:",
              .fixedSteps = "task_t1 = 1; stir(30)\n"},
         }},
        {9011,
         "An argument missing",
         "Every argument between the parentheses of a call holds a value: a call has no empty "
         "arguments, before, between or after its commas. A call without arguments is written "
         "`name()`.",
         {{"MissingArgument", ""}},
         {
             {.title = "A comma with nothing after it",
              .steps = "task_t1 = 1; heat(180, )\n",
              .diagnostic = "recipe.rcp:3:24: error[9011]: 语法错误：应为<参数>，实际为<)>",
              .fix = "Give the duration:",
              .fixedSteps = "task_t1 = 1; heat(180, 2min)\n"},
         }},
        {9012,
         "An empty condition",
         "The conditions before `=>` are comparisons separated by commas; none of them is empty, "
         "and a line that starts with `=>` has no condition at all. A step without conditions "
         "is written without `=>`.",
         {{"EmptyCondition", ""}},
         {
             {.title = "A comma left before the arrow",
              .steps = "pot.temp >= 160, => task_t1 = 1; stir(30)\n",
              .diagnostic = "recipe.rcp:3:18: error[9012]: 语法错误：应为<条件>，实际为<=>>",
              .fix = "Remove the comma, or write the second condition:",
              .fixedSteps = "pot.temp >= 160 => task_t1 = 1; stir(30)\n"},
         }},
        {9013,
         "An empty action",
         "The actions are separated by semicolons; none of them is empty, so a line does not "
         "end with `;`, and `=>` is followed by an action.",
         {{"EmptyAction", ""}},
         {
             {.title = "A semicolon at the end of the line",
              .steps = "task_t1 = 1; stir(30);\n",
              .diagnostic = "recipe.rcp:3:23: error[9013]: 语法错误：应为<动作>，实际为<行尾>",
              .fix = "Remove it; the end of the line ends the last action:",
              .fixedSteps = "task_t1 = 1; stir(30)\n"},
         }},
        {9014,
         "A comma or arrow expected after a condition",
         "Conditions are separated by commas, and `=>` ends them. A semicolon separates "
         "actions, not conditions.",
         {{"ExpectConditionSeparator", ""}},
         {
             {.title = "Conditions separated by a semicolon",
              .steps = "pot.temp >= 160; time >= 10 => task_t1 = 1; stir(30)\n",
              .diagnostic = "recipe.rcp:3:16: error[9014]: 语法错误：应为<“,”或“=>”>，实际为<;>",
              .fix = "Separate them with a comma; both must hold:",
              .fixedSteps = "pot.temp >= 160, time >= 10 => task_t1 = 1; stir(30)\n"},
         }},
        {9015,
         "A comma or closing parenthesis expected after an argument",
         "A call's arguments are separated by commas and end with `)`.",
         {{"ExpectArgumentSeparator", ""}},
         {
             {.title = "Arguments separated by a semicolon",
              .steps = "task_t1 = 1; heat(180; 2min)\n",
              .diagnostic = "recipe.rcp:3:22: error[9015]: 语法错误：应为<“,”或“)”>，实际为<;>",
              .fix = "Use a comma:",
              .fixedSteps = "task_t1 = 1; heat(180, 2min)\n"},
         }},
        {9016,
         "A semicolon or the line's end expected after an assignment",
         "Actions are separated by semicolons. An assignment's value ends at the first `,` `;` "
         "or `)` outside parentheses, and after it only `;` or the end of the line may follow.",
         {{"ExpectActionSeparator", ""}},
         {
             {.title = "Actions separated by a comma",
              .steps = "task_t1 = 1, stir(30)\n",
              .diagnostic = "recipe.rcp:3:12: error[9016]: 语法错误：应为<“;”或行尾>，实际为<,>",
              .fix = "Use a semicolon:",
              .fixedSteps = "task_t1 = 1; stir(30)\n"},
         }},
        {9017,
         "Text after a call",
         "A call ends at its closing parenthesis; what follows it on the line is `;` and the "
         "next action, or nothing.",
         {{"TextAfterCall", ""}},
         {
             {.title = "Two calls without a semicolon between them",
              .steps = "task_t1 = 1; stir(30) heat(180, 2min)\n",
              .diagnostic = "recipe.rcp:3:23: error[9017]: "
                            "语法错误：应为<调用结束后的“;”或行尾>，实际为<h>",
              .fix = "Separate the calls with a semicolon:",
              .fixedSteps = "task_t1 = 1; stir(30); heat(180, 2min)\n"},
         }},
        {9018,
         "A second arrow",
         "A line is one step: its conditions, one `=>`, its actions. A step that waits for "
         "something more goes on a line of its own.",
         {{"SecondArrow", ""}},
         {
             {.title = "Conditions and actions chained on one line",
              .steps = "pot.temp >= 160 => task_t1 = 1 => stir(30)\n",
              .diagnostic = "recipe.rcp:3:32: error[9018]: "
                            "语法错误：应为<每行至多一个“=>”>，实际为<=>>",
              .fix = "The actions are separated by semicolons:",
              .fixedSteps = "pot.temp >= 160 => task_t1 = 1; stir(30)\n"},
         }},
        {9019,
         "Full-width punctuation",
         "A Chinese input method types full-width forms of `;`, `,`, `(`, `)` and `=`. Outside "
         "quotes they would read as part of a name, and the rest of the action would quietly "
         "become a value, so the parser refuses them. In quotes and comments they are text.",
         {{"FullWidthPunctuation", ""}},
         {
             {.title = "A full-width semicolon after a step marker",
              .steps = "task_t1 = 1； stir(30)\n",
              .diagnostic = "recipe.rcp:3:12: error[9019]: 语法错误：应为<半角标点>，实际为<；>",
              .fix = "Type the ASCII semicolon:",
              .fixedSteps = "task_t1 = 1; stir(30)\n"},
         }},
    };
    return all;
}

}  // namespace

std::span<const Explanation> Explanations() { return All(); }

const Explanation* FindExplanation(int code) {
    const std::span<const Explanation> all = Explanations();
    const auto found = std::find_if(
        all.begin(), all.end(), [code](const Explanation& entry) { return entry.code == code; });
    return found != all.end() ? &*found : nullptr;
}

std::string ExampleRecipe(std::string_view steps) {
    std::string recipe(kRecipeHead);
    recipe += steps;
    return recipe;
}

}  // namespace kv::kvc
