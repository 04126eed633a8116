// KvConst: the string constants shared by every subsystem.
#pragma once

#include <string>

namespace KvConst {
inline const std::string KvVersion = "V3.00.03.00";
inline const std::string RecipeVersion = "recipeVersion";
inline const std::string AppParameterDataVm = "appParameterDataVm";
inline const std::string AppParameterDataLc = "appParameterDataLc";
inline const std::string SystemParameterDataLc = "systemParameterDataLc";
inline const std::string CompileConfigure = "compileConfigure";
inline const std::string VMAppFileType = "VMAppFileType";
}  // namespace KvConst
