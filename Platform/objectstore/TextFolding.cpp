#include "Platform/objectstore/TextFolding.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace tallo {

std::string foldText(std::string_view text, bool caseInsensitive, bool diacriticInsensitive) {
    bool ascii = true;
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        // Plain ASCII has no accents, and its case folding is tolower.
        std::string out(text);
        if (caseInsensitive) {
            for (char& c : out) {
                if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            }
        }
        return out;
    }
    icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    // Case first (so "İ" folds to "i" plus a mark the next step can drop),
    // then accents off the decomposed form, then composed again, so one text
    // compares alike however its accents were typed.
    if (caseInsensitive) unicode.foldCase();
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_SUCCESS(status)) {
        icu::UnicodeString decomposed = nfd->normalize(unicode, status);
        if (diacriticInsensitive && U_SUCCESS(status)) {
            icu::UnicodeString bare;
            for (int32_t i = 0; i < decomposed.length();) {
                UChar32 c = decomposed.char32At(i);
                if (u_charType(c) != U_NON_SPACING_MARK) bare.append(c);
                i += U16_LENGTH(c);
            }
            decomposed = bare;
        }
        if (U_SUCCESS(status)) {
            icu::UnicodeString composed = nfc->normalize(decomposed, status);
            if (U_SUCCESS(status)) unicode = composed;
        }
    }
    std::string out;
    unicode.toUTF8String(out);
    return out;
}

std::string firstCharacterUppercased(std::string_view text) {
    if (text.empty()) return {};
    unsigned char lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) return std::string(1, static_cast<char>(lead >= 'a' && lead <= 'z' ? lead - 'a' + 'A' : lead));
    size_t length = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 1;
    if (length > text.size()) return std::string(1, text[0]);
    icu::UnicodeString first = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(length)));
    if (first.length() == 0 || first.char32At(0) == 0xfffd) return std::string(1, text[0]);
    first.toUpper();
    std::string out;
    first.toUTF8String(out);
    return out;
}

}  // namespace tallo
