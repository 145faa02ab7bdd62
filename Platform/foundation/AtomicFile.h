#pragma once
// Whole-file replacement that a crash cannot leave half written: the bytes go
// to "<path>.tmp" in the same folder, are flushed to disk, and the temporary
// file is then renamed over `path`. A reader sees the old file or the new one,
// never a mixture. The folder is made when missing.

#include <string>
#include <string_view>

namespace tallo {

// False with a message in `error` (naming the file and the system's reason)
// when the file could not be replaced; the old file is then untouched and no
// temporary file is left behind.
bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string& error);

// The pieces, for callers that do more between writing and renaming (check
// the file, flush it on another thread): writes `bytes` to a new file at
// `path` (mode 0600, replacing one there) and answers its open descriptor
// for the caller to flush and close; -1 with `error` set, and no file left,
// on failure.
int writeNewFile(const std::string& path, std::string_view bytes, std::string& error);
// Flushes `folder`'s entries, so a rename in it outlasts a power loss.
void syncFolder(const std::string& folder);

}  // namespace tallo
