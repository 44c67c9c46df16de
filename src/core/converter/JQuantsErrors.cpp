#include "core/converter/JQuantsErrors.h"

#include "core/app/DateText.h"

#include <nlohmann/json.hpp>

namespace kestrel::converter::jquants {

namespace {

// The body's "message", or empty when the body is not a JSON object with a string message.
std::string messageOf(std::string_view body) {
    auto doc = nlohmann::json::parse(body, nullptr, false);
    if (doc.is_discarded() || !doc.is_object())
        return {};
    auto it = doc.find("message");
    if (it == doc.end() || !it->is_string())
        return {};
    return it->get<std::string>();
}

bool has(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

std::optional<Date> isoAt(std::string_view text, size_t at) {
    if (at + 10 > text.size())
        return std::nullopt;
    return Date::parse(std::string(text.substr(at, 10)));
}

// The server's words, shortened and kept to printable text, for a message.
std::string quoted(const std::string& message) {
    if (message.empty())
        return "（応答に説明がありません）";
    std::string s;
    for (char c : message.substr(0, 200))
        s += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    return "（" + s + "）";
}

} // namespace

std::string DateWindow::text() const {
    return to ? shownDate(from) + "～" + shownDate(*to) : shownDate(from) + " 以降";
}

std::optional<DateWindow> windowIn(std::string_view message) {
    constexpr std::string_view lead = "covers the following dates:";
    size_t at = message.find(lead);
    if (at == std::string_view::npos)
        return std::nullopt;
    at = message.find_first_not_of(' ', at + lead.size());
    if (at == std::string_view::npos)
        return std::nullopt;
    auto from = isoAt(message, at);
    if (!from)
        return std::nullopt;
    size_t tilde = message.find('~', at + 10);
    if (tilde == std::string_view::npos)
        return std::nullopt;
    DateWindow w{*from, std::nullopt};
    size_t end = message.find_first_not_of(' ', tilde + 1);
    if (end != std::string_view::npos && message[end] >= '0' && message[end] <= '9') {
        auto to = isoAt(message, end);
        if (!to || *to < *from)
            return std::nullopt;
        w.to = to;
    }
    return w;
}

std::string sentence(std::string text) {
    constexpr std::string_view stop = "。";
    if (!text.empty() && !std::string_view(text).ends_with(stop))
        text += stop;
    return text;
}

Failure describeFailure(int status, std::string_view body, const std::string& context, const std::string& path) {
    const std::string message = messageOf(body);
    const std::string head = context + ": ";
    if (status == 403 && (has(message, "api key is required") || has(message, "invalid or expired")))
        // The key is refused whatever was asked: the message names neither the request nor its days.
        return {FailureKind::Key, std::nullopt,
                "API キーが受け付けられませんでした。キーが誤っているか、期限が切れています（Free "
                "プランの登録は 1 年で失効します）。キーを確かめてください。"};
    if (status == 403 && has(message, "not available on your subscription"))
        return {FailureKind::Plan, std::nullopt, head + "ご契約のプランでは " + path + " を使えません。"};
    if (status == 403 && has(message, "does not exist"))
        return {FailureKind::NoEndpoint, std::nullopt,
                head + "J-Quants に " + path + " がありません。J-Quants のアドレスの設定を確かめてください。"};
    if (status == 400) {
        if (auto w = windowIn(message))
            return {FailureKind::Window, w, head + "ご契約のプランで取得できる期間は " + w->text() + " です。"};
    }
    if (status >= 500)
        return {FailureKind::Other, std::nullopt,
                head + "J-Quants のサーバーが応答しません（" + std::to_string(status) + ", " + path + "）" +
                    quoted(message) + "。"};
    return {FailureKind::Other, std::nullopt,
            head + "J-Quants が " + path + " の要求を断りました（" + std::to_string(status) + "）" + quoted(message) +
                "。"};
}

} // namespace kestrel::converter::jquants
