// InspectCommand: reads an image file, decodes it and shows it.
#include "tools/kvc/InspectCommand.h"

#include "host/FileRead.h"
#include "host/HostText.h"
#include "host/ImageReader.h"
#include "tools/kvc/ImageReport.h"
#include "tools/kvc/KvcMessages.h"

namespace kv::kvc {

int RunInspect(const InspectOptions& options, std::ostream& out, std::ostream& err) {
    kv::host::HostResult<std::string> bytes = kv::host::ReadWholeFile(options.image);
    if (!bytes.Ok()) {
        ShowError(err, bytes.Error().Describe());
        return bytes.Error().exitCode;
    }
    kv::host::HostResult<DecodedImage> image =
        kv::host::DecodeImage(bytes.Value(), kv::host::PathText(options.image));
    if (!image.Ok()) {
        ShowError(err, image.Error().Describe());
        return image.Error().exitCode;
    }
    // A report that did not arrive whole (a full disk, a closed pipe) is a failed run.
    if (!(out << (options.json ? ImageToJson(image.Value()) : ImageToText(image.Value())))
             .flush()) {
        ShowError(err, kv::diag::kvc::StdoutFailed.format);
        return kv::diag::kvc::StdoutFailed.code;
    }
    return 0;
}

}  // namespace kv::kvc
