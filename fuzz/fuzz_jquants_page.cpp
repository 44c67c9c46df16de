// Any bytes as a J-Quants page of daily bars, issue master, TOPIX and margin rows: the readers never
// crash, every row they keep has a code from 1 to 9999, and a page that reads also writes a daily file
// whose count line matches its records; an adjustment factor gives positive share counts or nothing.
#include "core/converter/JQuantsAdjust.h"
#include "core/converter/JQuantsData.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace kestrel::converter::jquants;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> pages{std::string(reinterpret_cast<const char*>(data), size)};
    (void)paginationKey(pages[0], "f");
    (void)parseTopix(pages, "f");
    if (auto master = parseMaster(pages, "f")) {
        for (const MasterRow& r : master->rows)
            if (r.code < 1 || r.code > 9999)
                std::abort();
        (void)masterFileBytes(kestrel::Date::fromSerial(45000), master->rows);
    }
    if (auto margin = parseMargin(pages, "f"))
        (void)marginFileBytes(kestrel::Date::fromSerial(45000), margin->rows);
    auto bars = parseBars(pages, "f");
    if (!bars)
        return 0;
    for (const BarRow& r : bars->rows) {
        if (r.code < 1 || r.code > 9999)
            std::abort();
        if (auto a = classifyAdjustment(r.adjFactor, r.exRt))
            if (a->before < 1 || a->after < 1)
                std::abort();
    }
    return 0;
}
