#pragma once
// What a refused J-Quants request means. The service has no 401: a missing, wrong or expired key, an
// endpoint outside the plan and a wrong path all come as 403, told apart only by the body's "message";
// a date outside the plan's window comes as 400 naming the window ("Your subscription covers the
// following dates: 2024-04-14 ~ 2026-04-14.", or "2021-10-03 ~ ." when it has no end). The body may be
// anything: HTML, empty, JSON without a message. describeFailure turns (status, body) into a kind the
// run acts on and a message naming what was asked (context) and the endpoint. The key never appears.
#include "core/app/Date.h"

#include <optional>
#include <string>
#include <string_view>

namespace kestrel::converter::jquants {

enum class FailureKind {
    None,
    Key,         // the key is missing, wrong or expired
    Plan,        // the endpoint is not in the key's plan
    Window,      // a date lies outside the plan's window, which the service named
    NoEndpoint,  // the path does not exist: the address setting is wrong
    RateLimited, // 429 still after the waits
    Transport,   // no connection, a cut or stalled transfer, a bad page
    Other,
};

struct DateWindow {
    Date from;
    std::optional<Date> to; // none: open-ended
    bool contains(Date d) const { return d >= from && (!to || d <= *to); }
    std::string text() const; // "2024-04-14～2026-04-14" or "2021-10-03 以降"
};

struct Failure {
    FailureKind kind = FailureKind::None;
    std::optional<DateWindow> window; // with Window
    std::string message;
};

// The window named in a 400 message, if any.
std::optional<DateWindow> windowIn(std::string_view message);
// The failure of an answer with status (not 200 or 429) and body to a request for path.
Failure describeFailure(int status, std::string_view body, const std::string& context, const std::string& path);
// text as a sentence: "。" added unless it already ends with one (empty text stays empty).
std::string sentence(std::string text);

} // namespace kestrel::converter::jquants
