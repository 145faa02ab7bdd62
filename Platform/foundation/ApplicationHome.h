#pragma once
// ApplicationHome: the folder that holds everything the program keeps:
//   Documents/             the store (TalloMobile2.sqlite) and calendar file
//   Library/Preferences/   the user defaults
//   Library/Caches/
// It is the --home argument when given, else $TALLO_HOME, else
// ~/.local/share/tallo. The folders are made when first needed.

#include <string>

namespace tallo {

class ApplicationHome {
public:
    // `commandLineHome` empty means "not given on the command line".
    static ApplicationHome resolve(const std::string& commandLineHome = {});
    // The home the program uses: set once at launch (tests set a temporary
    // one); resolve() with no command-line home until then.
    static ApplicationHome current();
    static void setCurrent(const ApplicationHome& home);
    explicit ApplicationHome(std::string path) : path_(std::move(path)) {}

    const std::string& path() const { return path_; }
    std::string documentsPath() const;
    std::string preferencesPath() const;
    std::string cachesPath() const;
    // Makes the folders above; false with a message in `error` when it cannot.
    bool createFolders(std::string* error = nullptr) const;

    static const char* version();

private:
    std::string path_;
};

}  // namespace tallo
