#include "platform/process/helper_program.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

// The helpers' installed folder relative to the installed program (e.g.
// "../libexec/tarsino"), so that a package built for another prefix than the
// build's own (CPack installs into /usr) still finds them.
#ifndef TARSINO_HELPER_FOLDER
#error "TARSINO_HELPER_FOLDER must name the installed helpers' folder"
#endif

namespace platform::process {

namespace {

bool isExecutableFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string runningProgramFolder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || !program.is_absolute()) return {};
    return program.parent_path().string();
}

std::string helperProgramPath(std::string_view name, const std::string& programFolder,
                              const std::string& installedFolder) {
    // Without the program's own folder a relative folder would be taken from
    // the working directory, which may be anyone's.
    if (programFolder.empty()) return {};
    const std::filesystem::path folder(programFolder);
    const std::filesystem::path beside = folder / name;
    if (isExecutableFile(beside.string())) return beside.string();
    return (folder / installedFolder / name).lexically_normal().string();
}

std::string helperProgramPath(std::string_view name) {
    return helperProgramPath(name, runningProgramFolder(), TARSINO_HELPER_FOLDER);
}

}  // namespace platform::process
