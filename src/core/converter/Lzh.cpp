#include "core/converter/Lzh.h"

#include "core/app/Encoding.h"
#include "core/app/Files.h"

#include <algorithm>
#include <archive.h>
#include <archive_entry.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrel::converter {

namespace {

struct ArchiveCloser {
    void operator()(archive* a) const { archive_read_free(a); }
};

// The member's last name component, made safe as a plain file name; "" when nothing usable is left.
std::string memberName(archive_entry* entry) {
    std::string name;
    const char* raw = archive_entry_pathname(entry);
    if (const char* utf8 = archive_entry_pathname_utf8(entry))
        name = utf8;
    else if (raw)
        name = cp932ToUtf8(raw).value_or(raw);
    size_t cut = name.find_last_of("/\\");
    if (cut != std::string::npos)
        name = name.substr(cut + 1);
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '_';
    if (name == "." || name == "..")
        return {};
    return name;
}

void removeTree(const std::string& dir) {
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..")
                ::unlink(joinPath(dir, n).c_str());
        }
        ::closedir(d);
    }
    ::rmdir(dir.c_str());
}

bool writeMember(archive* a, const std::string& path, std::string& error) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    char buf[65536];
    for (;;) {
        la_ssize_t n = archive_read_data(a, buf, sizeof buf);
        if (n == 0)
            break;
        if (n < 0) {
            error = archive_error_string(a) ? archive_error_string(a) : "書庫が壊れています";
            ::close(fd);
            return false;
        }
        if (::write(fd, buf, static_cast<size_t>(n)) != n) {
            error = path + ": " + std::strerror(errno);
            ::close(fd);
            return false;
        }
    }
    return ::close(fd) == 0;
}

} // namespace

std::string cLZH::quotePath(const std::string& path) {
    return path.find_first_of(", ") != std::string::npos ? "\"" + path + "\"" : path;
}

// Names are converted from CP932 into the thread's locale; extraction runs in a UTF-8 locale whatever
// the process's own, so a Japanese member name never depends on how the program was started.
class Utf8Locale {
public:
    Utf8Locale() : m_locale(::newlocale(LC_ALL_MASK, "C.UTF-8", static_cast<locale_t>(0))) {
        if (m_locale)
            m_old = ::uselocale(m_locale);
    }
    ~Utf8Locale() {
        if (m_locale) {
            ::uselocale(m_old);
            ::freelocale(m_locale);
        }
    }
    Utf8Locale(const Utf8Locale&) = delete;
    Utf8Locale& operator=(const Utf8Locale&) = delete;

private:
    locale_t m_locale;
    locale_t m_old = static_cast<locale_t>(0);
};

bool cLZH::LZH() {
    Utf8Locale utf8;
    m_error.clear();
    m_extracted.clear();
    std::unique_ptr<archive, ArchiveCloser> a(archive_read_new());
    archive_read_support_format_lha(a.get());
    archive_read_support_filter_none(a.get());
    archive_read_set_options(a.get(), "hdrcharset=CP932");
    bool valid = archive_read_open_filename(a.get(), Lzhfilename.c_str(), 65536) == ARCHIVE_OK;

    std::string temp;
    if (valid) {
        std::string pattern = joinPath(Outdir, ".lzh-XXXXXX");
        if (!::mkdtemp(pattern.data())) {
            m_error = Outdir + ": " + std::strerror(errno);
            return false;
        }
        temp = pattern;
    } else {
        m_error = archive_error_string(a.get()) ? archive_error_string(a.get()) : "LZH書庫ではありません";
    }
    std::vector<std::string> names;
    bool any = false;
    while (valid) {
        archive_entry* entry = nullptr;
        int r = archive_read_next_header(a.get(), &entry);
        if (r == ARCHIVE_EOF)
            break;
        // A name the library could not convert still gives the entry with its raw CP932 bytes.
        const char* why = archive_error_string(a.get());
        bool nameOnly = r == ARCHIVE_FAILED && entry && archive_entry_pathname(entry) && why &&
                        std::strstr(why, "cannot be converted");
        if (r < ARCHIVE_WARN && !nameOnly) {
            m_error = archive_error_string(a.get()) ? archive_error_string(a.get()) : "LZH書庫が壊れています";
            valid = false;
            break;
        }
        any = true;
        std::string name = memberName(entry);
        if (archive_entry_filetype(entry) != AE_IFREG || name.empty() || name.rfind(".lzh-", 0) == 0) {
            archive_read_data_skip(a.get());
            continue;
        }
        if (!writeMember(a.get(), joinPath(temp, name), m_error)) {
            valid = false;
            break;
        }
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    }
    if (valid && !any) {
        m_error = "LZH書庫ではありません";
        valid = false;
    }
    if (valid) {
        for (const std::string& name : names) {
            if (std::rename(joinPath(temp, name).c_str(), joinPath(Outdir, name).c_str()) != 0) {
                m_error = joinPath(Outdir, name) + ": " + std::strerror(errno);
                removeTree(temp);
                return false;
            }
            m_extracted.push_back(name);
        }
        removeTree(temp);
        return true;
    }
    if (!temp.empty())
        removeTree(temp);
    if (!Lzhfilename.empty() && DelFlg)
        std::remove(Lzhfilename.c_str());
    return false;
}

bool ExtractArchive(const std::string& archivePath, const std::string& folder, std::string* error) {
    if (!fileExists(archivePath)) {
        if (error)
            *error = archivePath + " が存在しません";
        return false;
    }
    cLZH lzh;
    lzh.Lzhfilename = archivePath;
    lzh.Outdir = folder;
    lzh.DelFlg = true;
    bool ok = lzh.LZH();
    if (error)
        *error = lzh.lastError();
    return ok;
}

} // namespace kestrel::converter
