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
    if (diacriticInsensitive) {
        UErrorCode status = U_ZERO_ERROR;
        const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
        if (U_SUCCESS(status)) {
            icu::UnicodeString decomposed = nfd->normalize(unicode, status);
            if (U_SUCCESS(status)) {
                icu::UnicodeString bare;
                for (int32_t i = 0; i < decomposed.length();) {
                    UChar32 c = decomposed.char32At(i);
                    if (u_charType(c) != U_NON_SPACING_MARK) bare.append(c);
                    i += U16_LENGTH(c);
                }
                unicode = bare;
            }
        }
    }
    if (caseInsensitive) unicode.foldCase();
    std::string out;
    unicode.toUTF8String(out);
    return out;
}

}  // namespace tallo
