// PlatformFiles: the file and process operations the standard library lacks, in one place.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace kv::host {

// Swaps two existing directories in one step, so that a reader sees either the one or the
// other at each path, never neither. Returns std::errc::operation_not_supported where the
// system or the filesystem cannot; the caller then falls back to two renames.
std::error_code ExchangeDirectories(const std::filesystem::path& a, const std::filesystem::path& b);

// The id of this process, as written into the names of its temporaries.
unsigned long CurrentProcessId();

// True when no process with this id is running any more, so that what it left can go.
bool ProcessHasEnded(unsigned long id);

// Makes a named pipe at path; fails where the system has none.
std::error_code MakeFifo(const std::filesystem::path& path);

// 1 when standard output already writes to the file at path, 2 for standard error, else 0.
// Writing such a path by name would overwrite what the stream wrote before.
int StandardStreamWritingTo(const std::filesystem::path& path);

// Turns write failures into errors instead of signals that end the process: a pipe without
// a reader and the file size limit. A closed standard stream is reopened read-only, so that
// writing to it fails and no file opened later takes its number. On Windows, standard output
// and error are put in binary mode so that line ends stay as written.
void PrepareProcessForWrites();

// The command's arguments in UTF-8, the program's name first: on Windows from the wide
// command line, elsewhere argv as it is.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace kv::host
