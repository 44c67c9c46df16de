// kestrel-gendata: writes an issue master, daily price files and margin files for testing.
#include "DataGenerator.h"
#include "core/app/Files.h"

#include <cstdlib>
#include <iostream>
#include <string>

using namespace kestrel;

namespace {

int usage() {
    std::cerr << "usage: kestrel-gendata --out DIR --from DATE --to DATE [--issues N] [--seed S]\n"
                 "         [--margin-out DIR] [--master-out DIR] [--gap-from DATE --gap-days N]\n"
                 "         [--weekend-file DATE]... [--duplicate DATE]... [--zero-volume RATE] [--no-holidays]\n"
                 "Dates are YYYY-MM-DD or YY/MM/DD.\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    gen::GenOptions o;
    bool haveFrom = false, haveTo = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::cerr << a << " needs a value\n";
                std::exit(2);
            }
            return argv[++i];
        };
        auto date = [&]() {
            std::string v = value();
            auto d = Date::parse(v);
            if (!d) {
                std::cerr << "not a date: " << v << "\n";
                std::exit(2);
            }
            return *d;
        };
        if (a == "--out")
            o.dailyFolder = value();
        else if (a == "--margin-out")
            o.marginFolder = value();
        else if (a == "--master-out")
            o.masterFolder = value();
        else if (a == "--from")
            o.from = date(), haveFrom = true;
        else if (a == "--to")
            o.to = date(), haveTo = true;
        else if (a == "--issues")
            o.issues = std::atoi(value().c_str());
        else if (a == "--seed")
            o.seed = std::strtoull(value().c_str(), nullptr, 10);
        else if (a == "--gap-from")
            o.gapFrom = date();
        else if (a == "--gap-days")
            o.gapDays = std::atoi(value().c_str());
        else if (a == "--weekend-file")
            o.weekendFiles.push_back(date());
        else if (a == "--duplicate")
            o.duplicateDays.push_back(date());
        else if (a == "--zero-volume")
            o.zeroVolumeRate = std::atof(value().c_str());
        else if (a == "--no-holidays")
            o.holidays = false;
        else
            return usage();
    }
    if (o.dailyFolder.empty() || !haveFrom || !haveTo || o.to < o.from)
        return usage();
    for (const std::string* dir : {&o.dailyFolder, &o.marginFolder, &o.masterFolder})
        if (!dir->empty())
            if (Status st = makeDir(*dir); !st) {
                std::cerr << st.message() << "\n";
                return 1;
            }
    auto sum = gen::generateData(o);
    if (!sum) {
        std::cerr << sum.message() << "\n";
        return 1;
    }
    std::cout << sum->dailyFiles << " daily files, " << sum->records << " records (" << sum->storedRecords
              << " of stored markets), " << sum->marginFiles << " margin files\n";
    return 0;
}
