#include "core/converter/DatabaseConversion.h"

#include "core/app/Files.h"
#include "core/converter/TableSource.h"
#include "core/db/Database.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace kestrel::converter {

namespace {

std::optional<double> cellNumber(const Cell& cell) {
    if (cell.null || cell.text.empty())
        return 0.0;
    char* end = nullptr;
    double v = std::strtod(cell.text.c_str(), &end);
    if (end != cell.text.c_str() + cell.text.size())
        return std::nullopt;
    return v;
}

// Cells 2..6 of a row as open, high, low, close, volume; false when one is not a number.
bool fillPrices(const std::vector<Cell>& row, size_t first, WorkingRecord& r) {
    double* targets[5] = {&r.open, &r.high, &r.low, &r.close, &r.volume};
    for (size_t i = 0; i < 5; ++i) {
        auto v = cellNumber(row[first + i]);
        if (!v)
            return false;
        *targets[i] = *v;
    }
    return true;
}

std::string failure(const std::string& description) {
    return description + " ファイル変換に失敗しました。";
}

// A whole-number code text ("1301", "1301.0" as a Jet double prints) without the fraction.
std::string codeText(const Cell& cell) {
    std::string t = StripQuotes(cell.text);
    if (size_t dot = t.find('.'); dot != std::string::npos && t.find_first_not_of('0', dot + 1) == std::string::npos)
        t.erase(dot);
    return t;
}

} // namespace

std::string collectorFolder(const std::string& commandLine) {
    size_t cut = commandLine.find_last_of("/\\");
    return cut == std::string::npos ? std::string() : commandLine.substr(0, cut + 1);
}

Status ConvertMonthlyDatabase(const IssueMaster& master, const std::string& path, const std::string& outFolder,
                              const LogFn& log, int timeLimitMs) {
    if (!fileExists(path)) {
        log(path + "が存在しません　変換失敗");
        return Status::ok();
    }
    auto source = openTableSource(path, timeLimitMs);
    if (!source)
        return Status::error(failure(source.message()));
    auto rows = (*source)->readTable("株価", {"年月日", "銘柄コード", "始値", "高値", "安値", "終値", "出来高"});
    if (!rows)
        return Status::error(failure(rows.message()));
    // 年月日 in order, each day's rows in 銘柄コード order.
    std::map<Date, std::vector<const std::vector<Cell>*>> days;
    for (const auto& row : *rows)
        if (auto d = cellDate(row[0]))
            days[*d].push_back(&row);
    for (auto& [day, list] : days) {
        std::stable_sort(list.begin(), list.end(), [](const auto* a, const auto* b) {
            return std::atof(codeText((*a)[1]).c_str()) < std::atof(codeText((*b)[1]).c_str());
        });
        DailyFileBuilder builder(master, outFolder);
        if (Status st = builder.begin(); !st)
            return Status::error(failure(st.message()));
        for (const auto* row : list) {
            WorkingRecord r;
            r.date = day;
            r.code = codeText((*row)[1]);
            if (fillPrices(*row, 2, r))
                builder.write(r);
        }
        auto written = builder.finish(day, day, outFolder);
        if (!written) {
            builder.discard();
            return Status::error(failure(written.message()));
        }
        log(day.toYYMMDD() + "変換済");
    }
    return Status::ok();
}

