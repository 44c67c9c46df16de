// Any bytes as an INI file: reading keys never crashes and never returns more than 1023 bytes' worth.
#include "core/settings/IniFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const char* section : {"Kestrel", "download", ""})
        for (const char* key : {"move1", "DURL", "k", ""}) {
            std::string v = kestrel::profileValueFromText(text, section, key);
            if (v.size() > 1023 * 3)
                std::abort();
        }
    return 0;
}
