#pragma once
// The internet read screen's issue-master download from J-Quants, used when the converter's selected
// source (SetNo in Plover.ini of the program folder) is J-Quants: the master of the latest stored
// trading day (today when nothing is stored) becomes Data/Regist.Mei.
#include "core/net/MasterDownload.h"
#include "core/startup/AppContext.h"

namespace kestrel::ui {

bool jquantsSelected(const AppContext& context);
net::MasterDownload downloadJQuantsMaster(const AppContext& context);

} // namespace kestrel::ui
