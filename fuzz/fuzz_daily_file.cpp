// Any bytes as a daily price file: the reader never crashes, and what it accepts keeps its promises
// (codes 1 to 9999, no more records than the count, records in line order).
#include "core/import/DailyFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto f = kestrel::import::parseDailyFile(bytes, "Ds");
    if (!f)
        return 0;
    if (static_cast<int>(f->records.size()) != f->count)
        std::abort();
    int line = 2;
    for (const auto& r : f->records) {
        if (r.code < 1 || r.code > 9999 || r.line <= line)
            std::abort();
        line = r.line;
    }
    return 0;
}
