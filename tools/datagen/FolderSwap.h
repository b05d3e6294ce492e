#pragma once
#include <filesystem>
#include <functional>

namespace datagen {

using FolderCheck = std::function<bool(const std::filesystem::path&)>;

// Writes a folder in one piece: `write` fills a sibling "<target>.partial" folder, which
// replaces `target` only when writing succeeded, so a failed run leaves the old folder as it
// was. An existing `target` is replaced only when it is a folder that `mayReplace` accepts,
// so a mistyped argument cannot delete an unrelated folder. `what` names the contents in the
// messages on stderr. False on any failure.
bool writeFolderInPlace(const std::filesystem::path& target, const FolderCheck& mayReplace,
                        const FolderCheck& write, const char* what);

} // namespace datagen
