#include "ProgressLine.h"

#include <unistd.h>

namespace kestrel::cli {

ProgressLine::ProgressLine(std::ostream& out, std::ostream& err) : m_out(out), m_err(err), m_tty(::isatty(2) != 0) {}

void ProgressLine::show(const std::string& text) {
    if (m_tty)
        m_err << "\r\033[K" << text << std::flush;
    else
        m_err << text << "\n";
}

void ProgressLine::clear() {
    if (m_tty)
        m_err << "\r\033[K" << std::flush;
}

void ProgressLine::log(const std::string& line) {
    clear();
    m_out << line << "\n" << std::flush;
}

} // namespace kestrel::cli
