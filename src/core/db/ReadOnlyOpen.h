#pragma once
// Opening a database where its folder cannot be written (a program folder without write permission):
// reading still works, writing is refused with a message naming the folder instead of SQLite's own.
#include "core/app/Status.h"

#include <string>

namespace kestrel::db {

// The name and the extra flags with which sqlite3_open_v2 reads path. In a folder this process cannot
// write, a file with no pending write-ahead log is read as immutable: its side files could not be made
// there, and no writer can be at work in such a folder.
struct ReadOnlyName {
    std::string name;
    int extraFlags = 0;
};
ReadOnlyName readOnlyOpenName(const std::string& path);

// Ok when the database at path can be changed: its folder and the file itself are writable; otherwise
// an I/O error saying which folder or file cannot be written.
Status checkWritable(const std::string& path);

} // namespace kestrel::db
