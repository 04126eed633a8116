// TimelineOutput: the picture's place is checked like the log's, against inputs and outputs.
#include "tools/kvc/TimelineOutput.h"

#include <system_error>

#include "KvConst.h"
#include "host/AtomicWrite.h"
#include "host/HostText.h"
#include "host/timeline/TimelineSvg.h"
#include "tools/kvc/KvcMessages.h"

namespace kv::kvc {
namespace fs = std::filesystem;
namespace msg = kv::diag::kvc;
using kv::host::MakeHostError;
using kv::host::PathText;

std::optional<kv::host::HostError> CheckTimelinePlace(const kv::host::CompilePaths& paths,
                                                      const fs::path& picture) {
    const std::string shown = PathText(picture);
    std::error_code ec;
    if (fs::is_directory(picture, ec)) return MakeHostError(shown, msg::TimelineIsDirectory);
    if (!kv::host::NearestExistingIsDirectory(picture.has_parent_path() ? picture.parent_path()
                                                                        : fs::path("."))) {
        return MakeHostError(shown, msg::TimelineUnderFile);
    }
    if (kv::host::SameFile(picture, paths.recipe)) {
        return MakeHostError(shown, kv::diag::host::OutputIsRecipe);
    }
    if (kv::host::IsWithin(picture, paths.bundle)) {
        return MakeHostError(shown, msg::TimelineInBundle);
    }
    // The outputs replace the program file and the table folder whole.
    const bool isOutput = !paths.outDir.empty() &&
                          (kv::host::SameFile(picture, paths.outDir) ||
                           kv::host::IsWithin(picture, paths.outDir / kv::host::kProgramFile) ||
                           kv::host::IsWithin(picture, paths.outDir / KvConst::AppParameterDataVm));
    const auto isSideFile = [&picture](const fs::path& file) {
        return kv::host::NamesFile(file) && kv::host::SameFile(picture, file);
    };
    if (isOutput || isSideFile(paths.logJson) || isSideFile(paths.diagnosticsFile)) {
        return MakeHostError(shown, msg::TimelineIsOutput);
    }
    return std::nullopt;
}

std::optional<kv::host::HostError> WriteTimeline(const kv::timeline::Timeline& timeline,
                                                 const fs::path& picture) {
    return kv::host::WriteFileAtomically({picture, kv::timeline::DrawTimeline(timeline)});
}

}  // namespace kv::kvc
