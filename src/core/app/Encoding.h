#pragma once
// Text encodings at the edges of the program: files on disk are CP932 (Shift_JIS as Windows writes
// it), web pages arrive as EUC-JP, and everything inside the program is UTF-8.
#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

// CP932 bytes to UTF-8; nothing when the bytes are not valid CP932.
std::optional<std::string> cp932ToUtf8(std::string_view bytes);
// The same, appended to out; false (out then holds part of them) when the bytes are not valid CP932.
bool appendCp932AsUtf8(std::string_view bytes, std::string& out);
// UTF-8 text to CP932; nothing when a character has no CP932 form or the text is not UTF-8.
std::optional<std::string> utf8ToCp932(std::string_view text);
// CP932 to UTF-8 for display: invalid bytes become U+FFFD instead of failing.
std::string cp932ToUtf8Lossy(std::string_view bytes);
// EUC-JP (the Microsoft variant) to UTF-8; nothing when the bytes are not valid.
std::optional<std::string> eucJpToUtf8(std::string_view bytes);
// Number of characters (code points) of a UTF-8 text; the length a Text(n) field counts.
size_t utf8Length(std::string_view text);
// The first n characters of a UTF-8 text.
std::string utf8Left(std::string_view text, size_t n);

} // namespace kestrel
