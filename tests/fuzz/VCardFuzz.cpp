// vCard files come from other programs and from uploads; whatever they hold,
// reading them must answer people and reasons, never crash. Every refusal
// carries a message, and what is read is fit to show: names of valid UTF-8
// without control characters, pictures that are PNG or JPEG.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/contacts/VCardReader.h"

namespace {

bool isShowableName(const std::optional<std::string>& name) {
    if (!name) return true;
    if (name->empty()) return false;
    for (char c : *name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    }
    // Valid UTF-8: every lead byte is followed by the continuation bytes it announces.
    size_t i = 0;
    while (i < name->size()) {
        auto lead = static_cast<unsigned char>((*name)[i]);
        size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
        if (length == 0 || lead > 0xF4 || i + length > name->size()) return false;
        for (size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>((*name)[i + k]) & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

bool isShowablePicture(const std::vector<uint8_t>& bytes) {
    bool png = bytes.size() >= 8 && bytes[0] == 0x89 && bytes[1] == 'P' && bytes[2] == 'N' && bytes[3] == 'G';
    bool jpeg = bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
    return png || jpeg;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    tallo::VCardReader::Limits limits;
    limits.maxPictureBytes = 64 * 1024;  // keep each run small
    tallo::VCardReader::Result result = tallo::VCardReader::read(text, limits);
    for (const std::string& error : result.errors) {
        bool located = error.rfind("line ", 0) == 0 || error.rfind("the vCard data ", 0) == 0 ||
                       error.rfind("and ", 0) == 0;
        if (!located || error.size() < 12) std::abort();
    }
    for (const tallo::Person& person : result.people) {
        if (person.identifier.empty()) std::abort();
        if (person.kind != tallo::Person::kPerson && person.kind != tallo::Person::kOrganization) std::abort();
        if (!isShowableName(person.firstName) || !isShowableName(person.lastName) ||
            !isShowableName(person.organization)) {
            std::abort();
        }
        if (person.picture && !isShowablePicture(*person.picture)) std::abort();
    }
    return 0;
}
