#include "Classes/sync/TLStoreReplacement.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "Classes/store/TLDatabase.h"
#include "Platform/foundation/AtomicFile.h"
#include "Platform/objectstore/Model.h"
#include "Platform/objectstore/SqliteStore.h"

namespace tallo {

namespace {

std::string_view view(const std::vector<uint8_t>& data) {
    return {reinterpret_cast<const char*>(data.data()), data.size()};
}

bool fail(std::string* error, std::string message) {
    if (error) *error = std::move(message);
    return false;
}

}  // namespace

std::string TLStoreReplacement::previousStorePath() {
    return TLDatabase::sharedDatabase().urlToSqliteFile() + ".previous";
}

bool TLStoreReplacement::replaceStoreFiles(const Data& storeFile, const Data* fastSyncFile, std::string* error) {
    TLDatabase& db = TLDatabase::sharedDatabase();
    const std::string store = db.urlToSqliteFile();
    const std::string received = store + ".received";
    const std::string previous = store + ".previous";
    std::filesystem::create_directories(db.applicationDocumentsDirectory());

    std::string message;
    auto model = Model::loadFile(db.urlToCurrentModel(), &message);
    if (!model) return fail(error, "the model cannot be loaded: " + message);
    if (!writeFileAtomically(received, view(storeFile), message)) return fail(error, message);
    if (!SqliteStore::checkStoreFile(received, *model, &message)) {
        std::remove(received.c_str());
        return fail(error, "the received store is refused: " + message);
    }

    // Keep the present store under a second name (a hard link, so the store
    // itself never goes missing), then swap the received file in.
    std::error_code ignored;
    std::filesystem::remove(previous, ignored);
    if (std::filesystem::exists(store) && ::link(store.c_str(), previous.c_str()) != 0) {
        std::filesystem::copy_file(store, previous, ignored);
    }
    if (std::rename(received.c_str(), store.c_str()) != 0) {
        std::string reason = std::strerror(errno);
        std::remove(received.c_str());
        return fail(error, "the store cannot be replaced: " + reason);
    }
    if (fastSyncFile != nullptr && !writeFileAtomically(db.urlToFastSyncStore(), view(*fastSyncFile), message)) {
        if (error) *error = message;
    }
    return true;
}

}  // namespace tallo
