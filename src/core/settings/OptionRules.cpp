#include "core/settings/OptionRules.h"

namespace kestrel {
namespace {

std::string numericOr(const std::string& text, const char* fallback) {
    return isNumeric(text) ? text : std::string(fallback);
}

} // namespace

SettingsText repairOptionControls(const OptionControls& c, const std::string& murl) {
    SettingsText t;
    t.ScreenMode = c.Option1 ? "1" : "2";
    auto slide = textToDouble(c.slidechart);
    t.slidechart = slide && *slide >= 0.5 && *slide <= 60 ? c.slidechart : std::string("1");
    t.move1 = numericOr(c.move1, "0");
    t.move2 = numericOr(c.move2, "0");
    t.move3 = numericOr(c.move3, "0");
    t.SaicoL = numericOr(c.SaicoL, "0");
    t.RSIVR = numericOr(c.RSIVR, "0");
    t.DURL = c.TxtUrl;
    t.MURL = murl;
    t.QuoteHost = c.TxtQuoteHost;
    t.RDel = c.ChkRDel ? "1" : "0";
    t.SonPa = numericOr(c.sonekipa, "4");
    t.hibiPath = c.TxthidiFold;
    t.sinyoPath = c.TxtsinyoFold;
    t.MakeSyu = c.ChkMakeSyu ? "1" : "0";
    const std::string& shinyo = c.CmbShinyo;
    t.ReadSinyo = shinyo == "金曜" || shinyo == "木曜" || shinyo == "水曜" ? shinyo : std::string("しない");
    t.DelJyoho = numericOr(c.CmbDelJyoho, "10");
    t.ALLITORSO = c.allItoOption == 6 ? "1" : c.allItoOption == 7 ? "2" : "3";
    t.ITORSO = c.itoOption == 4 ? "2" : c.itoOption == 5 ? "3" : "1";
    const std::string& source = c.CmbJyohoSource;
    t.JyohoSource = source == kInfoSourceServer || source == kInfoSourceComputed ? source : std::string();
    return t;
}

OptionControls optionControlsFor(const Settings& s) {
    SettingsText t = settingsToText(s);
    OptionControls c;
    c.Option1 = s.ScreenMode == 1;
    c.slidechart = t.slidechart;
    c.move1 = t.move1;
    c.move2 = t.move2;
    c.move3 = t.move3;
    c.SaicoL = t.SaicoL;
    c.RSIVR = t.RSIVR;
    c.TxtUrl = s.DURL;
    c.TxtQuoteHost = s.QuoteHost;
    c.ChkRDel = s.RDel != 0;
    c.sonekipa = t.SonPa;
    c.TxthidiFold = s.hibiPath;
    c.TxtsinyoFold = s.sinyoPath;
    c.ChkMakeSyu = s.MakeSyu != 0;
    c.CmbShinyo = s.ReadSinyo;
    c.CmbDelJyoho = t.DelJyoho;
    c.CmbJyohoSource = computesInformation(s) ? kInfoSourceComputed : kInfoSourceServer;
    c.allItoOption = s.ALLITORSO == 2 ? 7 : 6;
    c.itoOption = s.ITORSO == 2 ? 4 : s.ITORSO == 3 ? 5 : 3;
    return c;
}

} // namespace kestrel
