#pragma once
// PeoplePickerNavigationController: the list of the address book's people
// to choose one from, presented modally — "All Contacts", sorted as the
// book sorts them, a person with no name at all shown as "No Name", and
// "Cancel". Choosing a row hands that person to didSelectPerson; whoever
// presented the picker closes it from its callbacks.

#include <functional>
#include <memory>

#include "Platform/contacts/AddressBook.h"
#include "Platform/ui/NavigationController.h"

namespace tallo {

class PeoplePickerNavigationController : public NavigationController {
public:
    // Reads `book` again (load) when the list comes up.
    explicit PeoplePickerNavigationController(std::shared_ptr<AddressBook> book);

    const AddressBook& addressBook() const { return *book_; }
    std::function<void(const Person&)> didSelectPerson;
    std::function<void()> didCancel;

private:
    class List;
    std::shared_ptr<AddressBook> book_;
};

}  // namespace tallo
