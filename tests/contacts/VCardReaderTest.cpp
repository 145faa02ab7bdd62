#include "Platform/contacts/VCardReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/contacts/VCardCards.h"

namespace tallo {
namespace {

using test::crlf;
using test::describe;
using test::kRedPng;
using test::kRedPngBase64;

using Errors = std::vector<std::string>;

// A literal with its zero bytes.
template <size_t N>
std::string bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

// --- Cards as address-book programs write them -----------------------------

TEST(VCardReader, ReadsAPersonWithAnInlinePngPhotoFoldedInTheMiddleOfItsBase64) {
    std::string card = crlf(
        "BEGIN:VCARD\n"
        "VERSION:3.0\n"
        "UID:5F3A9C1E-2B7D-4E8F-9A61-0C4D2E7B8F13\n"
        "N:Lee;Ann;Marie;Dr.;\n"
        "FN:Dr. Ann Marie Lee\n"
        "ORG:Acme L\n"
        " td;Accounts\n"
        "TEL;TYPE=CELL:+44 20 7946 0958\n"
        "PHOTO;ENCODING=b;TYPE=PNG:iVBORw0KGgoAAAANSUhEUgAAAAIAAAACCAIAAAD91J\n"
        " pzAAAAEElEQVR4nGO4oGAARAwQCgAiDgSBIDiX\n"
        "\tQgAAAABJRU5ErkJggg==\n"
        "END:VCARD\n");
    VCardReader::Result result = VCardReader::read(card);
    EXPECT_EQ(result.errors, Errors{});
    ASSERT_EQ(result.people.size(), 1u);
    const Person& ann = result.people[0];
    EXPECT_EQ(describe(ann), "Ann Lee | org Acme Ltd | person | picture 73 bytes");
    EXPECT_EQ(ann.identifier, "5F3A9C1E-2B7D-4E8F-9A61-0C4D2E7B8F13");
    EXPECT_EQ(ann.picture, kRedPng);
    EXPECT_EQ(ann.displayName(), "Ann Lee");
}

TEST(VCardReader, ReadsAVersion4OrganizationWithADataUriPhoto) {
    std::string card = crlf(
        "BEGIN:VCARD\n"
        "VERSION:4.0\n"
        "KIND:org\n"
        "FN:Northwind Traders\n"
        "ORG:Northwind Traders\n"
        "PHOTO:data:image/png;base64," +
        std::string(kRedPngBase64) +
        "\n"
        "END:VCARD\n");
    VCardReader::Result result = VCardReader::read(card);
    EXPECT_EQ(result.errors, Errors{});
    // FN repeats the organization's name: it is not taken for a person's name.
    EXPECT_EQ(describe(result.people), "- - | org Northwind Traders | organization | picture 73 bytes");
    EXPECT_EQ(result.people.at(0).displayName(), "Northwind Traders");
}

TEST(VCardReader, TheAppleCompanyMarkerMakesAnOrganization) {
    std::string cards = crlf(
        "BEGIN:VCARD\n"
        "VERSION:3.0\n"
        "PRODID:-//Apple Inc.//macOS 13.4//EN\n"
        "N:;;;;\n"
        "FN:Blue Bottle Coffee\n"
        "ORG:Blue Bottle Coffee;\n"
        "item1.EMAIL;type=INTERNET;type=pref:hello@bluebottle.example\n"
        "item1.X-ABLabel:_$!<Other>!$_\n"
        "X-ABShowAs:COMPANY\n"
        "END:VCARD\n"
        // A contact person filed under the company keeps the names, but is
        // shown as the company.
        "BEGIN:VCARD\n"
        "VERSION:3.0\n"
        "N:Okafor;Chidi;;;\n"
        "ORG:Okafor Plumbing\n"
        "x-abshowas:company\n"
        "END:VCARD\n");
    VCardReader::Result result = VCardReader::read(cards);
    EXPECT_EQ(result.errors, Errors{});
    EXPECT_EQ(describe(result.people),
              "- - | org Blue Bottle Coffee | organization\n"
              "Chidi Okafor | org Okafor Plumbing | organization");
    EXPECT_EQ(result.people.at(1).displayName(), "Okafor Plumbing");
}

TEST(VCardReader, ReadsVersion21QuotedPrintableAndItsPhotos) {
    std::string cards = crlf(
        "BEGIN:VCARD\n"
        "VERSION:2.1\n"
        "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:M=C3=BCller;J=C3=BCrgen;;;\n"
        "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:J=C3=BCrgen =\n"
        "M=C3=BCller\n"
        "ORG;QUOTED-PRINTABLE:B=C3=A4ckerei =\n"
        "M=C3=BCller\n"
        "PHOTO;ENCODING=BASE64;TYPE=PNG:\n"
        "    iVBORw0KGgoAAAANSUhEUgAAAAIAAAACCAIAAAD91JpzAAAAEElEQVR4nGO4oGAARAwQ\n"
        "    CgAiDgSBIDiXQgAAAABJRU5ErkJggg==\n"
        "\n"
        "END:VCARD\n"
        // Some phones wrote the base64 lines without indentation.
        "BEGIN:VCARD\n"
        "VERSION:2.1\n"
        "N:Nakamura;Yui\n"
        "PHOTO;PNG;BASE64:\n"
        "iVBORw0KGgoAAAANSUhEUgAAAAIAAAACCAIAAAD91JpzAAAAEElEQVR4nGO4oGAARAwQ\n"
        "CgAiDgSBIDiXQgAAAABJRU5ErkJggg==\n"
        "\n"
        "TEL;CELL:+81 90 1234 5678\n"
        "END:VCARD\n");
    VCardReader::Result result = VCardReader::read(cards);
    EXPECT_EQ(result.errors, Errors{});
    EXPECT_EQ(describe(result.people),
              "Jürgen Müller | org Bäckerei Müller | person | picture 73 bytes\n"
              "Yui Nakamura | org - | person | picture 73 bytes");
    EXPECT_EQ(result.people.at(1).picture, kRedPng);
}

TEST(VCardReader, EightBitTextThatIsNotUtf8IsReadAsLatin1) {
    std::string card = crlf(
        "BEGIN:VCARD\n"
        "VERSION:2.1\n"
        "N;CHARSET=ISO-8859-1:M\xFCller;Ren\xE9\n"
        "END:VCARD\n");
    VCardReader::Result result = VCardReader::read(card);
    EXPECT_EQ(describe(result.people), "René Müller | org - | person");
}

TEST(VCardReader, AByteOrderMarkBeforeTheFirstCardIsSkipped) {
    // As Windows programs save UTF-8 text.
    VCardReader::Result result = VCardReader::read("\xEF\xBB\xBF" + crlf("BEGIN:VCARD\nVERSION:3.0\nN:Lee;Ann\nEND:VCARD\n"));
    EXPECT_EQ(result.errors, Errors{});
    EXPECT_EQ(describe(result.people), "Ann Lee | org - | person");
}

TEST(VCardReader, ReadsSeveralCardsInTextOrderWithEscapesAndAnyCase) {
    // LF line ends, blank lines between cards, lower-case names.
    std::string cards =
        "BEGIN:VCARD\n"
        "VERSION:3.0\n"
        "N:Doe\\, Jr.;John;;;\n"
        "ORG:Smith\\; Jones;Tax\n"
        "END:VCARD\n"
        "\n"
        "begin:vcard\n"
        "version:4.0\n"
        "n:García Márquez;Ana,Sofía;;;\n"
        "fn:Ana Sofía García Márquez\n"
        "end:vcard\n"
        "\n\n"
        "BEGIN:VCARD\n"
        "VERSION:3.0\n"
        "N:;Émile\n"
        "END:VCARD";
    VCardReader::Result result = VCardReader::read(cards);
    EXPECT_EQ(result.errors, Errors{});
    EXPECT_EQ(describe(result.people),
              "John Doe, Jr. | org Smith; Jones | person\n"
              "Ana Sofía García Márquez | org - | person\n"
              "Émile - | org - | person");
}

TEST(VCardReader, ACardWithOnlyAFormattedNameTakesTheNamesFromIt) {
    std::string cards = crlf(
        "BEGIN:VCARD\nVERSION:4.0\nFN:Ann Lee\nEND:VCARD\n"
        "BEGIN:VCARD\nVERSION:4.0\nFN:Ludwig van Beethoven\nEND:VCARD\n"
        "BEGIN:VCARD\nVERSION:4.0\nFN:Madonna\nEND:VCARD\n"
        // N present but empty, FN a person working for a company.
        "BEGIN:VCARD\nVERSION:3.0\nN:;;;;\nFN:Grace Hopper\nORG:US Navy\nEND:VCARD\n");
    VCardReader::Result result = VCardReader::read(cards);
    EXPECT_EQ(result.errors, Errors{});
    EXPECT_EQ(describe(result.people),
              "Ann Lee | org - | person\n"
              "Ludwig van Beethoven | org - | person\n"
              "Madonna - | org - | person\n"
              "Grace Hopper | org US Navy | person");
}

TEST(VCardReader, ACardThatNamesOnlyAnOrganizationIsAnOrganization) {
    std::string card = crlf("BEGIN:VCARD\nVERSION:3.0\nN:;;;;\nORG:City Water Board\nEND:VCARD\n");
    EXPECT_EQ(describe(VCardReader::read(card).people), "- - | org City Water Board | organization");
}

TEST(VCardReader, ACardWithNoNameAtAllIsReadWithEmptyNamesAndAStableIdentifier) {
    std::string nameless = crlf("BEGIN:VCARD\nVERSION:3.0\nTEL:+1 555 0100\nEND:VCARD\n");
    std::string other = crlf("BEGIN:VCARD\nVERSION:3.0\nTEL:+1 555 0199\nEND:VCARD\n");
    VCardReader::Result first = VCardReader::read(nameless);
    EXPECT_EQ(first.errors, Errors{});
    ASSERT_EQ(first.people.size(), 1u);
    EXPECT_EQ(describe(first.people[0]), "- - | org - | person");
    EXPECT_EQ(first.people[0].displayName(), "");

    // Without a UID the identifier follows the card's text: reading the file
    // again finds the same person, another card gets another identifier.
    EXPECT_EQ(first.people[0].identifier.rfind("vcard-", 0), 0u);
    EXPECT_EQ(VCardReader::read(nameless).people.at(0).identifier, first.people[0].identifier);
    EXPECT_NE(VCardReader::read(other).people.at(0).identifier, first.people[0].identifier);
}

TEST(VCardReader, PhotosThatCannotBeShownAreLeftOutWithoutAnError) {
    std::string cards = crlf(
        // A photo by link: nothing is fetched.
        "BEGIN:VCARD\nVERSION:3.0\nN:Lee;Ann\nPHOTO;VALUE=uri:https://example.com/ann.jpg\nEND:VCARD\n"
        "BEGIN:VCARD\nVERSION:4.0\nN:Lee;Bo\nPHOTO:http://example.com/bo.png\nEND:VCARD\n"
        // A GIF ("GIF89a" in base64).
        "BEGIN:VCARD\nVERSION:3.0\nN:Lee;Cy\nPHOTO;ENCODING=b;TYPE=GIF:R0lGODlh\nEND:VCARD\n");
    VCardReader::Result result = VCardReader::read(cards);
    EXPECT_EQ(result.errors, Errors{});
    EXPECT_EQ(describe(result.people),
              "Ann Lee | org - | person\n"
              "Bo Lee | org - | person\n"
              "Cy Lee | org - | person");
}

TEST(VCardReader, AJpegPhotoIsPassedOnAsItsBytes) {
    // "/9j/4AAQSkZJRg==" is the start of a JFIF file: FF D8 FF E0 00 10 "JFIF".
    std::string card = crlf("BEGIN:VCARD\nVERSION:3.0\nN:Lee;Ann\nPHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRg==\nEND:VCARD\n");
    VCardReader::Result result = VCardReader::read(card);
    ASSERT_EQ(result.people.size(), 1u);
    EXPECT_EQ(result.people[0].picture,
              (std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F'}));
}

TEST(VCardReader, GroupCardsAreNotPeople) {
    std::string cards = crlf(
        "BEGIN:VCARD\nVERSION:4.0\nKIND:group\nFN:Book Club\nMEMBER:urn:uuid:03a0e51f\nEND:VCARD\n"
        "BEGIN:VCARD\nVERSION:3.0\nN:;;;;\nFN:Family\nX-ADDRESSBOOKSERVER-KIND:group\nEND:VCARD\n"
        "BEGIN:VCARD\nVERSION:4.0\nFN:Ann Lee\nEND:VCARD\n");
    VCardReader::Result result = VCardReader::read(cards);
    EXPECT_EQ(result.errors, Errors{});
    EXPECT_EQ(describe(result.people), "Ann Lee | org - | person");
}

// --- Broken and hostile input -----------------------------------------------

TEST(VCardReader, ABrokenCardIsRefusedWithItsLineAndTheOthersAreKept) {
    struct Case {
        std::string text;
        Errors errors;
        std::string people;
    };
    const std::string ann = "BEGIN:VCARD\nVERSION:3.0\nN:Lee;Ann\nEND:VCARD\n";  // lines 1-4
    std::vector<Case> cases = {
        {"BEGIN:VCARD\nVERSION:3.0\nN:Lee;Ann\nFN:Ann Lee\nORG:Acme\nTEL:+1 555 0100\nNOTE:no end\n",
         {"line 7: END:VCARD missing for the card that began on line 1"},
         ""},
        // The next BEGIN shows where the unclosed card ended; the next card is read.
        {"BEGIN:VCARD\nVERSION:3.0\nN:Okafor;Chidi\n" + ann,
         {"line 4: END:VCARD missing for the card that began on line 1"},
         "Ann Lee | org - | person"},
        {"BEGIN:VCARD\nVERSION:3.0\nPHOTO;ENCODING=b:iVBOR*w0KGgo=\nEND:VCARD\n" + ann,
         {"line 3: PHOTO is not valid base64"},
         "Ann Lee | org - | person"},
        {"BEGIN:VCARD\nVERSION:3.0\nPHOTO;ENCODING=b:iVBORw0KGgo=AAAA\nEND:VCARD\n",
         {"line 3: PHOTO is not valid base64"},
         ""},
        // A cut photo: 11 digits and two "=" do not make whole groups of four.
        {"BEGIN:VCARD\nVERSION:3.0\nPHOTO;ENCODING=b:iVBORw0KGgo==\nEND:VCARD\n",
         {"line 3: PHOTO is not valid base64"},
         ""},
        {"BEGIN:VCARD\nVERSION:4.0\nPHOTO:data:image/png;base64;iVBORw0KGgo=\nEND:VCARD\n",
         {"line 3: PHOTO is a data URI without ','"},
         ""},
        {ann + "BEGIN:VCARD\nVERSION:3.0\nthis line has no colon\nEND:VCARD\n",
         {"line 7: property line has no ':'"},
         "Ann Lee | org - | person"},
        {"BEGIN:VCARD\nVERSION:3.0\n:Lee;Ann\nEND:VCARD\n", {"line 3: property line has no name"}, ""},
        {"BEGIN:VCARD\nVERSION:3.0\nFULL NAME:Ann Lee\nEND:VCARD\n",
         {"line 3: property name holds characters other than letters, digits and '-'"},
         ""},
        {"BEGIN:VCARD\nVERSION:3.0\nN;X-NOTE=\"open quote:Lee;Ann\nEND:VCARD\n",
         {"line 3: unterminated quoted parameter value"},
         ""},
        {"BEGIN:VCARD\nVERSION:5.0\nN:Lee;Ann\nEND:VCARD\n",
         {"line 2: vCard version \"5.0\" is not read (2.1, 3.0 and 4.0 are)"},
         ""},
        {ann + "END:VCARD\n", {"line 5: END:VCARD without BEGIN:VCARD"}, "Ann Lee | org - | person"},
        // Text before the first card is reported once, at its first line.
        {"Contacts exported 2023-05-01\nby Example Mail\n\n" + ann,
         {"line 1: expected BEGIN:VCARD"},
         "Ann Lee | org - | person"},
        // A misspelt BEGIN: its lines and END are one stretch of stray text.
        {"BEGN:VCARD\nN:Okafor;Chidi\nEND:VCARD\n" + ann, {"line 1: expected BEGIN:VCARD"}, "Ann Lee | org - | person"},
        // The first error of a card is the one reported.
        {"BEGIN:VCARD\nVERSION:3.0\nPHOTO;ENCODING=b:@@@@\nno colon\n",
         {"line 3: PHOTO is not valid base64"},
         ""},
    };
    for (const Case& c : cases) {
        VCardReader::Result result = VCardReader::read(c.text);
        EXPECT_EQ(result.errors, c.errors) << c.text;
        EXPECT_EQ(describe(result.people), c.people) << c.text;
    }
}

TEST(VCardReader, BinaryJunkIsRefusedWithOneMessage) {
    std::string junk = bytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\x01\0\xff\xfe\xfd:;\n\n\x7f\x80\x81\0BEGIN\n");
    VCardReader::Result result = VCardReader::read(junk);
    EXPECT_EQ(result.errors, Errors{"line 1: expected BEGIN:VCARD"});
    EXPECT_TRUE(result.people.empty());

    // Junk inside a card refuses that card only.
    std::string card = "BEGIN:VCARD\nVERSION:3.0\n" + bytes("\0\x01\xff\xfe junk\n") + "END:VCARD\n" +
                       "BEGIN:VCARD\nVERSION:3.0\nN:Lee;Ann\nEND:VCARD\n";
    result = VCardReader::read(card);
    EXPECT_EQ(result.errors, Errors{"line 3: property line has no ':'"});
    EXPECT_EQ(describe(result.people), "Ann Lee | org - | person");

    // Names never carry control characters or invalid UTF-8 onwards.
    result = VCardReader::read(std::string("BEGIN:VCARD\nN:Le\x01" "e;A\tnn\\n\nEND:VCARD\n"));
    EXPECT_EQ(describe(result.people), "A nn Le e | org - | person");
}

TEST(VCardReader, Utf16TextIsRefusedWithTheReason) {
    std::string utf16 = bytes("\xFF\xFE" "B\0E\0G\0I\0N\0");
    EXPECT_EQ(VCardReader::read(utf16).errors,
              Errors{"the vCard data is UTF-16 text; only UTF-8 (or 8-bit) text is read"});
}

TEST(VCardReader, LimitsRefuseOversizeInput) {
    // A photo of 11 MiB against the usual 10 MiB.
    std::string big = "BEGIN:VCARD\nVERSION:3.0\nN:Lee;Ann\nPHOTO;ENCODING=b:" +
                      std::string((size_t{11} << 20) / 3 * 4, 'A') + "\nEND:VCARD\n";
    VCardReader::Result result = VCardReader::read(big);
    EXPECT_EQ(result.errors, Errors{"line 4: PHOTO is larger than 10 MiB"});
    EXPECT_TRUE(result.people.empty());

    // The picture limit is inclusive: the 73-byte PNG fits 73 bytes, not 72.
    std::string withPhoto = "BEGIN:VCARD\nN:Lee;Ann\nPHOTO;ENCODING=b:" + std::string(kRedPngBase64) + "\nEND:VCARD\n";
    VCardReader::Limits limits;
    limits.maxPictureBytes = 73;
    EXPECT_EQ(VCardReader::read(withPhoto, limits).people.size(), 1u);
    limits.maxPictureBytes = 72;
    EXPECT_EQ(VCardReader::read(withPhoto, limits).errors, Errors{"line 3: PHOTO is larger than 72 bytes"});

    limits = {};
    limits.maxTextBytes = 1024;
    EXPECT_EQ(VCardReader::read(std::string(1025, ' '), limits).errors,
              Errors{"the vCard data is larger than 1 KiB"});
    EXPECT_EQ(VCardReader::read(std::string(1024, ' '), limits).errors, Errors{});
}

TEST(VCardReader, ManyCardsOrErrorsStopAtTheirLimits) {
    std::string card = "BEGIN:VCARD\nN:Lee;Ann\nEND:VCARD\n";  // 3 lines
    VCardReader::Limits limits;
    limits.maxCards = 2;
    VCardReader::Result result = VCardReader::read(card + card + card, limits);
    EXPECT_EQ(result.people.size(), 2u);
    EXPECT_EQ(result.errors, Errors{"line 7: more than 2 cards; the rest is not read"});

    std::string broken = "BEGIN:VCARD\nno colon\nEND:VCARD\n";
    limits = {};
    limits.maxErrors = 2;
    result = VCardReader::read(broken + broken + broken + broken + card, limits);
    EXPECT_EQ(result.errors, (Errors{"line 2: property line has no ':'", "line 5: property line has no ':'",
                                     "and 2 more errors"}));
    EXPECT_EQ(result.people.size(), 1u);
}

}  // namespace
}  // namespace tallo
