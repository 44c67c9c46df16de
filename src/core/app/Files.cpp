#include "core/app/Files.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrel {

Result<std::string> readWholeFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return Result<std::string>::error(errno == ENOENT ? StatusCode::NotFound : StatusCode::Io,
                                          path + ": " + std::strerror(errno));
    std::string data;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        data.append(buf, n);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed)
        return Result<std::string>::error(StatusCode::Io, path + ": read error");
    return data;
}

std::string folderOfFile(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

bool folderWritable(const std::string& file) {
    return ::access(folderOfFile(file).c_str(), W_OK | X_OK) == 0;
}

std::string readOnlyFolderMessage(const std::string& folder) {
    return "フォルダ " + folder + " に書き込めません。書き込みの許可を確かめて下さい。";
}

std::string writeTarget(const std::string& path) {
    std::string target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return target;
        std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<size_t>(n) >= link.size())
            return target;
        link.resize(static_cast<size_t>(n));
        target = link.front() == '/' ? link : joinPath(folderOfFile(target), link);
    }
    return target;
}

Status writeFileAtomically(const std::string& path, std::string_view bytes) {
    // A symbolic link stays a link: the file it points to is the one replaced.
    const std::string target = writeTarget(path);
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    std::string tmp = target + ".tmp" + std::to_string(::getpid());
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, existed ? 0600 : 0644);
    if (fd < 0)
        return Status::error(StatusCode::Io, path + ": " + std::strerror(errno));
    if (existed) {
        // The replacement keeps the permissions (and, where allowed, the owner) of the file it replaces.
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Only the owner's own files can be written here: the owner stays as it is.
        }
        (void)::fchmod(fd, old.st_mode & 07777);
    }
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t w = ::write(fd, p, left);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            std::string msg = path + ": " + std::strerror(errno);
            ::close(fd);
            ::unlink(tmp.c_str());
            return Status::error(StatusCode::Io, msg);
        }
        p += w;
        left -= static_cast<size_t>(w);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        std::string msg = path + ": " + std::strerror(errno);
        ::unlink(tmp.c_str());
        return Status::error(StatusCode::Io, msg);
    }
    if (std::rename(tmp.c_str(), target.c_str()) != 0) {
        std::string msg = path + ": " + std::strerror(errno);
        ::unlink(tmp.c_str());
        return Status::error(StatusCode::Io, msg);
    }
    return Status::ok();
}

void removeStaleTemporaries(const std::string& linkOrPath) {
    const std::string path = writeTarget(linkOrPath);
    auto slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    std::string prefix = (slash == std::string::npos ? path : path.substr(slash + 1)) + ".tmp";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (dirent* e = ::readdir(dir)) {
        std::string_view name(e->d_name);
        if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix)
            continue;
        std::string_view digits = name.substr(prefix.size());
        if (digits.find_first_not_of("0123456789") != std::string_view::npos || digits.size() > 9)
            continue;
        pid_t pid = static_cast<pid_t>(std::stol(std::string(digits)));
        if (pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH)
            ::unlink(joinPath(folder, name).c_str());
    }
    ::closedir(dir);
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool dirExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

Status makeDir(const std::string& path) {
    if (dirExists(path))
        return Status::ok();
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
        return Status::error(StatusCode::Io, "フォルダ " + path + " を作成できません。(" + std::strerror(errno) + ")");
    return Status::ok();
}

std::string joinPath(std::string_view folder, std::string_view name) {
    std::string out(folder);
    while (!out.empty() && out.back() == '/' && out.size() > 1)
        out.pop_back();
    while (!name.empty() && name.front() == '/')
        name.remove_prefix(1);
    if (!out.empty() && out.back() != '/')
        out += '/';
    out += name;
    return out;
}

std::optional<std::string> findFileNoCase(const std::string& folder, std::string_view name) {
    std::string exact = joinPath(folder, name);
    if (fileExists(exact))
        return exact;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return std::nullopt;
    std::optional<std::string> found;
    while (dirent* e = ::readdir(dir)) {
        std::string_view entry(e->d_name);
        if (entry.size() != name.size())
            continue;
        bool same = true;
        for (size_t i = 0; i < entry.size() && same; ++i) {
            unsigned char a = static_cast<unsigned char>(entry[i]), b = static_cast<unsigned char>(name[i]);
            if (a >= 'A' && a <= 'Z')
                a = static_cast<unsigned char>(a + 32);
            if (b >= 'A' && b <= 'Z')
                b = static_cast<unsigned char>(b + 32);
            same = a == b;
        }
        if (same && fileExists(joinPath(folder, entry))) {
            found = joinPath(folder, entry);
            break;
        }
    }
    ::closedir(dir);
    return found;
}

} // namespace kestrel
