#pragma once

// The process's umask, read without changing it: umask() can only be read
// by setting it, which races with other threads creating files. Header-only,
// so that the cipher library and the zip control, which link nothing of each
// other, give new files their permissions the same way.

#include <cstdio>
#include <sys/types.h>

namespace veilcraft {

[[nodiscard]] inline mode_t processUmask()
{
    mode_t mask = 022;
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, status) != nullptr) {
            unsigned value = 0;
            if (std::sscanf(line, "Umask: %o", &value) == 1) {
                mask = static_cast<mode_t>(value);
                break;
            }
        }
        std::fclose(status);
    }
    return mask;
}

}  // namespace veilcraft
