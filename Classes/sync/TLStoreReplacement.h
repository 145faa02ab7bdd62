#pragma once
// TLStoreReplacement: puts store files received from the desktop in place of
// the device's, safely. The store file goes first to
// "TalloMobile2.sqlite.received" beside the store and is checked, while it
// is flushed to disk on a second thread, in this order:
//   1. SQLite opens it and its full integrity check passes (every page, and
//      every index against its table);
//   2. it is a store of the current model, not newer, with every table,
//      column and index of the model (a file missing one is incomplete);
//   3. it loads: every row becomes an object of this program (a decimal
//      column holding "abc" fails here).
// Only then is the present store kept as "TalloMobile2.sqlite.previous"
// (replacing an older one) and the received file renamed over it, in one
// step a crash cannot tear. The second store file is replaced, atomically,
// only after that.
//
// A file that fails a check changes nothing: the store, the second file and
// the previous copy stay as they were, and the temporary file is gone. The
// open store keeps reading its old file until TLDatabase::reloadData.
//
// A crash at any instant leaves a store that loads: before the rename the
// old one, after it the checked new one. A ".received" file left by a crash
// was never checked and is removed when the store next opens; should the
// store in place ever fail to load, the next opening puts the kept previous
// store back (TLDatabase).

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
    static std::string previousStorePath();
};

}  // namespace tallo
