#include "import/VrmlImporter.h"

#include "import/ModelImport.h"
#include "import/TextScanner.h"
#include "items/geometry/C3DObject.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace import {
namespace {

using items::C3DObject;
using items::CIndexedFaceSet;

constexpr std::string_view kHeader = "#VRML";
constexpr std::string_view kPunctuation = ",[]{}";

bool isOpen(std::string_view token) {
    return token == "{" || token == "[";
}
bool isClose(std::string_view token) {
    return token == "}" || token == "]";
}
bool isPunctuationToken(std::string_view token) {
    return token == "," || isOpen(token) || isClose(token);
}
// The words whose bracket opens a new level of the tree.
bool opensNode(std::string_view word) {
    return word == "children" || word == "Transform" || word == "Shape";
}

// How the words between brackets are read. The scans for transforms, coordinate lists and
// everything else run until the end of the bytes once started, so the scan last dispatched is
// the one in force; primitives, index lists, textures and materials are read to their own
// closing bracket and then hand back to it.
enum class Mode { General, Transform, Coordinate, TextureCoordinate };

class VrmlReader {
public:
    VrmlReader(std::span<const std::uint8_t> bytes, C3DObject& root)
        : scanner_(bytes, kPunctuation), root_(root), current_(&root),
          copyBudget_(bytes.size() * 4 + (std::size_t{1} << 20)) {}

    int run();

private:
    struct Level {
        std::string word;
        bool createdNode = false;
    };
    struct Definition {
        std::string field;
        CIndexedFaceSet* faceSet = nullptr;
    };

    // Takes the next token, keeping the name stack and the tree's levels in step with the
    // brackets; nothing at the end of the bytes.
    std::optional<std::string_view> take();
    void open(std::string_view word);
    void close();

    void dispatch(std::string_view word);
    void generalWord(std::string_view word);
    void transformWord(std::string_view word);
    void coordinateWord(std::string_view word);

    // Reads a value unless the next token is punctuation or missing (commas are skipped).
    std::optional<std::string_view> value();
    // Reads up to `count` numbers into `out`, stopping at the first token that is not one
    // (left for the caller). Returns how many were read.
    int numbers(double* out, int count);
    // Reads tokens up to the closing bracket of the level that was open when called; brackets
    // opened inside are followed, values at the called level are passed to `onValue`.
    template <typename OnValue> void readToClose(OnValue onValue);

    void readPrimitive(std::string_view kind);
    void readPointList(bool texture);
    void readIndexList(bool texture);
    void readPixelTexture();
    void readMaterial();
    void registerPendingDefinition(std::string_view field);
    void beforeFaceSetReplaced(CIndexedFaceSet* old);
    void copyFromDefinition(std::string_view name);

