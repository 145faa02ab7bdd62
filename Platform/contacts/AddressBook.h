#pragma once
// AddressBook: the people the people picker offers, read from the vCard
// files (*.vcf, *.vcard) of one folder, by default "Documents/Contacts" of
// the application home. Any address-book program can export into it, and a
// card the person uploads is saved there (addCardData).
//
// load() reads the folder again; each file is read on its own, so a broken
// card or file costs only itself: its errors are listed in errors() with the
// file's name ("Family.vcf: line 7: END:VCARD missing for the card that
// began on line 1") and the rest of the book is there. A missing folder is
// an empty book, not an error.
//
// Identifiers are unique within the book: the card's UID, or one derived
// from its text when it has none; a card whose identifier is already taken
// (the same person exported twice) gets "-2", "-3", ... appended.
//
// Main thread only.

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "Platform/contacts/Person.h"
#include "Platform/contacts/VCardReader.h"

namespace tallo {

class AddressBook {
public:
    // "<home>/Documents/Contacts" of ApplicationHome::current().
    static std::string defaultFolder();

    explicit AddressBook(std::string folder = defaultFolder(), VCardReader::Limits limits = {});

    // Reads every vCard file of the folder, in file-name order, replacing what
    // was read before. True when nothing was refused.
    bool load();

    // Sorted for a picker: by display name, ignoring case and accents
    // ("Émile" before "Fiona"); people without any name come last.
    const std::vector<Person>& people() const { return people_; }
    // The person with that identifier, or nullptr. The pointer lasts until the
    // next load() or addCardData().
    const Person* personWithIdentifier(std::string_view identifier) const;
    // The errors of the last load(), each prefixed with its file's name.
    const std::vector<std::string>& errors() const { return errors_; }

    struct Added {
        std::vector<std::string> identifiers;  // of the people added, in card order
        std::vector<std::string> errors;       // why nothing was added
    };
    // Adds the cards of uploaded vCard data: the data is saved as a new file
    // of the folder (made when missing) and its people join the book. Data
    // with any broken card, or with no card at all, is refused whole: nothing
    // is saved or added, and `errors` says why.
    Added addCardData(std::string_view data);

    const std::string& folder() const { return folder_; }

private:
    void readFile(const std::string& path);
    // Takes people into the book, making their identifiers unique; answers
    // the identifiers they got.
    std::vector<std::string> adopt(std::vector<Person> people);
    void sortPeople();

    std::string folder_;
    VCardReader::Limits limits_;
    std::vector<Person> people_;
    std::unordered_set<std::string> identifiers_;
    std::vector<std::string> errors_;
};

}  // namespace tallo
