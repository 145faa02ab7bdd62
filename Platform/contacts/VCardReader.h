#pragma once
// VCardReader: the people of vCard text (a .vcf file or an uploaded card),
// versions 2.1, 3.0 and 4.0, one or more cards between BEGIN:VCARD and
// END:VCARD.
//
// What is read of a card:
//   N      family;given;... -> lastName, firstName (a 4.0 list "Ann,Marie"
//          reads as "Ann Marie")
//   FN     used for the names only when N gives none: "Ann Lee" reads as
//          first name "Ann", last name "Lee"; a single word is a first name
//   ORG    its first component -> organization
//   KIND:org, X-ABShowAs:COMPANY -> an organization; so is a card that
//          names an organization but no person
//   PHOTO  inline base64 (ENCODING=b, ENCODING=BASE64 or a data: URI);
//          a photo by link is ignored, nothing is fetched
//   UID    -> identifier
// Lines may be folded (a line break followed by a space or tab), end in CRLF
// or LF, and 2.1 values may be quoted-printable. Text values that are not
// UTF-8 are read as Latin-1, so names are always valid UTF-8. Group cards
// (KIND:group) are not people and are skipped without an error.
//
// Broken input: each broken card is refused as a whole with one error naming
// its line ("line 3: PHOTO is not valid base64"); the good cards around it
// are still read. Text outside any card is reported once per stretch
// ("line 1: expected BEGIN:VCARD"). Limits keep hostile input in check: text
// larger than `maxTextBytes` is refused whole, a photo larger than
// `maxPictureBytes` refuses its card, reading stops after `maxCards` cards,
// and after `maxErrors` errors the rest are counted in one last message.
//
// A pure function of its input; safe on any thread.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/contacts/Person.h"

namespace tallo {

class VCardReader {
public:
    struct Limits {
        size_t maxTextBytes = size_t{20} << 20;
        size_t maxPictureBytes = size_t{10} << 20;
        size_t maxCards = 100000;
        size_t maxErrors = 100;
    };

    struct Result {
        std::vector<Person> people;       // the cards read, in text order
        std::vector<std::string> errors;  // "line 7: ...", one per refused card
    };

    static Result read(std::string_view text, const Limits& limits);
    static Result read(std::string_view text) { return read(text, Limits{}); }
};

}  // namespace tallo
