#pragma once
// PeoplePickerNavigationController: the list of the address book's people
// to choose one from, presented modally — "All Contacts", sorted as the
// book sorts them, a person with no name at all shown as "No Name", and
// "Cancel". Choosing a row hands that person to didSelectPerson; whoever
// presented the picker closes it from its callbacks.
//
// Under the list the person can add cards: the page uploads a chosen vCard
// file to "cardpicker" (AddressBook::addCardData); its people join the list
// to be chosen, and a file that is refused leaves the book as it was and
// shows why:
//
//   content
//     table#table …
//     filepicker#cardpicker accept=".vcf,.vcard,text/vcard" title="Import vCard File" error="…"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Platform/contacts/AddressBook.h"
#include "Platform/ui/NavigationController.h"

namespace tallo {

class PeoplePickerNavigationController : public NavigationController {
public:
    // Reads `book` again (load) when the list comes up.
    explicit PeoplePickerNavigationController(std::shared_ptr<AddressBook> book);

    const AddressBook& addressBook() const { return *book_; }
    // What an upload of vCard data does: the reason it was refused, or "".
    const std::string& addCards(const std::vector<uint8_t>& data);
    std::function<void(const Person&)> didSelectPerson;
    std::function<void()> didCancel;

private:
    class List;
    std::shared_ptr<AddressBook> book_;
    std::string uploadError_;
};

}  // namespace tallo
