#include "core/app/Encoding.h"

#include <cerrno>
#include <iconv.h>

namespace kestrel {
namespace {

// One cached conversion descriptor per direction and thread; iconv_open is costly next to a line.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts all of in, appending to out; on an invalid or incomplete sequence returns false (or,
    // when lossy, writes the replacement and skips one byte).
    bool convert(std::string_view in, std::string& out, const char* replacement) {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            return false;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        out.reserve(out.size() + in.size() * 3 / 2 + 8);
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        char buf[4096];
        while (srcLeft > 0) {
            char* dst = buf;
            size_t dstLeft = sizeof buf;
            size_t r = iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            out.append(buf, static_cast<size_t>(dst - buf));
            if (r == static_cast<size_t>(-1)) {
                if (errno == E2BIG)
                    continue;
                if (!replacement)
                    return false;
                out += replacement;
                ++src;
                --srcLeft;
                iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
            }
        }
        char* dst = buf;
        size_t dstLeft = sizeof buf;
        iconv(m_cd, nullptr, nullptr, &dst, &dstLeft);
        out.append(buf, static_cast<size_t>(dst - buf));
        return true;
    }

private:
    iconv_t m_cd;
};

bool isAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}

} // namespace

std::optional<std::string> cp932ToUtf8(std::string_view bytes) {
    if (isAscii(bytes))
        return std::string(bytes);
    thread_local Converter conv("UTF-8", "CP932");
    std::string out;
    if (!conv.convert(bytes, out, nullptr))
        return std::nullopt;
    return out;
}

bool appendCp932AsUtf8(std::string_view bytes, std::string& out) {
    if (isAscii(bytes)) {
        out += bytes;
        return true;
    }
    thread_local Converter conv("UTF-8", "CP932");
    return conv.convert(bytes, out, nullptr);
}

std::optional<std::string> utf8ToCp932(std::string_view text) {
    if (isAscii(text))
        return std::string(text);
    thread_local Converter conv("CP932", "UTF-8");
    std::string out;
    if (!conv.convert(text, out, nullptr))
        return std::nullopt;
    return out;
}

std::string cp932ToUtf8Lossy(std::string_view bytes) {
    if (isAscii(bytes))
        return std::string(bytes);
    thread_local Converter conv("UTF-8", "CP932");
    std::string out;
    conv.convert(bytes, out, "\xEF\xBF\xBD");
    return out;
}

std::optional<std::string> eucJpToUtf8(std::string_view bytes) {
    if (isAscii(bytes))
        return std::string(bytes);
    thread_local Converter conv("UTF-8", "EUC-JP-MS");
    std::string out;
    if (!conv.convert(bytes, out, nullptr))
        return std::nullopt;
    return out;
}

size_t utf8Length(std::string_view text) {
    size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}

std::string utf8Left(std::string_view text, size_t n) {
    size_t count = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (count == n)
                return std::string(text.substr(0, i));
            ++count;
        }
    }
    return std::string(text);
}

} // namespace kestrel
