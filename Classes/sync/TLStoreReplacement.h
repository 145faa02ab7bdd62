#pragma once
// TLStoreReplacement: puts store files received from the desktop in place of
// the device's, safely. The store file goes first to
// "TalloMobile2.sqlite.received" beside the store and is checked read-only
// (SQLite opens it, every page and record passes its quick check, it is a
// store of the current model, not newer) while the file is flushed to disk
// on a second thread; only then is the present store kept as
// "TalloMobile2.sqlite.previous" (replacing an older one) and the received
// file renamed over it, in one step a crash cannot tear. The second store
// file is replaced, atomically, only after that.
//
// A file that fails the check changes nothing: the store, the second file
// and the previous copy stay as they were, and the temporary file is gone.
// The open store keeps reading its old file until TLDatabase::reloadData.
// Should the new store then fail to load (a value the checks cannot see,
// such as a decimal column holding text), restorePreviousStore puts the
// kept one back.

#include <string>
#include <string_view>

namespace tallo {

class TLStoreReplacement {
public:
    // False, with the reason in `error`, when nothing was replaced. True when
    // the store was; should the second file then fail to be written, the old
    // one stays and `error` says why. `fastSyncFile` nullptr: none came.
    static bool replaceStoreFiles(std::string_view storeFile, const std::string_view* fastSyncFile,
                                  std::string* error = nullptr);
    // Renames the kept previous store back over the store; false when there
    // is none or it cannot be moved.
    static bool restorePreviousStore(std::string* error = nullptr);
    static std::string previousStorePath();
};

}  // namespace tallo