    TextScanner scanner_;
    C3DObject& root_;
    C3DObject* current_;
    int depth_ = 0;
    CIndexedFaceSet* faceSet_ = nullptr;
    std::vector<Level> names_;
    std::map<std::string, Definition, std::less<>> definitions_;
    // Face sets replaced while a definition still named them, kept so the name stays usable.
    std::vector<std::unique_ptr<CIndexedFaceSet>> keptDefinitions_;
    std::string pendingDefinition_;
    std::string pendingDefinitionField_;
    std::string pendingUseField_;
    Mode mode_ = Mode::General;
    // Components that USE may still copy; bounds what a small file can make the reader
    // allocate by naming a large list many times.
    std::size_t copyBudget_;
};

std::optional<std::string_view> VrmlReader::take() {
    const auto token = scanner_.next();
    if (!token) {
        return token;
    }
    if (isOpen(*token)) {
        open(scanner_.previous());
    } else if (isClose(*token)) {
        close();
    }
    return token;
}

void VrmlReader::open(std::string_view word) {
    Level level{std::string(word), false};
    // Nesting beyond what a stored tree may hold keeps its bracket but adds no level.
    if (opensNode(word) && depth_ < items::kMaxNodeDepth) {
        current_ = &current_->createChild();
        ++depth_;
        level.createdNode = true;
    }
    names_.push_back(std::move(level));
}

void VrmlReader::close() {
    if (names_.empty()) {
        return;
    }
    const bool createdNode = names_.back().createdNode;
    names_.pop_back();
    if (createdNode && depth_ >= 1 && current_->parent() != nullptr) {
        current_ = current_->parent();
        --depth_;
    }
}

std::optional<std::string_view> VrmlReader::value() {
    for (;;) {
        const auto token = scanner_.peek();
        if (!token || isOpen(*token) || isClose(*token)) {
            return std::nullopt;
        }
        take();
        if (*token != ",") {
            return token;
        }
    }
}

int VrmlReader::numbers(double* out, int count) {
    int read = 0;
    while (read < count) {
        auto token = scanner_.peek();
        while (token && *token == ",") {
            take();
            token = scanner_.peek();
        }
        if (!token || !isNumber(*token)) {
            break;
        }
        take();
        out[read++] = toNumber(*token);
    }
    return read;
}

template <typename OnValue> void VrmlReader::readToClose(OnValue onValue) {
    const std::size_t level = names_.size();
    while (const auto token = take()) {
        if (names_.size() < level) {
            return; // our own bracket closed
        }
        if (names_.size() == level && !isPunctuationToken(*token)) {
            onValue(*token);
        }
    }
}

int VrmlReader::run() {
    // The header: the first line must start with "#VRML"; the rest of it, however long, is not
    // examined.
    scanner_.skipLine();
    while (const auto token = take()) {
        if (isOpen(*token)) {
            dispatch(scanner_.previous());
            continue;
        }
        if (isPunctuationToken(*token)) {
            if (mode_ == Mode::Coordinate || mode_ == Mode::TextureCoordinate) {
                registerPendingDefinition(mode_ == Mode::Coordinate ? "coord" : "texCoord");
            }
            continue;
        }
        switch (mode_) {
        case Mode::General:
            generalWord(*token);
            break;
        case Mode::Transform:
            transformWord(*token);
            break;
        case Mode::Coordinate:
        case Mode::TextureCoordinate:
            coordinateWord(*token);
            break;
        }
    }
    root_.releaseVertexArrays();
    return kImportEnd;
}

void VrmlReader::dispatch(std::string_view word) {
    if (word == "Transform") {
        mode_ = Mode::Transform;
    } else if (word == "Box" || word == "Sphere" || word == "Cylinder") {
        readPrimitive(word);
    } else if (word == "IndexedFaceSet") {
        if (depth_ >= 1) {
            auto faceSet = std::make_unique<CIndexedFaceSet>(current_);
            CIndexedFaceSet* created = faceSet.get();
            beforeFaceSetReplaced(current_->faceSet());
            current_->setFaceSet(std::move(faceSet));
            faceSet_ = created;
        } else {
            faceSet_ = nullptr; // a face set outside any shape is dropped with its lists
        }
        mode_ = Mode::General;
    } else if (word == "Coordinate") {
        mode_ = Mode::Coordinate;
    } else if (word == "TextureCoordinate") {
        mode_ = Mode::TextureCoordinate;
    } else if (word == "coordIndex" || word == "texCoordIndex") {
        readIndexList(word == "texCoordIndex");
    } else if (word == "PixelTexture") {
        readPixelTexture();
    } else if (word == "Material") {
        readMaterial();
    } else if (mode_ == Mode::Coordinate || mode_ == Mode::TextureCoordinate) {
        // "point" is read by the coordinate scan itself; other brackets inside it are
        // scanned like any block.
        if (word == "point") {
            registerPendingDefinition(mode_ == Mode::Coordinate ? "coord" : "texCoord");
            readPointList(mode_ == Mode::TextureCoordinate);
        } else {
            mode_ = Mode::General;
        }
    } else {
        mode_ = Mode::General;
    }
}

void VrmlReader::generalWord(std::string_view word) {
    if (word == "DEF") {
        pendingDefinitionField_ = std::string(scanner_.previous());
        if (const auto name = value()) {
            pendingDefinition_ = std::string(*name);
        }
    } else if (word == "USE") {
        pendingUseField_ = std::string(scanner_.previous());
        if (const auto name = value()) {
            copyFromDefinition(*name);
        }
    }
}

void VrmlReader::transformWord(std::string_view word) {
    if (word == "translation" || word == "scale") {
        double v[3] = {};
        if (numbers(v, 3) == 3) {
            const items::Vec3d vector{v[0], v[1], v[2]};
            if (word == "translation") {
                current_->setTranslation(vector);
            } else {
                current_->setScale(vector);
            }
        }
    } else if (word == "DEF") {
        if (const auto name = value()) {
            current_->setDefinitionName(std::string(*name));
        }
    } else if (word == "USE") {
        if (const auto name = value()) {
            current_->setReferenceName(std::string(*name));
        }
    }
    // "rotation" keeps the node's rotation: its numbers are skipped as unknown words.
}

void VrmlReader::coordinateWord(std::string_view word) {
    if (word == "colorPerVertex" || word == "solid" || word == "ccw") {
        const auto token = value();
        const bool on = token && *token == "TRUE";
        if (faceSet_ != nullptr && token) {
            if (word == "colorPerVertex") {
                faceSet_->setColourPerVertex(on);
            } else if (word == "solid") {
                faceSet_->setSolid(on);
            } else {
                faceSet_->setCounterClockwise(on);
            }
        }
    } else if (word == "creaseAngle") {
        double angle = 0.0;
        if (numbers(&angle, 1) == 1 && faceSet_ != nullptr) {
            faceSet_->setCreaseAngle(angle);
        }
    } else if (word == "DEF" || word == "USE") {
        generalWord(word);
    }
}

void VrmlReader::readPrimitive(std::string_view kind) {
    double size[3] = {1.0, 1.0, 1.0};
    double radius = 1.0;
    double height = 1.0;
    std::string_view field;
    int position = 0;
    // A field name is followed by its values (three for a box's size, one for a radius or a
    // height); a value that is not a number reads as 0.
    readToClose([&](std::string_view token) {
        if (kind == "Box" && field == "size" && position < 3) {
            size[position++] = toNumber(token);
        } else if (kind != "Box" && field == "radius" && position < 1) {
            radius = toNumber(token);
            ++position;
        } else if (kind == "Cylinder" && field == "height" && position < 1) {
            height = toNumber(token);
            ++position;
        } else {
            field = token;
            position = 0;
        }
    });
    if (depth_ < 1) {
        return;
    }
    if (kind == "Box") {
        current_->addPrimitive(items::CPrimitive::box(size[0], size[1], size[2]));
    } else if (kind == "Sphere") {
        current_->addPrimitive(items::CPrimitive::sphere(radius, 16));
    } else {
        current_->addPrimitive(items::CPrimitive::cylinder(radius, 16, height));
    }
}

void VrmlReader::readPointList(bool texture) {
    readToClose([&](std::string_view token) {
        if (faceSet_ == nullptr) {
            return;
        }
        if (texture) {
            faceSet_->addTexCoordinate(toNumber(token));
        } else {
            faceSet_->addCoordinate(toNumber(token));
        }
    });
}

void VrmlReader::readIndexList(bool texture) {
    readToClose([&](std::string_view token) {
        if (faceSet_ == nullptr) {
            return;
        }
        if (texture) {
            faceSet_->addTexCoordIndex(toInteger(token));
        } else {
            faceSet_->addCoordIndex(toInteger(token));
        }
    });
}

void VrmlReader::readPixelTexture() {
    items::CPixelTexture* texture = nullptr;
    if (depth_ >= 1) {
        current_->setTexture(0, std::make_unique<items::CPixelTexture>(current_));
        texture = current_->texture(0);
    }
    bool inImage = false;
    std::size_t position = 0;
    std::int32_t size[3] = {};
    bool allocated = false;
    readToClose([&](std::string_view token) {
        if (texture == nullptr) {
            return;
        }
        if (!inImage) {
            inImage = token == "image";
            return;
        }
        if (position < 3) {
            size[position] = toInteger(token);
            if (position == 2) {
                // Each pixel needs at least two bytes of text (a digit and a separator), so a
                // size the rest of the file cannot fill is not allocated.
                const std::uint64_t pixels = static_cast<std::uint64_t>(std::max(size[0], 0)) *
                                             static_cast<std::uint64_t>(std::max(size[1], 0));
                if (size[2] >= 1 && size[2] <= 4 && pixels <= scanner_.remaining() / 2 + 1 &&
                    texture->setWidth(size[0]) && texture->setHeight(size[1]) &&
                    texture->setComponents(size[2])) {
                    allocated = texture->allocatePixels();
                }
            }
            ++position;
            return;
        }
        if (allocated) {
            const std::uint32_t value = toPixelValue(token);
            std::uint8_t pixel[4] = {};
            const int components = size[2];
            for (int i = 0; i < components; ++i) {
                pixel[i] = static_cast<std::uint8_t>(value >> (8 * (components - 1 - i)));
            }
            texture->setPixel(position - 3, std::span<const std::uint8_t>(
                                                pixel, static_cast<std::size_t>(components)));
        }
        ++position;
    });
}

void VrmlReader::readMaterial() {
    bool inColour = false;
    int component = 0;
    readToClose([&](std::string_view token) {
        if (token == "diffuseColor") {
            inColour = true;
            component = 0;
            return;
        }
        // The colour takes the numbers that follow it (R, G, B and an optional A); the next
        // field's name ends it.
        if (!inColour || component >= 4 || !isNumber(token)) {
            inColour = false;
            return;
        }
        current_->setColourComponent(component++, toNumber(token));
    });
}

void VrmlReader::registerPendingDefinition(std::string_view field) {
    if (pendingDefinition_.empty() || pendingDefinitionField_ != field || faceSet_ == nullptr) {
        return;
    }
    definitions_[pendingDefinition_] = Definition{pendingDefinitionField_, faceSet_};
    pendingDefinition_.clear();
}

void VrmlReader::beforeFaceSetReplaced(CIndexedFaceSet* old) {
    if (old == nullptr) {
        return;
    }
    CIndexedFaceSet* copy = nullptr;
    for (auto& [name, definition] : definitions_) {
        if (definition.faceSet != old) {
            continue;
        }
        if (copy == nullptr) {
            auto kept = std::make_unique<CIndexedFaceSet>();
            kept->copyCoordinatesFrom(*old);
            kept->copyTexCoordinatesFrom(*old);
            copy = kept.get();
            keptDefinitions_.push_back(std::move(kept));
        }
        definition.faceSet = copy;
    }
}

void VrmlReader::copyFromDefinition(std::string_view name) {
    const auto found = definitions_.find(name);
    if (found == definitions_.end() || faceSet_ == nullptr || found->second.faceSet == faceSet_) {
        return;
    }
    const CIndexedFaceSet& source = *found->second.faceSet;
    const bool coordinates = pendingUseField_ == "coord";
    const bool texCoordinates = pendingUseField_ == "texCoord";
    const std::size_t cost = coordinates      ? source.coordinates().size()
                             : texCoordinates ? source.texCoordinates().size()
                                              : 0;
    if (cost > copyBudget_) {
        return;
    }
    copyBudget_ -= cost;
    if (coordinates) {
        faceSet_->copyCoordinatesFrom(source);
    } else if (texCoordinates) {
        faceSet_->copyTexCoordinatesFrom(source);
    }
}

} // namespace

int importVrml(std::span<const std::uint8_t> bytes, items::C3DObject* target) {
    if (target == nullptr) {
        return kImportFailed;
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!text.starts_with(kHeader)) {
        return kImportBadHeader;
    }
    VrmlReader reader(bytes, *target);
    return reader.run();
}

} // namespace import
