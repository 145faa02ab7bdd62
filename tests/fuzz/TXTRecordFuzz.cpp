// TXT record data from the network (a browsed service's record): entries or
// a refusal, never a crash; what is read writes back to data that reads the
// same entries again.
#include <cstdint>
#include <cstdlib>

#include "Platform/netservice/NetService.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tallo::NetService::Data wire(data, data + size);
    auto record = tallo::NetService::dictionaryFromTXTRecordData(wire);
    if (!record) return 0;
    auto written = tallo::NetService::dataFromTXTRecordDictionary(*record);
    if (!written) return 0;  // e.g. an entry too long to write back in one length byte
    auto again = tallo::NetService::dictionaryFromTXTRecordData(*written);
    if (!again || *again != *record) std::abort();
    return 0;
}
