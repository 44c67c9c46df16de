#pragma once
// Test and demo data: an issue master (Regist.Mei), daily price files (Ds...) and weekly margin files
// (Ys...) in CP932 with CR LF, for a number of issues over a date range. Prices follow a random walk,
// some issues quote fractions (halves included, to exercise rounding), every file market code 0 to 5
// occurs, the indices 1001 and 1002 have fractional volumes, some days have no volume, some issues
// list or delist inside the range, holidays have no file, and a gap without files can be asked for.
// The same options and seed always give the same bytes.
#include "core/app/Date.h"
#include "core/app/Status.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel::gen {

struct GenOptions {
    std::uint64_t seed = 1;
    int issues = 50; // issues besides the two indices
    Date from, to;   // daily files for the weekdays of this range
    std::string dailyFolder;
    std::string marginFolder; // empty: no margin files
    std::string masterFolder; // empty: no Regist.Mei (it lists the issues listed on `from`)
    bool holidays = true;     // the usual market holidays have no file
    Date gapFrom;             // with gapDays > 0, no files from gapFrom for gapDays days
    int gapDays = 0;
    std::vector<Date> weekendFiles;  // files written on these weekend days as on a trading day
    std::vector<Date> duplicateDays; // the file of each day repeats one record
    double zeroVolumeRate = 0.01;    // share of issue-days without trading
    double listingRate = 0.05;       // share of issues that list after `from`
    double delistingRate = 0.03;     // share of issues that delist before `to`
};

struct GenSummary {
    int dailyFiles = 0;
    int marginFiles = 0;
    long long records = 0;       // record lines written into daily files
    long long storedRecords = 0; // of those, records of the stored markets (file codes 0, 1, 5)
};

// Writes the files into the folders of the options (which must exist).
Result<GenSummary> generateData(const GenOptions& options);

// True when the generator treats d as a market holiday (New Year, a few fixed national holidays).
bool isGeneratedHoliday(Date d);

} // namespace kestrel::gen
