#pragma once
// The repairs the options dialog makes to its controls when it closes, as a pure function: from the
// texts and choices of the controls to the eighteen setting texts that SaveSettings writes. Only the
// repairs below are made; anything else (a moving-average period of 0 or below) is saved as typed.
#include "core/settings/Settings.h"

#include <string>

namespace kestrel {

// What the options dialog holds when it closes.
struct OptionControls {
    bool Option1 = true; // ScreenMode 1, else 2
    std::string slidechart, move1, move2, move3, SaicoL, RSIVR, TxtUrl, TxtQuoteHost;
    bool ChkRDel = false;
    std::string sonekipa, TxthidiFold, TxtsinyoFold;
    bool ChkMakeSyu = false;
    std::string CmbShinyo, CmbDelJyoho;
    std::string CmbJyohoSource; // the lists' source: kInfoSourceServer or kInfoSourceComputed
    int allItoOption = 6;       // 6 (Option6), 7 (Option7) or 0 when neither is selected
    int itoOption = 3;          // 3, 4, 5 (Option3..Option5) or 0 when none is selected
};

// The repaired texts, in SaveSettings order: slidechart not a number or outside 0.5..60 becomes "1";
// a non-numeric period becomes "0"; a non-numeric sonekipa "4"; CmbShinyo other than 水曜/木曜/金曜
// "しない"; a non-numeric CmbDelJyoho "10"; a source other than the two choices "" (the default). MURL is written back
// as it is in memory.
SettingsText repairOptionControls(const OptionControls& c, const std::string& murl);

// The controls as the dialog shows them for the settings record s.
OptionControls optionControlsFor(const Settings& s);

} // namespace kestrel
