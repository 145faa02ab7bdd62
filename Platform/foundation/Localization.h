#pragma once
// Localization: the program's texts in the person's language. The English
// text is the key: L("Uncategorized") looks it up in the string table of the
// current language and answers the English text when there is no table or no
// entry, so a missing translation shows English, never nothing.
//
// Tables are "<resources>/<language>.lproj/Localizable.strings", in the
// strings-table form:
//     /* comment */  // comment
//     "Uncategorized" = "Ohne Kategorie";
// with the escapes \" \\ \n \t in quoted text. A broken table is reported
// once on standard error with its line and then ignored as a whole, so the
// program falls back to English rather than showing half-translated screens.
// The table follows Locale: a change of locale loads the new language.
//
// One English word can carry two senses that other languages tell apart
// ("Security": a passcode's, or a stock's). L("Security", "investment") looks
// up the key "Security|investment" and falls back to plain "Security".

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tallo {

class Localization {
public:
    static std::string localizedString(std::string_view english);
    // The text of `english` in the sense `sense`: the key "english|sense",
    // else the English text.
    static std::string localizedString(std::string_view english, std::string_view sense);

    // Parses a strings table. On broken input answers nothing and says where
    // in `error` ("line 3: expected '=' after the key").
    static std::optional<std::map<std::string, std::string>> parseStringsTable(std::string_view text,
                                                                               std::string* error = nullptr);
    // Forgets the loaded tables (after the resources changed).
    static void reload();
};

inline std::string L(std::string_view english) { return Localization::localizedString(english); }
inline std::string L(std::string_view english, std::string_view sense) {
    return Localization::localizedString(english, sense);
}

}  // namespace tallo
