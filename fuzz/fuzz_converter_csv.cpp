// Any bytes as a source's day CSV: never a crash; the daily file written, when it reads back with the
// importer's reader, holds as many records as were written, only issues of the master, and no cell the importer
// would have to read as 0.
#include "FuzzHome.h"
#include "core/converter/RecordWriter.h"
#include "core/import/DailyFile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

using fuzzing::check;

namespace {

struct Home {
    fuzzing::ScratchFolder folder{"csv"};
    kestrel::converter::IssueMaster master;
    Home() {
        master.set(1001, {true, 1, "平均株価", 1, 1});
        master.set(1301, {true, 1, "極洋", 1000, 1});
        master.set(7203, {true, 4, "ＡＢＣ自動車", 100, 10});
        master.set(9999, {true, 6, "ｹｽﾄﾚﾙ", 1, 1});
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Home home;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string csv = home.folder.file("20260105.csv");
    check(static_cast<bool>(kestrel::writeFileAtomically(csv, bytes)));
    const kestrel::Date day = *kestrel::Date::fromYmdInt(20260105);
    auto outcome =
        kestrel::converter::ConvertCsvFile(home.master, csv, home.folder.path, day, [](const std::string&) {});
    if (!outcome)
        return 0;
    const auto lines = static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
    check(outcome->converted && outcome->written + outcome->skipped <= lines);
    auto written = kestrel::readWholeFile(outcome->outputPath);
    check(static_cast<bool>(written));
    auto file = kestrel::import::parseDailyFile(*written, "Ds");
    check(static_cast<bool>(file));
    check(file->count == outcome->written && static_cast<int>(file->records.size()) == outcome->written);
    check(file->nonNumericLines.empty());
    for (const auto& r : file->records)
        check(home.master.find(r.code) != nullptr || r.code == 1002);
    return 0;
}
