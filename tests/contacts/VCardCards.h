#pragma once
// Cards and pictures shared by the address-book tests, and a person as one
// line of text so a failing comparison reads at a glance.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/contacts/Person.h"

namespace tallo::test {

// A 2 x 2 red PNG (73 bytes) and the same bytes in base64.
inline const std::vector<uint8_t> kRedPng{
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00, 0x00,
    0x02, 0x00, 0x00, 0x00, 0x02, 0x08, 0x02, 0x00, 0x00, 0x00, 0xfd, 0xd4, 0x9a, 0x73, 0x00, 0x00, 0x00, 0x10, 0x49,
    0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0xb8, 0xa0, 0x60, 0x00, 0x44, 0x0c, 0x10, 0x0a, 0x00, 0x22, 0x0e, 0x04, 0x81,
    0x20, 0x38, 0x97, 0x42, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};
inline constexpr std::string_view kRedPngBase64 =
    "iVBORw0KGgoAAAANSUhEUgAAAAIAAAACCAIAAAD91JpzAAAAEElEQVR4nGO4oGAARAwQCgAiDgSBIDiXQgAAAABJRU5ErkJggg==";

// Line ends as most address-book programs write them.
inline std::string crlf(std::string_view text) {
    std::string result;
    for (char c : text) {
        if (c == '\n') result += '\r';
        result += c;
    }
    return result;
}

// "Ann Lee | org Acme | person | picture 73 bytes"; "-" for an absent part.
inline std::string describe(const Person& person) {
    auto part = [](const std::optional<std::string>& text) { return text ? *text : std::string("-"); };
    std::string line = part(person.firstName) + " " + part(person.lastName) + " | org " + part(person.organization) +
                       (person.kind == Person::kOrganization ? " | organization" : " | person");
    if (person.picture) line += " | picture " + std::to_string(person.picture->size()) + " bytes";
    return line;
}

inline std::string describe(const std::vector<Person>& people) {
    std::string text;
    for (const Person& person : people) text += (text.empty() ? "" : "\n") + describe(person);
    return text;
}

}  // namespace tallo::test
