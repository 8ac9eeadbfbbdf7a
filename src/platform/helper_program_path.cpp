#include "platform/helper_program_path.h"

#include <unistd.h>

#include <climits>

namespace platform {

std::string helperProgramPath(std::string_view name) {
    char self[PATH_MAX];
    const ssize_t size = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (size > 0) {
        std::string path(self, static_cast<std::size_t>(size));
        path.resize(path.rfind('/') + 1);
        path += name;
        if (::access(path.c_str(), X_OK) == 0) return path;
    }
    return std::string(TARSINO_LIBEXEC_DIR "/").append(name);
}

}  // namespace platform
