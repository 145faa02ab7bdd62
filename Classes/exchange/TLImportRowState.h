#pragma once
// The verdict of an import preview on one row of a bank file.

namespace tallo {

struct TLImportRowState {
    // Not in the book yet, and a category was found for it (the file's own,
    // the payee's default category or the one its payee's history uses most),
    // or it is a transfer to a known account.
    static constexpr int New = 0;
    // Already in the book: the same FITID, or the same amount within two
    // days of the date with the same payee (or a transfer with the same
    // other account). Skipped when the import is confirmed.
    static constexpr int Duplicate = 1;
    // Not in the book yet, and nothing suggests a category: imported
    // uncategorised unless the person files it.
    static constexpr int Unmatched = 2;
};

}  // namespace tallo
