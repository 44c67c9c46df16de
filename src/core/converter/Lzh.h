#pragma once
// cLZH: extraction of an LZH archive into a folder with the stored paths dropped (every member lands
// directly in the folder under its last name component). Names are read as CP932. The members are
// first written into a fresh temporary folder inside the target and moved into place only when the
// whole archive was read without error, so a truncated archive leaves nothing half-written; a member
// named with an absolute path or ".." cannot escape the folder. An archive that is not a valid LZH
// archive (an error page, a truncated download) is deleted when DelFlg is set.
#include <string>
#include <vector>

namespace kestrel::converter {

class cLZH {
public:
    std::string Lzhfilename;
    std::string Outdir;
    bool DelFlg = false;

    // True when the archive was extracted.
    bool LZH();
    // Why the last LZH() returned false ("" when it succeeded).
    const std::string& lastError() const { return m_error; }
    // The names of the files the last LZH() extracted.
    const std::vector<std::string>& extracted() const { return m_extracted; }

    // A path with a comma or a blank in double quotes, as a command line would carry it.
    static std::string quotePath(const std::string& path);

private:
    std::string m_error;
    std::vector<std::string> m_extracted;
};

// Extracts archive into folder (DelFlg set); false when the archive does not exist or is not valid.
bool ExtractArchive(const std::string& archive, const std::string& folder, std::string* error = nullptr);

} // namespace kestrel::converter
