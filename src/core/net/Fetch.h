#pragma once
// A download as the procedures see it: one blocking call that gives the server's answer for a URL.
// The platform layer supplies it (an HTTP transfer with a time limit that keeps the windows live);
// tests supply a table. The outcome tells a complete body from an error page, a failed or cut-short
// transfer, a server that stopped answering, and a transfer the user cancelled.
#include <functional>
#include <string>

namespace kestrel::net {

struct FetchResult {
    enum class Outcome {
        Body,      // the whole body of a 2xx answer
        HttpError, // the server answered with an error status; body is its error page
        Failed,    // no connection, or the connection broke; body holds what arrived
        TimedOut,  // nothing arrived within the time limit
        Cancelled, // the transfer was cancelled by its owner
    };
    Outcome outcome = Outcome::Failed;
    int httpStatus = 0;
    std::string body;  // raw bytes as received
    std::string error; // what went wrong, for Failed and TimedOut
    int timeoutSeconds = 0;

    bool complete() const { return outcome == Outcome::Body; }
    // The text a transfer control would hand back: the body of any answer, "" when none came.
    std::string answer() const {
        return outcome == Outcome::Body || outcome == Outcome::HttpError ? body : std::string();
    }
};

using Fetcher = std::function<FetchResult(const std::string& url)>;

// A note for the user about a transfer that gave no file ("" for a complete body): the address and
// the reason, in the program's language.
std::string describeFailure(const FetchResult& result, const std::string& url);

} // namespace kestrel::net
