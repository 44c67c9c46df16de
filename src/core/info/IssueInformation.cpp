#include "core/info/IssueInformation.h"

#include "core/settings/Settings.h"

#include <cmath>

namespace kestrel::info {

Result<std::vector<InfoKind>> listableKinds(db::Database& db) {
    auto all = loadKinds(db);
    if (!all)
        return all.status();
    std::vector<InfoKind> kinds;
    for (InfoKind& k : *all)
        if (k.code.empty() || (k.code[0] != 'S' && k.code[0] != 's'))
            kinds.push_back(std::move(k));
    return kinds;
}

Result<std::vector<IssueInfoRow>> loadIssueInformation(db::Database& db, std::int32_t code, const std::string& kind,
                                                       InfoOrder order) {
    bool oneKind = !kind.empty() && kind != kAllKindsCode;
    std::string sql = "SELECT A.表示順, B.種類コード, A.種類名, B.日付, B.順位, B.コード, Mei.銘柄, Mei.市場コード, "
                      "B.株価, B.出来高, B.前日比, B.値 FROM informationData AS B "
                      "LEFT JOIN informationClass AS A ON A.種類コード = B.種類コード "
                      "LEFT JOIN Mei ON B.コード = Mei.コード WHERE B.コード = ?";
    if (oneKind)
        sql += " AND B.種類コード = ?";
    sql += order == InfoOrder::ByKind ? " ORDER BY A.表示順, B.日付 DESC, B.種類コード, B.順位"
                                      : " ORDER BY B.日付 DESC, A.表示順, B.種類コード, B.順位";
    auto st = db.prepare(sql);
    if (!st)
        return st.status();
    st->bind(1, code);
    if (oneKind)
        st->bind(2, kind);
    std::vector<IssueInfoRow> rows;
    if (Status read = st->forEachRow([&] {
            IssueInfoRow row;
            if (!st->isNull(0))
                row.order = static_cast<std::int16_t>(st->int64(0));
            row.kind = st->text(1);
            row.kindName = st->text(2);
            row.date = st->date(3).value_or(Date());
            row.rank = static_cast<std::int16_t>(st->int64(4));
            row.code = st->int32(5);
            row.name = st->text(6);
            if (!st->isNull(7))
                row.market = static_cast<std::int16_t>(st->int64(7));
            row.price = st->int32(8);
            row.volume = st->currency(9);
            row.change = st->int32(10);
            row.value = st->text(11);
            rows.push_back(std::move(row));
        });
        !read)
        return read;
    return rows;
}

std::optional<std::int32_t> issueCodeOf(const std::string& text) {
    auto v = textToDouble(text);
    if (!v || std::trunc(*v) != *v || *v < -2147483648.0 || *v > 2147483647.0)
        return std::nullopt;
    return static_cast<std::int32_t>(*v);
}

} // namespace kestrel::info
