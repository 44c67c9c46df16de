// Any bytes as an INI file: reading keys never crashes and never returns more than 1023 bytes' worth.
// The same bytes as a value: written and read back it is the same text (blanks and quotes included),
// or the write is refused and the file left as it was.
#include "FuzzHome.h"
#include "core/app/Encoding.h"
#include "core/settings/IniFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using fuzzing::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzing::ScratchFolder folder{"ini"};
    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const char* section : {"Kestrel", "download", ""})
        for (const char* key : {"move1", "DURL", "k", ""}) {
            std::string v = kestrel::profileValueFromText(text, section, key);
            if (v.size() > 1023 * 3)
                std::abort();
        }

    const std::string ini = folder.file("Kestrel.ini");
    const std::string before = "[Kestrel]\r\nmove1=5\r\nDURL=\"x\"\r\n";
    auto bytes = kestrel::utf8ToCp932(text);
    const bool refused = !bytes || text.find_first_of("\r\n") != std::string_view::npos;
    for (const char* key : {"move1", "DURL", "k"}) {
        check(static_cast<bool>(kestrel::writeFileAtomically(ini, before)));
        check(static_cast<bool>(kestrel::writeProfileString(ini, "Kestrel", key, text)) == !refused);
        if (refused) {
            check(*kestrel::readWholeFile(ini) == before);
        } else if (bytes->size() <= 1023) {
            check(kestrel::readProfileString(ini, "Kestrel", key) == kestrel::cp932ToUtf8Lossy(*bytes));
        }
    }
    return 0;
}
