// TwoHandedRender: renders a program's lines with a second thread, for a machine with a second
// core. The lines go out in chunks; the second thread renders every other chunk while this
// one renders the chunk before it, and each chunk is handed on in its turn, so that what put
// receives is the program exactly as one thread renders it. At most three chunks are held.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "host/RecipeDrive.h"

namespace kv::kvc {

// Appends one rendered line (with its line feed) to out as the output file holds it.
using LineEncoder = std::function<void(std::string_view line, std::string& out)>;

// Renders every line of layout, encoded, handed to put in order a chunk of chunkLines lines at a
// time. Where no thread can be started, this thread renders every chunk. What the second
// thread throws is thrown here; what put or this thread throws first stops the second thread.
// The caller lets allocation happen on two threads while this runs.
void RenderInTwoHands(const kv::host::ProgramLayout& layout, const LineEncoder& encode,
                      const std::function<void(std::string_view)>& put,
                      std::size_t chunkLines = 512);

}  // namespace kv::kvc
