#include "core/chart/ChartJson.h"

namespace kestrel::chart {
namespace {

class Object {
public:
    explicit Object(std::string& out, const char* indent) : m_out(out), m_indent(indent) { m_out += "{"; }
    void raw(const char* name, const std::string& value) {
        m_out += m_first ? "\n" : ",\n";
        m_first = false;
        m_out += m_indent;
        m_out += "  \"";
        m_out += name;
        m_out += "\": ";
        m_out += value;
    }
    void num(const char* name, Currency v) { raw(name, v.toString()); }
    void num(const char* name, long long v) { raw(name, std::to_string(v)); }
    void date(const char* name, Date d) { raw(name, "\"" + d.toIso() + "\""); }
    void close() {
        m_out += "\n";
        m_out += m_indent;
        m_out += "}";
    }

private:
    std::string& m_out;
    const char* m_indent;
    bool m_first = true;
};

// Text from a date box: digits and slashes only, but escape anyway.
std::string quoted(const std::string& s) {
    std::string q = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\')
            q += '\\';
        if (static_cast<unsigned char>(c) >= 0x20)
            q += c;
    }
    return q + "\"";
}

} // namespace

std::string chartToJson(const ChartData& d, const std::string& chartDateText) {
    std::string out;
    Object top(out, "");
    top.raw("chartDate", quoted(chartDateText));
    top.num("barCount", d.barCount);
    top.num("center", d.center);
    top.num("maxHigh", d.maxHigh);
    top.num("minLow", d.minLow);
    top.num("maxVolume", d.maxVolume);
    top.num("minVolume", d.minVolume);
    top.num("maxBalance", d.maxBalance);
    top.num("priceTop", d.priceTop);
    top.num("priceBottom", d.priceBottom);
    top.num("itoMax", d.itoMax);
    top.num("fitA", d.fitA);
    top.num("fitB", d.fitB);
    top.num("fitC", d.fitC);
    top.date("latestDate", d.latestDate);
    top.date("scrollStartDate", d.scrollStartDate);
    top.num("scrollSmallChange", d.scrollSmallChange);
    top.num("scrollLargeChange", d.scrollLargeChange);
    std::string bars = "[";
    const int n = d.barCount < 0 ? 0 : d.barCount > kMaxBars ? kMaxBars : d.barCount;
    for (int i = 0; i < n; ++i) {
        const ChartBar& b = d.bars[i];
        bars += i ? ",\n    " : "\n    ";
        Object o(bars, "    ");
        o.date("date", b.date);
        o.num("open", b.open);
        o.num("high", b.high);
        o.num("low", b.low);
        o.num("close", b.close);
        o.num("closeCarried", b.closeCarried);
        o.num("change", b.change);
        o.num("volume", b.volume);
        o.num("sellBalance", b.sellBalance);
        o.num("buyBalance", b.buyBalance);
        o.num("ma1", b.ma1);
        o.num("ma2", b.ma2);
        o.num("ma3", b.ma3);
        o.num("dev1", b.dev1);
        o.num("dev2", b.dev2);
        o.num("dev3", b.dev3);
        o.num("psych", b.psych);
        o.num("rsi", b.rsi);
        o.num("vr", b.vr);
        o.num("maAngle1", b.maAngle1);
        o.num("maAngle2", b.maAngle2);
        o.num("maAngle3", b.maAngle3);
        o.num("itoRatio", b.itoRatio);
        o.close();
    }
    bars += n ? "\n  ]" : "]";
    top.raw("bars", bars);
    top.close();
    return out + "\n";
}

} // namespace kestrel::chart
