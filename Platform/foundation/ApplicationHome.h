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
    // Makes the home ready for the program: every folder above that exists
    // is a folder, every file the program keeps there (the store, the
    // second store file, the settings, the calendar) that exists is a plain
    // file, and the missing folders are made. False with one message naming
    // the path and what is wrong ("…/Documents is a file, not a folder"),
    // having changed nothing, when the home cannot be used.
    bool prepare(std::string* error) const;

    static const char* version();

private:
    std::string path_;
};

}  // namespace tallo
