#pragma once
// The progress of a long run on the error stream: one updating line on a terminal, plain lines otherwise.
#include <ostream>
#include <string>

namespace kestrel::cli {

class ProgressLine {
public:
    ProgressLine(std::ostream& out, std::ostream& err);
    // Replaces the updating line with text (a new line when the error stream is not a terminal).
    void show(const std::string& text);
    // Ends the updating line, so what follows starts on a clean line.
    void clear();
    // A line of the run's own output on the output stream, after clear().
    void log(const std::string& line);

private:
    std::ostream& m_out;
    std::ostream& m_err;
    bool m_tty = false;
};

} // namespace kestrel::cli
