#pragma once
// TLStoreReplacement: puts store files received from the desktop in place of
// the device's, safely. The store file goes first to
// "TalloMobile2.sqlite.received" beside the store and is checked with the
// full read-only checks (SQLite opens it, its integrity check passes, it is a
// store of the current model, not newer); only then is the present store
// kept as "TalloMobile2.sqlite.previous" (replacing an older one) and the
// received file renamed over it, in one step a crash cannot tear. The second
// store file is replaced, atomically, only after that.
//
// A file that fails the check changes nothing: the store, the second file
// and the previous copy stay as they were, and the temporary file is gone.
// The open store keeps reading its old file until TLDatabase::reloadData.

#include <string>
#include <vector>

namespace tallo {

class TLStoreReplacement {
public:
    using Data = std::vector<uint8_t>;

    // False, with the reason in `error`, when nothing was replaced. True when
    // the store was; should the second file then fail to be written, the old
    // one stays and `error` says why.
    static bool replaceStoreFiles(const Data& storeFile, const Data* fastSyncFile, std::string* error = nullptr);
    static std::string previousStorePath();
};

}  // namespace tallo