Status ConvertSpgDatabase(const IssueMaster& master, const std::string& spgPath, const std::string& outFolder,
                          const LogFn& log, int timeLimitMs) {
    auto source = openTableSource(spgPath, timeLimitMs);
    if (!source)
        return Status::error(failure(source.message()));
    auto rows =
        (*source)->readTable("Quote", {"DataDate", "Code", "pOpen", "pHigh", "pLow", "pClose", "Volume", "Flags"});
    if (!rows)
        return Status::error(failure(rows.message()));
    DailyFileBuilder builder(master, outFolder);
    if (Status st = builder.begin(); !st)
        return Status::error(failure(st.message()));
    for (const auto& row : *rows) {
        if (row[7].null || std::atoll(row[7].text.c_str()) != kSpgValidFlags)
            continue;
        WorkingRecord r;
        r.date = cellDate(row[0]);
        r.code = codeText(row[1]);
        if (r.code == "998407")
            r.code = "1001";
        else if (r.code == "998405")
            r.code = "1002";
        if (r.date && fillPrices(row, 2, r))
            builder.write(r);
    }
    if (builder.count() == 0 || !builder.lastDate()) {
        builder.discard();
        return Status::ok();
    }
    Date day = *builder.lastDate();
    auto written = builder.finish(day, day, outFolder);
    if (!written) {
        builder.discard();
        return Status::error(failure(written.message()));
    }
    log(day.toYYMMDD() + "変換済");
    if (!(*source)->writable()) {
        log("spg.mdb はJet形式のファイルのため読込み専用です　最適化は行いません");
        return Status::ok();
    }
    source->reset();
    log(kSpgCompactStart);
    std::string oldPath = spgPath.size() >= 3 ? spgPath.substr(0, spgPath.size() - 3) + "old" : spgPath + ".old";
    std::remove(oldPath.c_str());
    if (std::rename(spgPath.c_str(), oldPath.c_str()) != 0)
        return Status::error(failure(spgPath + " の名前を変更できません"));
    {
        auto db = db::Database::open(oldPath, db::OpenMode::ReadOnly);
        Status st = db ? (*db)->run("VACUUM INTO ?", spgPath) : db.status();
        if (!st) {
            std::remove(spgPath.c_str());
            std::rename(oldPath.c_str(), spgPath.c_str());
            return Status::error(failure(st.message()));
        }
    }
    log(kSpgCompactEnd);
    return Status::ok();
}

Status PrepareSpg(const std::string& kestrelMdbPath, const std::string& spgPath, const LogFn& log) {
    switch (tableFileKind(spgPath)) {
    case TableFileKind::Jet:
        return Status::error(spgPath +
                             " はJet形式のファイルです。このプログラムはJet形式のファイルを読込み専用で扱うため、"
                             "銘柄データーを設定できません。");
    case TableFileKind::Unknown:
        return Status::error(spgPath + (fileExists(spgPath) ? " はデーターベースではありません" : " が存在しません"));
    case TableFileKind::OwnEngine:
        break;
    }
    auto kestrel = db::Database::open(kestrelMdbPath, db::OpenMode::ReadOnly);
    if (!kestrel)
        return kestrel.status();
    auto spg = db::Database::open(spgPath);
    if (!spg)
        return spg.status();
    db::Transaction tx(**spg);
    if (!tx.began())
        return tx.began();
    log("データー初期化中...");
    if (Status st = (*spg)->exec("DELETE FROM Quote"); !st)
        return st;
    if (Status st = (*spg)->exec("DELETE FROM Codes"); !st)
        return st;
    log("銘柄データー設定中...");
    auto mei = (*kestrel)->prepare("SELECT コード, 市場コード, 銘柄 FROM Mei ORDER BY コード");
    if (!mei)
        return mei.status();
    auto add =
        (*spg)->prepare("INSERT INTO Codes (Code, Name, Market, OnList, Flags, tModify) VALUES (?, ?, ?, ?, 1, ?)");
    if (!add)
        return add.status();
    long long today = Date::today().ymd();
    for (;;) {
        auto more = mei->step();
        if (!more)
            return more.status();
        if (!*more)
            break;
        long long code = mei->int64(0);
        std::string letter = mei->int64(1) == 3 ? "Q" : "T";
        if (code == 1001) {
            code = 998407;
            letter = "O";
        } else if (code == 1002) {
            code = 998405;
            letter = "T";
        }
        add->reset();
        add->bindAll(code, mei->text(2), letter, letter, today);
        if (Status st = add->run(); !st)
            return st;
    }
    return tx.commit();
}

} // namespace kestrel::converter
