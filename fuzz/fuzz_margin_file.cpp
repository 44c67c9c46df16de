// Any bytes as a margin balance file: the reader never crashes and never returns more records than
// the count, each with a code from 1 to 9999.
#include "core/import/MarginImport.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto f = kestrel::import::parseMarginFile(bytes, "Ys");
    if (!f)
        return 0;
    if (static_cast<int>(f->records.size()) > f->count)
        std::abort();
    for (const auto& r : f->records)
        if (r.code < 1 || r.code > 9999)
            std::abort();
    return 0;
}
