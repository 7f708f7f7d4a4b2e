// The fuzz input as a file, for readers that take a path: one file per process
// in the temporary folder, rewritten for every input and removed at exit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace fuzz {

inline const std::string& InputPath(const char* extension)
{
    static const std::string path = [extension] {
        const char* dir = std::getenv("TMPDIR");
        std::string p = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/korvel-fuzz-" +
                        std::to_string(getpid()) + extension;
        std::atexit([] { std::remove(InputPath("").c_str()); });
        return p;
    }();
    return path;
}

// Writes the input to the file; false when it could not be written.
inline bool WriteInput(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

}  // namespace fuzz
