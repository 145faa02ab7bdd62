#include "Platform/contacts/AddressBook.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Platform/foundation/ApplicationHome.h"
#include "tests/contacts/VCardCards.h"
#include "tests/support/TestEnvironment.h"

namespace tallo {
namespace {

namespace fs = std::filesystem;
using test::crlf;
using test::describe;
using Errors = std::vector<std::string>;

std::string card(const std::string& lines) { return crlf("BEGIN:VCARD\nVERSION:3.0\n" + lines + "END:VCARD\n"); }

void writeFile(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> vcfFilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    return names;
}

std::string displayNames(const AddressBook& book) {
    std::string names;
    for (const Person& person : book.people()) names += (names.empty() ? "" : ", ") + person.displayName();
    return names;
}

class AddressBookTest : public ::testing::Test {
protected:
    test::TemporaryFolder home;
    std::string folder = home.path() + "/Contacts";
};

TEST_F(AddressBookTest, ReadsEveryCardFileOfTheFolderSortedForThePicker) {
    writeFile(folder + "/Family.vcf", card("N:Zola;Émile\nUID:emile\n") + card("N:lee;ann\nUID:ann\n"));
    writeFile(folder + "/Work.VCARD", card("ORG:Acme\nX-ABShowAs:COMPANY\n") + card("TEL:+1 555 0100\n"));
    writeFile(folder + "/Old.vcf", card("N:Okafor;Chidi\nPHOTO;ENCODING=b:" + std::string(test::kRedPngBase64) + "\n"));
    // Not address-book files: other names, hidden files and subfolders (even
    // one named like a card file).
    writeFile(folder + "/notes.txt", card("N:Notes;Not\n"));
    writeFile(folder + "/.Trash.vcf", card("N:Hidden;Not\n"));
    writeFile(folder + "/Archive.vcf/2019.vcf", card("N:Archived;Not\n"));

    AddressBook book(folder);
    EXPECT_TRUE(book.load());
    EXPECT_EQ(book.errors(), Errors{});
    // Case and accents do not move a name: "ann" before "Chidi", "Émile"
    // among the E's; the card without any name comes last.
    EXPECT_EQ(displayNames(book), "Acme, ann lee, Chidi Okafor, Émile Zola, ");
    EXPECT_EQ(describe(book.people()[2]), "Chidi Okafor | org - | person | picture 73 bytes");
}

TEST_F(AddressBookTest, ABrokenFileCostsOnlyItsBrokenCards) {
    writeFile(folder + "/Broken.vcf", card("N:Lee;Ann\n") + crlf("BEGIN:VCARD\nVERSION:3.0\nN:Okafor;Chidi\n"));
    writeFile(folder + "/Junk.vcf", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    writeFile(folder + "/Good.vcf", card("N:Zola;Émile\n"));

    AddressBook book(folder);
    EXPECT_FALSE(book.load());
    EXPECT_EQ(book.errors(), (Errors{"Broken.vcf: line 7: END:VCARD missing for the card that began on line 5",
                                     "Junk.vcf: line 1: expected BEGIN:VCARD"}));
    EXPECT_EQ(displayNames(book), "Ann Lee, Émile Zola");
}

TEST_F(AddressBookTest, AnOversizeFileIsRefusedWithoutReadingAllOfIt) {
    VCardReader::Limits limits;
    limits.maxTextBytes = 1024;
    writeFile(folder + "/Big.vcf", card("N:Lee;Ann\nNOTE:" + std::string(2000, 'x') + "\n"));
    writeFile(folder + "/Small.vcf", card("N:Zola;Émile\n"));
    AddressBook book(folder, limits);
    EXPECT_FALSE(book.load());
    EXPECT_EQ(book.errors(), Errors{"Big.vcf: the vCard data is larger than 1 KiB"});
    EXPECT_EQ(displayNames(book), "Émile Zola");
}

TEST_F(AddressBookTest, AMissingFolderIsAnEmptyBook) {
    AddressBook book(folder);
    EXPECT_TRUE(book.load());
    EXPECT_TRUE(book.people().empty());
    EXPECT_EQ(book.errors(), Errors{});
}

TEST_F(AddressBookTest, TheDefaultFolderIsContactsInTheApplicationsDocuments) {
    ApplicationHome previous = ApplicationHome::current();
    ApplicationHome::setCurrent(ApplicationHome(home.path()));
    writeFile(home.path() + "/Documents/Contacts/Ann.vcf", card("N:Lee;Ann\n"));
    AddressBook book;
    EXPECT_EQ(book.folder(), home.path() + "/Documents/Contacts");
    book.load();
    EXPECT_EQ(displayNames(book), "Ann Lee");
    ApplicationHome::setCurrent(previous);
}

TEST_F(AddressBookTest, FindsAPersonByIdentifierAndKeepsIdentifiersUnique) {
    // The same person exported twice, into two files.
    writeFile(folder + "/A.vcf", card("N:Lee;Ann\nUID:urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1\n"));
    writeFile(folder + "/B.vcf", card("N:Lee;Ann\nTEL:+1 555 0100\nUID:urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1\n"));
    AddressBook book(folder);
    book.load();
    const Person* first = book.personWithIdentifier("urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1");
    const Person* second = book.personWithIdentifier("urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1-2");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(book.personWithIdentifier("urn:uuid:0000"), nullptr);

    // Loading again replaces the people: no third copy, the same identifiers.
    book.load();
    EXPECT_EQ(book.people().size(), 2u);
    EXPECT_NE(book.personWithIdentifier("urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1-2"), nullptr);
}

TEST_F(AddressBookTest, AnUploadedCardIsSavedAndJoinsTheBook) {
    AddressBook book(folder);  // the folder does not exist yet
    book.load();
    AddressBook::Added added = book.addCardData(card("N:Okafor;Chidi\nUID:chidi\n") + card("ORG:Acme\nUID:acme\n"));
    EXPECT_EQ(added.errors, Errors{});
    EXPECT_EQ(added.identifiers, (std::vector<std::string>{"chidi", "acme"}));
    EXPECT_EQ(displayNames(book), "Acme, Chidi Okafor");
    ASSERT_EQ(vcfFilesIn(folder).size(), 1u);
    EXPECT_EQ(fs::path(vcfFilesIn(folder)[0]).extension(), ".vcf");

    // It is there after the next start, too.
    AddressBook later(folder);
    later.load();
    EXPECT_EQ(displayNames(later), "Acme, Chidi Okafor");
}

TEST_F(AddressBookTest, ABrokenUploadIsRefusedWholeAndNothingIsSaved) {
    writeFile(folder + "/Ann.vcf", card("N:Lee;Ann\n"));
    AddressBook book(folder);
    book.load();
    struct Case {
        std::string data;
        Errors errors;
    };
    for (const Case& c : {
             Case{card("N:Zola;Émile\n") + crlf("BEGIN:VCARD\nPHOTO;ENCODING=b:not base64!\nEND:VCARD\n"),
                  {"line 6: PHOTO is not valid base64"}},
             Case{"", {"the data holds no card of a person"}},
             Case{card("KIND:group\nFN:Book Club\n"), {"the data holds no card of a person"}},
             Case{"%PDF-1.7\n", {"line 1: expected BEGIN:VCARD"}},
         }) {
        AddressBook::Added added = book.addCardData(c.data);
        EXPECT_EQ(added.errors, c.errors) << c.data;
        EXPECT_TRUE(added.identifiers.empty()) << c.data;
    }
    EXPECT_EQ(displayNames(book), "Ann Lee");
    EXPECT_EQ(vcfFilesIn(folder), std::vector<std::string>{"Ann.vcf"});
}

TEST_F(AddressBookTest, AnUploadThatCannotBeSavedIsNotAdded) {
    writeFile(folder, "a file where the folder should be");
    AddressBook book(folder);
    AddressBook::Added added = book.addCardData(card("N:Lee;Ann\n"));
    ASSERT_EQ(added.errors.size(), 1u);
    EXPECT_EQ(added.errors[0].rfind("cannot create the folder " + folder + ": ", 0), 0u) << added.errors[0];
    EXPECT_TRUE(book.people().empty());
}

}  // namespace
}  // namespace tallo
