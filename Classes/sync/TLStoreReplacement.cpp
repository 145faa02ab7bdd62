#include "Classes/sync/TLStoreReplacement.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <future>

#include "Classes/store/TLDatabase.h"
#include "Platform/foundation/AtomicFile.h"
#include "Platform/foundation/Failure.h"
#include "Platform/objectstore/Model.h"
#include "Platform/objectstore/SqliteStore.h"
#include "Platform/objectstore/StoreRowCheck.h"

namespace tallo {

namespace {

// The three checks: every table, column and index of the model present
// (cheap, and first: a store lacking them must not be opened, which would
// add them); then, side by side on two threads once the file is open, every
// page and every index against its table (a quick check misses an index that
// disagrees with its rows, and the first save touching them would fail) and
// every row read and decoded as this program's load would.
bool checkReceivedStore(const std::string& path, const std::shared_ptr<const Model>& model, std::string* error) {
    if (!SqliteStore::checkStoreFile(path, *model, error, SqliteStoreOptions::IntegrityCheck::None)) return false;
    // Opening may still write (the metadata of an older version), so the
    // page check starts after it.
    SqliteStoreOptions unchecked;
    unchecked.integrityCheck = SqliteStoreOptions::IntegrityCheck::None;
    auto opened = SqliteStore::open(path, model, error, unchecked);
    if (!opened) return false;
    std::string pagesError;
    auto pages = std::async(std::launch::async, [&] {
        return SqliteStore::checkStoreFile(path, *model, &pagesError, SqliteStoreOptions::IntegrityCheck::Full);
    });
    bool rowsLoad = StoreRowCheck::checkEveryRow(*opened, error);
    if (!pages.get()) return failWith(error, pagesError);
    return rowsLoad;
}

}  // namespace

std::string TLStoreReplacement::previousStorePath() {
    return TLDatabase::sharedDatabase().urlToSqliteFile() + ".previous";
}

bool TLStoreReplacement::replaceStoreFiles(std::string_view storeFile, const std::string_view* fastSyncFile,
                                           std::string* error) {
    TLDatabase& db = TLDatabase::sharedDatabase();
    const std::string store = db.urlToSqliteFile();
    const std::string received = store + ".received";
    const std::string previous = store + ".previous";
    std::error_code ignored;
    std::filesystem::create_directories(db.applicationDocumentsDirectory(), ignored);

    std::string message;
    auto model = Model::loadFile(db.urlToCurrentModel(), &message);
    if (!model) return failWith(error, "the model cannot be loaded: " + message);
    int fd = writeNewFile(received, storeFile, message);
    if (fd < 0) return failWith(error, message);
    // The flush to disk runs beside the checks, which read the file from the
    // page cache.
    auto flushed = std::async(std::launch::async, [fd] { return ::fsync(fd) == 0 ? 0 : errno; });
    bool checked = checkReceivedStore(received, model, &message);
    int flushError = flushed.get();
    ::close(fd);
    if (!checked || flushError != 0) {
        std::remove(received.c_str());
        std::remove((received + "-journal").c_str());
        if (!checked) return failWith(error, "the received store is refused: " + message);
        return failWith(error, "cannot write " + received + ": " + std::strerror(flushError));
    }

    // Checked in full, the file needs no check when the store opens it.
    SqliteStore::recordCheckedFile(received, store);

    // Keep the present store under a second name (a hard link, so the store
    // itself never goes missing), then swap the received file in.
    std::filesystem::remove(previous, ignored);
    if (std::filesystem::exists(store) && ::link(store.c_str(), previous.c_str()) != 0) {
        std::filesystem::copy_file(store, previous, ignored);
    }
    if (std::rename(received.c_str(), store.c_str()) != 0) {
        std::string reason = std::strerror(errno);
        std::remove(received.c_str());
        return failWith(error, "the store cannot be replaced: " + reason);
    }
    syncFolder(db.applicationDocumentsDirectory());
    if (fastSyncFile != nullptr && !writeFileAtomically(db.urlToFastSyncStore(), *fastSyncFile, message)) {
        if (error) *error = message;
    }
    return true;
}

}  // namespace tallo
