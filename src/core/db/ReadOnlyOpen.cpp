#include "core/db/ReadOnlyOpen.h"

#include "core/app/Files.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrel::db {

ReadOnlyName readOnlyOpenName(const std::string& path) {
    if (folderWritable(path))
        return {path, 0};
    struct stat wal {};
    if (::stat((path + "-wal").c_str(), &wal) == 0 && wal.st_size > 0)
        return {path, 0}; // the log holds rows: it is read through the existing side files
    std::string uri = "file:";
    for (char c : path) {
        if (c == '%' || c == '?' || c == '#') {
            static const char* kHex = "0123456789ABCDEF";
            uri += '%';
            uri += kHex[(static_cast<unsigned char>(c) >> 4) & 0xF];
            uri += kHex[static_cast<unsigned char>(c) & 0xF];
        } else {
            uri += c;
        }
    }
    return {uri + "?immutable=1", SQLITE_OPEN_URI};
}

Status checkWritable(const std::string& path) {
    if (!folderWritable(path))
        return Status::error(StatusCode::Io, readOnlyFolderMessage(folderOfFile(path)));
    if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0)
        return Status::error(StatusCode::Io, "データベース " + path + " は読み取り専用のため、変更できません。");
    return Status::ok();
}

} // namespace kestrel::db
