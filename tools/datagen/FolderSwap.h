#pragma once
#include <filesystem>
#include <functional>

namespace datagen {

// Writes a folder in one piece: `write` fills a sibling "<target>.partial" folder, which
// replaces `target` only when writing succeeded, so a failed run leaves the old folder as it
// was. `what` names the contents in the messages on stderr. False on any failure.
bool writeFolderInPlace(const std::filesystem::path& target,
                        const std::function<bool(const std::filesystem::path&)>& write,
                        const char* what);

} // namespace datagen
