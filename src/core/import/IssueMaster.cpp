#include "core/import/IssueMaster.h"

namespace kestrel::import {

// Placeholder until the import lands: reports that there is nothing to import.
MasterImportResult ImportIssueMaster(db::Database&, const std::string&, Prompt&, const ProgressFn&) {
    MasterImportResult r;
    r.message = kMasterNotFound;
    return r;
}

} // namespace kestrel::import
