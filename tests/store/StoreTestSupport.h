#pragma once
// A fresh application home in a temporary folder for each store test, with
// the shared database forgotten before and after.

#include <gtest/gtest.h>

#include "Classes/store/TLDatabase.h"
#include "Platform/foundation/ApplicationHome.h"
#include "tests/support/TestEnvironment.h"

namespace tallo::test {

class StoreTest : public ::testing::Test {
protected:
    StoreTest() : previousHome_(ApplicationHome::current()) {
        ApplicationHome::setCurrent(ApplicationHome(folder_.path()));
        TLDatabase::resetSharedDatabase();
    }
    ~StoreTest() override {
        TLDatabase::resetSharedDatabase();
        ApplicationHome::setCurrent(previousHome_);
    }

    TLDatabase& db() { return TLDatabase::sharedDatabase(); }

    template <typename T>
    T* create() {
        return static_cast<T*>(db().createObjectForEntity(T::kEntityName));
    }

    TemporaryFolder folder_;

private:
    ApplicationHome previousHome_;
};

}  // namespace tallo::test
