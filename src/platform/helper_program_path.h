#pragma once
// Where Tarsino's helper programs are: beside the running program when it
// runs from a build tree, else the folder they are installed in.

#include <string>
#include <string_view>

namespace platform {

std::string helperProgramPath(std::string_view name);

}  // namespace platform
