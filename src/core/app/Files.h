#pragma once
// File helpers shared by every subsystem: whole-file reads, atomic writes, folder creation, and name
// look-ups without regard to case (files named on Windows arrive as "Regist.Mei" or "REGIST.MEI").
#include "core/app/Status.h"

#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

// The whole file, or an error naming it.
Result<std::string> readWholeFile(const std::string& path);
// Writes bytes to path atomically: a temporary file beside it, flushed, then renamed over it. A file
// that existed keeps its permissions; a symbolic link is kept and the file it points to is replaced
// (the temporary file lies beside that file). On failure the old file (if any) is unchanged.
Status writeFileAtomically(const std::string& path, std::string_view bytes);
// The file a write to path replaces: path itself, or the end of its chain of symbolic links.
std::string writeTarget(const std::string& path);
// Removes the temporary files of writeFileAtomically (the target's name + ".tmp" + process id) left by
// processes that are no longer running.
void removeStaleTemporaries(const std::string& path);
bool fileExists(const std::string& path);
bool dirExists(const std::string& path);
// Creates one folder; ok when it already exists.
Status makeDir(const std::string& path);
// folder + "/" + name, where the name is matched without regard to ASCII case; an exact match wins.
// Nothing when no such file exists.
std::optional<std::string> findFileNoCase(const std::string& folder, std::string_view name);
// The folder of a file path ("." for a bare name).
std::string folderOfFile(const std::string& path);
// True when this process may make and remove files in the folder of file (for example its temporary
// and side files).
bool folderWritable(const std::string& file);
// The message for a folder that cannot be written when something has to be written into it.
std::string readOnlyFolderMessage(const std::string& folder);
// Joins a folder and a name with exactly one "/".
std::string joinPath(std::string_view folder, std::string_view name);

} // namespace kestrel
