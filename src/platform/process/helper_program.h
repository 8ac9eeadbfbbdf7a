#pragma once
// Where Tarsino's internal helper programs are. They are built beside the
// program in a build tree and installed in Tarsino's own libexec folder, off
// everyone's PATH. Plain C++, so that any part of the program can use it.

#include <string>
#include <string_view>

namespace platform::process {

// The folder of the running program, from /proc/self/exe; empty when unknown.
std::string runningProgramFolder();

// The helper `name`: beside the program in `programFolder` when an executable
// file of that name is there, otherwise in `installedFolder`, which is
// absolute or relative to `programFolder`. Empty when `programFolder` is.
std::string helperProgramPath(std::string_view name, const std::string& programFolder,
                              const std::string& installedFolder);

// The helper `name` of the running program; empty when its folder is unknown.
std::string helperProgramPath(std::string_view name);

}  // namespace platform::process
