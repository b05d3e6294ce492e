#include "import/DxfImporter.h"

#include "import/ModelImport.h"
#include "import/TextScanner.h"
#include "items/geometry/C3DObject.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>

namespace import {
namespace {

using items::C3DObject;

// The lines of a DXF file with the white space around them removed (CR LF, LF or CR ends a
// line); lines that start with "#" are comments and are left out.
class LineReader {
public:
    explicit LineReader(std::span<const std::uint8_t> bytes)
        : text_(reinterpret_cast<const char*>(bytes.data()), bytes.size()) {}

    std::optional<std::string_view> next() {
        while (position_ < text_.size()) {
            std::size_t end = position_;
            while (end < text_.size() && text_[end] != '\n' && text_[end] != '\r') {
                ++end;
            }
            std::string_view line = text_.substr(position_, end - position_);
            position_ = end;
            if (position_ < text_.size() && text_[position_] == '\r') {
                ++position_;
            }
            if (position_ < text_.size() && text_[position_] == '\n') {
                ++position_;
            }
            while (!line.empty() && static_cast<unsigned char>(line.front()) <= 0x20) {
                line.remove_prefix(1);
            }
            while (!line.empty() && static_cast<unsigned char>(line.back()) <= 0x20) {
                line.remove_suffix(1);
            }
            if (line.starts_with('#')) {
                continue;
            }
            return line;
        }
        return std::nullopt;
    }

private:
    std::string_view text_;
    std::size_t position_ = 0;
};

// The number of a group code line, or -1 for a line that is not a whole number.
int groupCode(std::string_view line) {
    if (line.empty() || line.size() > 6 ||
        !std::all_of(line.begin(), line.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return -1;
    }
    return toInteger(line);
}

std::int16_t colourNumber(std::string_view value) {
    const std::int32_t number = toInteger(value);
    return static_cast<std::int16_t>(
        std::clamp<std::int32_t>(number, std::numeric_limits<std::int16_t>::min(),
                                 std::numeric_limits<std::int16_t>::max()));
}

} // namespace

int importDxf(std::span<const std::uint8_t> bytes, items::C3DObject* target) {
    if (target == nullptr) {
        return kImportFailed;
    }
    LineReader lines(bytes);
    for (;;) {
        const auto line = lines.next();
        if (!line || *line == "EOF") {
            return kImportBadHeader;
        }
        if (*line == "SECTION") {
            break;
        }
    }
    target->setDxfFaces(std::make_unique<items::CDXF_3DFACE>(target));
    items::CDXF_3DFACE& faces = *target->dxfFaces();

    bool inFace = false;
    items::DxfFace face;
    items::Vec3d vertex;
    while (const auto line = lines.next()) {
        if (!inFace) {
            if (*line == "EOF") {
                break;
            }
            if (*line == "3DFACE") {
                inFace = true;
                face = {};
                vertex = {};
            }
            continue;
        }
        // Inside an entity the lines come in pairs: a group code, then its value.
        const int code = groupCode(*line);
        if (code == 0) {
            faces.addFace(std::move(face));
            face = {};
            inFace = false;
            continue; // the next line names the next entity
        }
        const auto value = lines.next();
        if (!value) {
            break;
        }
        if (code == 62) {
            face.colour = colourNumber(*value);
        } else if (code >= 10 && code <= 13) {
            vertex = {toNumber(*value), 0.0, 0.0};
        } else if (code >= 20 && code <= 23) {
            vertex.y = toNumber(*value);
        } else if (code >= 30 && code <= 33) {
            vertex.z = toNumber(*value);
            if (face.vertices.size() < items::CDXF_3DFACE::kMaxFaceVertices) {
                face.vertices.push_back(vertex);
            }
        }
    }
    // A face that the end of the file cut short is kept with the corners it has.
    if (inFace && !face.vertices.empty()) {
        faces.addFace(std::move(face));
    }
    target->releaseVertexArrays();
    return kImportEnd;
}

} // namespace import
