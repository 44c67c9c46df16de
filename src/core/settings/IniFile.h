#pragma once
// Profile-string access to INI files, with the semantics programs of this kind have always had:
// section and key names match without regard to ASCII case, the first matching key wins, blanks
// around names and values are ignored, a value in matching quotes loses them, a missing file,
// section or key reads as "", and a value comes back cut to 1023 bytes. The file is CP932 with
// CR LF; names and values cross this API as UTF-8. Lines we do not touch are kept byte for byte,
// and every write replaces the file atomically (temporary file, then rename).
#include "core/app/Files.h"
#include "core/app/Status.h"

#include <string>
#include <string_view>

namespace kestrel {

// The value of key in section of the file at path, or "" when any of them is missing.
std::string readProfileString(const std::string& path, std::string_view section, std::string_view key);
// Writes value as key in section: replaces the first matching key in place, appends the key at the end
// of the section, or appends the section at the end of the file; creates the file when missing. A key
// that already holds the value leaves the file untouched (not even rewritten). The write keeps the
// file's permissions and writes through a symbolic link (see writeFileAtomically). A value with blanks
// at either end or in matching quotes is written inside double quotes, so it reads back exactly.
// Fails (file untouched, the message naming file, section and key) when the text has no CP932 form,
// the value holds a line break, or the file cannot be written.
Status writeProfileString(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view value);
// Parses one INI text (raw CP932 bytes) and returns the value, for fuzzing and tests.
std::string profileValueFromText(std::string_view fileBytes, std::string_view section, std::string_view key);

// cINI: one instance per block of accesses; the properties are set, then GetLineINI/WriteIni called.
class cINI {
public:
    void cstrSection(std::string s) { m_section = std::move(s); }
    void cstrkey(std::string s) { m_key = std::move(s); }
    void cstrData(std::string s) { m_data = std::move(s); }
    void cstrPath(std::string s) { m_path = std::move(s); }

    std::string GetLineINI() const { return readProfileString(m_path, m_section, m_key); }
    Status WriteIni() const { return writeProfileString(m_path, m_section, m_key, m_data); }

private:
    std::string m_section, m_key, m_data, m_path;
};

} // namespace kestrel
