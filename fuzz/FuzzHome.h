#pragma once
// A scratch folder for the harnesses that go through files: in memory (/dev/shm) where there is one, so
// that the fsync of every atomic write costs nothing, and removed with its files when the run ends.
#include "core/app/Files.h"

#include <cstdlib>
#include <dirent.h>
#include <string>
#include <unistd.h>

namespace fuzzing {

struct ScratchFolder {
    std::string path;
    explicit ScratchFolder(const std::string& name) {
        const std::string base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        path = base + "/kestrel-fuzz-" + name + "-" + std::to_string(::getpid());
        if (!kestrel::makeDir(path))
            std::abort(); // no harness without its folder
    }
    ~ScratchFolder() {
        if (DIR* dir = ::opendir(path.c_str())) {
            while (dirent* e = ::readdir(dir)) {
                const std::string name = e->d_name;
                if (name != "." && name != "..")
                    ::unlink((path + "/" + name).c_str());
            }
            ::closedir(dir);
        }
        ::rmdir(path.c_str());
    }
    std::string file(const std::string& name) const { return path + "/" + name; }
};

// Fails the run when a promise of the code under test does not hold.
inline void check(bool promise) {
    if (!promise)
        std::abort();
}

} // namespace fuzzing
