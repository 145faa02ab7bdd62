// The model file travels with synced stores; whatever bytes arrive must give
// a model or a refusal with a reason, never a crash.
#include <cstdint>
#include <cstdlib>

#include "Platform/objectstore/Model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tallo::Bytes bytes(data, data + size);
    std::string error;
    auto model = tallo::Model::fromModelData(bytes, &error);
    if (!model && error.empty()) std::abort();
    if (model) {
        // What was read must write and read back as the same model.
        auto again = tallo::Model::fromModelData(model->modelData());
        if (!again || again->versionHash() != model->versionHash()) std::abort();
    }
    return 0;
}
