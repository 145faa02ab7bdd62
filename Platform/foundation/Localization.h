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

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tallo {

class Localization {
public:
    static std::string localizedString(std::string_view english);

    // Parses a strings table. On broken input answers nothing and says where
    // in `error` ("line 3: expected '=' after the key").
    static std::optional<std::map<std::string, std::string>> parseStringsTable(std::string_view text,
                                                                               std::string* error = nullptr);
    // Forgets the loaded tables (after the resources changed).
    static void reload();
};

inline std::string L(std::string_view english) { return Localization::localizedString(english); }

}  // namespace tallo
