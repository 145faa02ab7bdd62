#pragma once
// Bundle: where the program's resources are (the model, the default
// categories, the currency list, string tables, pictures). It is the folder
// named by $TALLO_RESOURCES, else the Resources/ folder of the source tree the
// program was built from. Tests and tools may point it elsewhere.

#include <optional>
#include <string>

namespace tallo {

class Bundle {
public:
    static std::string resourcePath();
    static void setResourcePath(const std::string& path);
    // The path of "<name>.<type>" in the resources when that file exists
    // ("DTCL", "tclf" → ".../Resources/DTCL.tclf"), else among the resources
    // the build made (the compiled model "Database2", "mom"); nothing otherwise.
    static std::optional<std::string> pathForResource(const std::string& name, const std::string& type);
};

}  // namespace tallo
