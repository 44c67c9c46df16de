// Any text as a stock-information kinds file or list file: parsing never crashes, and what it accepts
// holds no more rows than the text has lines, volumes in whole thousands of the file's figure.
#include "core/info/InformationFiles.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    if (auto kinds = kestrel::info::parseKindsFile(text)) {
        if (kinds->kinds.size() > lines)
            std::abort();
    }
    if (auto list = kestrel::info::parseListFile(text)) {
        if (list->rows.size() > lines)
            std::abort();
        for (const auto& row : list->rows)
            if (row.volume.raw() % 1000 != 0)
                std::abort();
    }
    return 0;
}
