#include "Classes/ledger/TLPayee.h"

#include <sstream>
#include <vector>

#include "Classes/store/TLDatabase.h"
#include "Classes/store/TLImageRecord.h"
#include "Classes/values/TLFormatter.h"
#include "Platform/contacts/Person.h"
#include "Platform/graphics/Image.h"

namespace tallo {

namespace {

constexpr int kPictureSide = 100;

// The person's picture as the payee keeps it, or nothing when it cannot be read.
std::optional<Bytes> payeePicture(const std::vector<uint8_t>& photo) {
    auto picture = Image::decode(photo);
    auto mask = Image::loadResource("placeholder_mask.png");
    if (!picture || !mask) return std::nullopt;
    return picture->scaledTo(kPictureSide, kPictureSide).masked(*mask).encodePNG();
}

}  // namespace

void TLPayee::awakeFromInsert() { setUuid(generateUniqueID()); }

TLPicture TLPayee::getImageSmall(bool small) const {
    if (imageRecord() != nullptr) return TLPicture::stored(imageRecord());
    if (iscompany().value_or(false)) return TLPicture::named(small ? "company.png" : "company@2x.png");
    return TLPicture::named(small ? "payee.png" : "payee@2x.png");
}

void TLPayee::initializeNilNames() {
    if (!firstname()) setFirstname("");
    if (!lastname()) setLastname("");
    if (!company()) setCompany("");
}

std::string TLPayee::getRepresentationString() {
    initializeNilNames();
    std::vector<std::string> words =
        iscompany().value_or(false) ? std::vector<std::string>{*company()} : std::vector<std::string>{*firstname(), *lastname()};
    std::string text = TLFormatter::sentenceFromWords(words);
    return text.empty() ? " " : text;
}

bool TLPayee::getIsCompanyFromNames() {
    initializeNilNames();
    if (iscompany().value_or(false)) return !company()->empty();
    return firstname()->empty() && lastname()->empty() && !company()->empty();
}

void TLPayee::setNamesFromString(const std::string& text) {
    initializeNilNames();
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; std::getline(in, word, ' ');) {
        if (!word.empty()) words.push_back(word);
    }
    if (words.empty()) return;
    setFirstname(words[0]);
    if (words.size() >= 2) setLastname(words[1]);
    setRepresentationString(getRepresentationString());
}

TLPayee* TLPayee::createFromPerson(const Person& person) {
    TLDatabase& db = TLDatabase::sharedDatabase();
    auto* payee = static_cast<TLPayee*>(db.createObjectForEntity(kEntityName));
    if (payee == nullptr) return nullptr;
    if (person.firstName) payee->setFirstname(*person.firstName);
    if (person.lastName) payee->setLastname(*person.lastName);
    if (person.organization) payee->setCompany(*person.organization);
    payee->setIscompany(person.kind == Person::kOrganization);
    payee->setRepresentationString(payee->getRepresentationString());
    if (payee->representationString() == " ") {
        payee->setFirstname("Noname");
        payee->setRepresentationString(payee->getRepresentationString());
    }
    if (person.picture) {
        if (auto png = payeePicture(*person.picture)) {
            auto* record = static_cast<TLImageRecord*>(db.createObjectForEntity("ImageRecord"));
            record->setContent(*png);
            payee->setImageRecord(record);
        }
    }
    db.save();
    return payee;
}

}  // namespace tallo
