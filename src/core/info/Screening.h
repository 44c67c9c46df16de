#pragma once
// Screening of the stored stock-information lists: the kinds, the dates of a kind, the rows of one
// date or of a range of dates joined with the issue master, narrowed by a price ceiling and a volume
// floor, and rated by the move of each issue's latest stored close against its list price.
//
// A RowView describes what the rows grid shows as values, never as SQL text: the query is built from
// it with bound parameters, so no text a user types can change what the query means. A view without a
// kind (no date chosen) matches no row. A rated view keeps only rows with a positive 現比 and is
// ordered by 現比 descending; other views are ordered by date and rank.
#include "core/app/Currency.h"
#include "core/app/Date.h"
#include "core/app/Prompt.h"
#include "core/app/Status.h"
#include "core/db/Database.h"
#include "core/db/IssueMarkets.h"
#include "core/db/MarketNames.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::info {

using db::kMarketNameCount;

struct InfoKind {
    std::string code;
    std::string name;
    std::int16_t order = 0;
};

struct InfoDate {
    std::string kind;
    Date date;
    std::string comment;
};

struct InfoRow {
    std::int16_t rank = 0;
    std::int32_t code = 0;
    std::optional<std::int16_t> market; // nothing when the issue is not in Mei
    std::string name;
    std::string kind;
    Date date;
    std::int32_t price = 0;
    Currency volume;
    std::int32_t change = 0;
    std::string value;
    std::optional<std::int32_t> current; // 現株価, set by rating
    std::optional<Currency> ratio;       // 現比 in percent with one decimal, set by rating
};

struct RowView {
    std::string kind;                // empty: no date chosen, no rows
    Date last;                       // the chosen date
    std::optional<Date> first;       // set for a range view: first..last
    std::optional<double> maxPrice;  // 株価 <= maxPrice
    std::optional<double> minVolume; // 出来高 >= minVolume
    bool rated = false;              // 現株価/現比 shown, only 現比 > 0, ordered by 現比
    bool chosen() const { return !kind.empty(); }
    bool isRange() const { return first.has_value(); }
};

// 現比 of a list price and a close: (close - price) / price in percent, truncated toward zero to one
// decimal; 0 when the price is not positive. Exact (no binary fractions).
Currency ratioOf(std::int32_t price, std::int32_t close);

// Every kind in display order.
Result<std::vector<InfoKind>> loadKinds(db::Database& db);
// The dates (with their titles) of one kind, newest first.
Result<std::vector<InfoDate>> loadDates(db::Database& db, const std::string& kind);
// The rows of a view, in the view's order; none for a view without a kind.
Result<std::vector<InfoRow>> loadRows(db::Database& db, const RowView& view);

// The filtered view of the price-ceiling and volume-floor boxes applied to the current view: the
// date or range and the rating of current stay. An error "金額を入力して下さい。" when priceText is not
// a number; a volume text that is empty, not a number or not positive adds no volume condition.
Result<RowView> filterView(const RowView& current, const std::string& priceText, const std::string& volumeText);

// Rates every row of kind on the dates first..last (in one transaction): the issue's latest close in
// daydata becomes 現株価 and 現比 = ratioOf(株価, close); rows whose issue has no stored close stay as
// they are. The number of rows rated.
Result<int> rateRows(db::Database& db, const std::string& kind, Date first, Date last);
// The first date of the last n dates of kind on or before last (the oldest one when there are
// fewer); nothing when the kind has no date on or before last.
Result<std::optional<Date>> firstOfLastDates(db::Database& db, const std::string& kind, Date last, int n);
// The rated view that follows current: a price ceiling only when current had one (priceText when it
// is a number, else the ceiling current had), a volume floor when volumeText is a positive number.
RowView ratedView(const RowView& current, const std::string& kind, std::optional<Date> first, Date last,
                  const std::string& priceText, const std::string& volumeText);

// Deletes the lists of kind on date, or every list of kind (the kind itself stays).
Status deleteDate(db::Database& db, const std::string& kind, Date date);
Status deleteKind(db::Database& db, const std::string& kind);

// Pruning of old lists: daily lists ("d" kinds) before reference - days, weekly ("w" kinds) before
// reference - days * 7.
struct PruneCutoffs {
    Date daily;
    Date weekly;
};
PruneCutoffs pruneCutoffs(Date reference, int days);
// The newest list date, or today when there is none.
Result<Date> ageReference(db::Database& db);
// True when a list older than its cut-off exists.
Result<bool> hasPrunableLists(db::Database& db, const PruneCutoffs& cutoffs);
Status pruneLists(db::Database& db, const PruneCutoffs& cutoffs);
// The question asked before pruning.
std::string pruneQuestion(int days);
// When days > 0 and old lists exist, asks pruneQuestion (title "削除確認") and on Yes deletes them.
// True when lists were deleted, false when there were none to delete; Cancelled when the user answered
// No. Errors are shown through prompt and returned.
Result<bool> offerPruning(db::Database& db, Date reference, int days, Prompt& prompt);

using db::loadMarketNames;
using db::MarketNames;

// The issue-list rows of rows in order; with unique (a range view) an issue is listed once.
std::vector<std::string> issueListRows(const std::vector<InfoRow>& rows, const MarketNames& marketNames, bool unique);
// The same, each market named as markets names it (TOKYO PRO included).
std::vector<std::string> issueListRows(const std::vector<InfoRow>& rows, const db::IssueMarkets& markets, bool unique);

inline constexpr const char* kEnterAmount = "金額を入力して下さい。";
inline constexpr const char* kChooseDate = "データー日付を選択して下さい。";
inline constexpr const char* kChooseKind = "株式情報種類を選択して下さい。";
inline constexpr const char* kDeleteFinished = "削除終了しました。";
inline constexpr const char* kDeleteConfirmTitle = "削除確認";

} // namespace kestrel::info
