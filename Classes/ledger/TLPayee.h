#pragma once
// TLPayee: a person or company money is paid to or received from.

#include <string>

#include "Classes/store/TLPayeeAcc.h"
#include "Classes/store/TLPicture.h"

namespace tallo {

struct Person;

// Display names: a company payee shows its company, a person "first last";
// a payee with no name at all shows a single space.
class TLPayee : public TLPayeeAcc {
public:
    // Nil first name, last name or company become "".
    void initializeNilNames();
    std::string getRepresentationString();
    // Whether the names say company: with iscompany, a company name must be
    // there; without, only a company name and no personal names.
    bool getIsCompanyFromNames();
    // Typed text: the first word is the first name, the second the last
    // name, further words are dropped; one word leaves the last name as it
    // was; text without words changes nothing. The display name is stored.
    void setNamesFromString(const std::string& text);

    // A new payee from an address-book person: names, kind, "Noname" when
    // the person has no name at all, and the person's picture scaled to
    // 100 × 100, masked with "placeholder_mask.png" and kept as PNG in a new
    // image record. The store is saved. A picture that cannot be read is
    // left out; the payee is still made.
    static TLPayee* createFromPerson(const Person& person);

    // The payee's own picture, else "company.png" / "company@2x.png" for a
    // company and "payee.png" / "payee@2x.png" for a person.
    TLPicture getImageSmall(bool small) const;

protected:
    void awakeFromInsert() override;
};

}  // namespace tallo
