#pragma once
// Storing downloaded stock information in Kestrel.mdb. Each file is stored in one transaction: a file
// whose rows are refused leaves every table as it was before the file.
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/Database.h"
#include "core/info/InformationFiles.h"

#include <string>

namespace kestrel::info {

// Replaces wrkinformationClass with the file's kinds (names cut to kKindNameLength characters) and, when the number of
// kinds read equals the number declared, writes them into informationClass (an existing kind gets its name and order
// overwritten, a new one is added; kinds missing from the file stay). True when the kinds were taken;
// false for a mismatch, which changes nothing. An error (a refused value) also changes nothing.
Result<bool> storeKinds(db::Database& db, const KindsFile& file);

// Replaces the informationData rows of kindCode on loopDate (and on the list's own date, when the file
// gives another) with the file's rows, stored under the list's date with the title cut to
// kCommentLength characters, each value text cut to kValueLength characters and Top種類コード = the first
// letter of the kind code.
Status storeList(db::Database& db, const std::string& kindCode, Date loopDate, const ListFile& file);

// The number of informationClass rows.
Result<int> kindCount(db::Database& db);

} // namespace kestrel::info
