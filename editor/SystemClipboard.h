#pragma once
#include "editing/Clipboard.h"

class QString;

namespace editor {

// The MIME type under which a registered format name travels: application/x-zarnolt-<name>.
QString mimeTypeFor(std::string_view format);

// The editing clipboard backed by the system clipboard. Payloads are bytes under their MIME
// type; whatever else lies on the clipboard is left to other programs.
class SystemClipboard final : public editing::Clipboard {
public:
    void put(std::string_view format, std::span<const std::uint8_t> payload) override;
    std::optional<std::vector<std::uint8_t>> take(std::string_view format) const override;
    // Whether the clipboard offers the format, without fetching its bytes (cheap enough for
    // the command updates).
    bool offers(std::string_view format) const;
};

} // namespace editor
