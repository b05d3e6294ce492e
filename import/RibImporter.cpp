#include "import/RibImporter.h"

#include "import/ModelImport.h"
#include "import/TextScanner.h"
#include "items/geometry/C3DObject.h"

#include <memory>
#include <string_view>
#include <vector>

namespace import {
namespace {

using items::C3DObject;
using items::RibRecord;

constexpr std::string_view kPunctuation = "[]";
constexpr std::string_view kPoints = "\"P\"";
constexpr std::string_view kNormals = "\"N\"";

class RibReader {
public:
    RibReader(std::span<const std::uint8_t> bytes, C3DObject& root)
        : scanner_(bytes, kPunctuation), root_(root) {}

    int run();

private:
    // What ended a statement: the statement itself, an "AttributeEnd" inside it, "WorldEnd"
    // inside it or the end of the bytes.
    enum class End { Statement, AttributeEnd, WorldEnd, Bytes };

    void beginAttributes();
    void endAttributes();
    End readColour();
    End readPolygon(RibRecord::Type type);
    // A keyword of the world that ends whatever statement is being read.
    static bool endsStatement(std::string_view token) {
        return token == "AttributeBegin" || token == "AttributeEnd" || token == "WorldEnd" ||
               token == "Color" || token == "GeneralPolygon" || token == "PointsPolygons";
    }

    TextScanner scanner_;
    C3DObject& root_;
    // The open attribute blocks: each one's node, or none for a block nested deeper than a
    // stored tree may hold (its statements go to the deepest node that exists).
    std::vector<C3DObject*> blocks_;
};

void RibReader::beginAttributes() {
    C3DObject* parent = blocks_.empty() ? &root_ : blocks_.back();
    if (blocks_.size() >= static_cast<std::size_t>(items::kMaxNodeDepth)) {
        blocks_.push_back(parent);
        return;
    }
    C3DObject& node = parent->createChild();
    node.setRibPolygons(std::make_unique<items::CRIB_Attribute>(&node));
    blocks_.push_back(&node);
}

void RibReader::endAttributes() {
    if (!blocks_.empty()) {
        blocks_.pop_back();
    }
}

RibReader::End RibReader::readColour() {
    RibRecord record;
    record.type = RibRecord::Colour;
    float rgb[3] = {};
    int count = 0;
    // "Color [r g b]" or, as RIB also allows, "Color r g b".
    const auto first = scanner_.peek();
    const bool bracketed = first && *first == "[";
    if (bracketed) {
        scanner_.next();
    }
    for (;;) {
        const auto token = scanner_.peek();
        if (!token) {
            return End::Bytes;
        }
        if (*token == "AttributeEnd" || *token == "WorldEnd") {
            return End::Statement; // left for the block, which closes without the colour
        }
        if (bracketed && *token == "]") {
            scanner_.next();
            break;
        }
        if (!bracketed && (count == 3 || !isNumber(*token))) {
            break;
        }
        if (endsStatement(*token) || *token == "[") {
            break;
        }
        scanner_.next();
        if (count < 3) {
            rgb[count] = static_cast<float>(toNumber(*token));
        }
        ++count;
    }
    if (count < 3 && !bracketed) {
        return End::Statement;
    }
    record.r = rgb[0];
    record.g = rgb[1];
    record.b = rgb[2];
    blocks_.back()->ribPolygons()->addRecord(std::move(record));
    return End::Statement;
}

RibReader::End RibReader::readPolygon(RibRecord::Type type) {
    RibRecord record;
    record.type = type;
    // The list the next "[" opens: the two integer lists in turn, the points after "P", the
    // normals after "N"; the lists of any other parameter are skipped.
    enum class List { None, First, Second, Points, Normals, Skipped };
    List target = List::None;
    List open = List::None;
    int integerLists = 0;
    bool sawPoints = false;
    for (;;) {
        const auto token = scanner_.peek();
        if (!token || endsStatement(*token)) {
            break;
        }
        scanner_.next();
        if (*token == kPoints || *token == kNormals) {
            target = *token == kPoints ? List::Points : List::Normals;
            continue;
        }
        if (*token == "[") {
            if (open != List::None) {
                continue; // a bracket inside a list adds nothing
            }
            if (target == List::None) {
                target = (integerLists < 2 && !sawPoints)
                             ? (integerLists++ == 0 ? List::First : List::Second)
                             : List::Skipped;
            }
            open = target;
            target = List::None;
            continue;
        }
        if (*token == "]") {
            const List closed = open;
            open = List::None;
            if (closed == List::Points) {
                sawPoints = true;
                if (type == RibRecord::GeneralPolygon) {
                    blocks_.back()->ribPolygons()->addRecord(std::move(record));
                    return End::Statement;
                }
            } else if (closed == List::Normals && type == RibRecord::PointsPolygons && sawPoints) {
                blocks_.back()->ribPolygons()->addRecord(std::move(record));
                return End::Statement;
            }
            continue;
        }
        if (open == List::None && *token != kNormals) {
            // A parameter name other than "P" and "N": its list is skipped.
            target = List::Skipped;
        }
        switch (open) {
        case List::First:
            record.vertexCounts.push_back(toInteger(*token));
            break;
        case List::Second:
            record.vertexIndices.push_back(toInteger(*token));
            break;
        case List::Points:
            record.points.push_back(static_cast<float>(toNumber(*token)));
            break;
        case List::Normals:
            record.normals.push_back(static_cast<float>(toNumber(*token)));
            break;
        case List::None:
        case List::Skipped:
            break;
        }
    }
    // Points polygons whose statement ends without a closed normal list are kept all the same;
    // their polygons are drawn with face normals.
    if (type == RibRecord::PointsPolygons && sawPoints) {
        record.normals.clear();
        blocks_.back()->ribPolygons()->addRecord(std::move(record));
    }
    return End::Statement;
}

int RibReader::run() {
    // Header: everything up to "WorldBegin".
    for (;;) {
        const auto token = scanner_.next();
        if (!token || *token == "WorldEnd") {
            return kImportBadHeader;
        }
        if (*token == "WorldBegin") {
            break;
        }
    }
    while (const auto token = scanner_.next()) {
        if (*token == "WorldEnd") {
            break;
        }
        if (*token == "AttributeBegin") {
            beginAttributes();
        } else if (*token == "AttributeEnd") {
            endAttributes();
        } else if (blocks_.empty()) {
            continue; // statements outside attribute blocks are not read
        } else if (*token == "Color") {
            readColour();
        } else if (*token == "GeneralPolygon") {
            readPolygon(RibRecord::GeneralPolygon);
        } else if (*token == "PointsPolygons") {
            readPolygon(RibRecord::PointsPolygons);
        }
    }
    root_.releaseVertexArrays();
    return kImportEnd;
}

} // namespace

int importRib(std::span<const std::uint8_t> bytes, items::C3DObject* target) {
    if (target == nullptr) {
        return kImportFailed;
    }
    RibReader reader(bytes, *target);
    return reader.run();
}

} // namespace import
