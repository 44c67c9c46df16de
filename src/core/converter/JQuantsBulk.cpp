#include "core/converter/JQuantsBulk.h"

#include "core/app/DateText.h"

#include <archive.h>
#include <archive_entry.h>
#include <memory>
#include <nlohmann/json.hpp>

namespace kestrel::converter::jquants {

Result<std::vector<BulkFile>> parseBulkList(const std::vector<std::string>& pages, const std::string& context) {
    using R = Result<std::vector<BulkFile>>;
    std::vector<BulkFile> out;
    for (const std::string& page : pages) {
        auto doc = nlohmann::json::parse(page, nullptr, false);
        if (doc.is_discarded() || !doc.is_object() || !doc.contains("data") || !doc["data"].is_array())
            return R::error(context + ": J-Quants の一括ファイル一覧が読めません");
        for (const auto& row : doc["data"]) {
            if (!row.is_object() || !row.contains("Key") || !row["Key"].is_string())
                return R::error(context + ": J-Quants の一括ファイル一覧に Key のない行があります");
            BulkFile f;
            f.key = row["Key"].get<std::string>();
            if (auto it = row.find("LastModified"); it != row.end() && it->is_string())
                f.lastModified = it->get<std::string>();
            if (auto it = row.find("Size"); it != row.end() && it->is_number())
                f.size = it->get<long long>();
            f.month = bulkKeyMonth(f.key);
            out.push_back(std::move(f));
        }
    }
    return out;
}

Result<std::string> parseBulkAddress(std::string_view body, const std::string& context) {
    auto doc = nlohmann::json::parse(body, nullptr, false);
    if (doc.is_discarded() || !doc.is_object() || !doc.contains("url") || !doc["url"].is_string())
        return Result<std::string>::error(context + ": J-Quants の応答にダウンロード先がありません");
    std::string url = doc["url"].get<std::string>();
    if (!url.starts_with("https://") && !url.starts_with("http://"))
        return Result<std::string>::error(context + ": J-Quants のダウンロード先が使えません");
    return url;
}

std::optional<int> bulkKeyMonth(std::string_view key) {
    // The file's own name only: a folder such as "2024/" is not a month.
    if (auto slash = key.rfind('/'); slash != std::string_view::npos)
        key.remove_prefix(slash + 1);
    std::optional<int> found;
    auto digit = [&](size_t i) { return i < key.size() && key[i] >= '0' && key[i] <= '9'; };
    for (size_t i = 0; i + 5 < key.size() + 1; ++i) {
        if (i > 0 && digit(i - 1))
            continue;
        if (!(digit(i) && digit(i + 1) && digit(i + 2) && digit(i + 3)))
            continue;
        size_t m = i + 4;
        if (m < key.size() && (key[m] == '-' || key[m] == '_'))
            ++m;
        if (!(digit(m) && digit(m + 1)) || digit(m + 2))
            continue;
        const int year = std::stoi(std::string(key.substr(i, 4)));
        const int month = std::stoi(std::string(key.substr(m, 2)));
        if (year >= 1990 && year <= 2100 && month >= 1 && month <= 12)
            found = year * 100 + month;
    }
    return found;
}

Result<std::string> gunzip(std::string_view bytes, const std::string& context) {
    using R = Result<std::string>;
    if (bytes.size() < 2 || static_cast<unsigned char>(bytes[0]) != 0x1f ||
        static_cast<unsigned char>(bytes[1]) != 0x8b)
        return R::error(context + ": gzip で圧縮されたファイルではありません");
    std::unique_ptr<archive, decltype(&archive_read_free)> a(archive_read_new(), archive_read_free);
    archive_read_support_filter_gzip(a.get());
    archive_read_support_format_raw(a.get());
    auto damaged = [&] {
        const char* why = archive_error_string(a.get());
        return R::error(context + ": 壊れているか途中で切れています（" + (why ? why : "gzip") + "）");
    };
    if (archive_read_open_memory(a.get(), bytes.data(), bytes.size()) != ARCHIVE_OK)
        return damaged();
    archive_entry* entry = nullptr;
    if (archive_read_next_header(a.get(), &entry) != ARCHIVE_OK)
        return damaged();
    std::string out;
    char buf[1 << 16];
    for (;;) {
        la_ssize_t n = archive_read_data(a.get(), buf, sizeof buf);
        if (n < 0)
            return damaged();
        if (n == 0)
            break;
        out.append(buf, static_cast<size_t>(n));
    }
    return out;
}

Result<std::string> gzip(std::string_view bytes) {
    using R = Result<std::string>;
    std::unique_ptr<archive, decltype(&archive_write_free)> a(archive_write_new(), archive_write_free);
    archive_write_add_filter_gzip(a.get());
    archive_write_set_format_raw(a.get());
    std::string out(bytes.size() + 4096, '\0');
    size_t used = 0;
    if (archive_write_open_memory(a.get(), out.data(), out.size(), &used) != ARCHIVE_OK)
        return R::error(std::string("gzip: ") + archive_error_string(a.get()));
    std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(), archive_entry_free);
    archive_entry_set_filetype(entry.get(), AE_IFREG);
    archive_entry_set_pathname(entry.get(), "data.csv");
    if (archive_write_header(a.get(), entry.get()) != ARCHIVE_OK ||
        archive_write_data(a.get(), bytes.data(), bytes.size()) < 0 || archive_write_close(a.get()) != ARCHIVE_OK)
        return R::error(std::string("gzip: ") + archive_error_string(a.get()));
    out.resize(used);
    return out;
}

Result<BulkMonth> readBulkFile(std::string_view gzipBytes, const std::string& context) {
    using R = Result<BulkMonth>;
    auto text = gunzip(gzipBytes, context);
    if (!text)
        return text.status();
    auto rows = parseBarsCsv(*text, context);
    if (!rows)
        return rows.status();
    BulkMonth out;
    out.skippedCodes = static_cast<int>(rows->skippedCodes.size());
    for (BarRow& bar : rows->rows)
        out.days[bar.date].push_back(std::move(bar));
    if (out.days.empty())
        return R::error(context + ": 株価の行がありません（想定外のファイルです）");
    const Date first = out.days.begin()->first, last = out.days.rbegin()->first;
    if (first.year() != last.year() || first.month() != last.month())
        return R::error(context + ": " + shownDate(first) + "～" + shownDate(last) +
                        " の行があり、ひと月分のファイルではありません（想定外のファイルです）");
    return out;
}

} // namespace kestrel::converter::jquants
