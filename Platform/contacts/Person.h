#pragma once
// Person: one card of the address book, as the people picker offers it and
// the payee made from it takes it: first name, last name, organization, kind
// and picture. A name part that the card does not give (or gives empty) is
// absent, never "".

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tallo {

struct Person {
    // The values of `kind`, as a payee's `iscompany` stores them.
    static constexpr int kPerson = 0;
    static constexpr int kOrganization = 1;

    // The card's UID; for a card without one, an identifier derived from the
    // card's text, so reading the same file again gives the same identifier.
    std::string identifier;
    std::optional<std::string> firstName;
    std::optional<std::string> lastName;
    std::optional<std::string> organization;
    int kind = kPerson;
    // The card's photo as JPEG or PNG bytes; absent when the card has none we
    // can show (no photo, a photo by link, or a picture of another format).
    std::optional<std::vector<uint8_t>> picture;

    // The name a picker shows: the organization for an organization, else
    // "first last"; a person with neither name shows the organization.
    // "" for a card that names nobody at all (the caller picks a placeholder).
    std::string displayName() const {
        auto text = [](const std::optional<std::string>& part) { return part ? *part : std::string(); };
        if (kind == kOrganization && organization) return *organization;
        std::string name = text(firstName);
        if (lastName) name += (name.empty() ? "" : " ") + *lastName;
        return name.empty() ? text(organization) : name;
    }
};

}  // namespace tallo
