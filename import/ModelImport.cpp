#include "import/ModelImport.h"

#include "image/FileBytes.h"
#include "import/DxfImporter.h"
#include "import/RibImporter.h"
#include "import/VrmlImporter.h"
#include "items/C3DItemObject.h"
#include "items/geometry/C3DObject.h"

#include <algorithm>
#include <cctype>
#include <new>
#include <string>

namespace import {
namespace {

int runReader(ModelFormat format, std::span<const std::uint8_t> bytes, items::C3DObject* node) {
    switch (format) {
    case ModelFormat::Vrml:
        return importVrml(bytes, node);
    case ModelFormat::Dxf:
        return importDxf(bytes, node);
    case ModelFormat::Rib:
        return importRib(bytes, node);
    }
    return kImportFailed;
}

// Whether a face-set face list holds a face of three or four points.
bool hasDrawableFace(const items::CIndexedFaceSet& faceSet) {
    std::size_t points = 0;
    for (const std::int32_t index : faceSet.coordIndices()) {
        if (index == -1) {
            if (points == 3 || points == 4) {
                return true;
            }
            points = 0;
        } else if (index >= 0 && static_cast<std::size_t>(index) < faceSet.pointCount()) {
            ++points;
        }
    }
    return false;
}

bool nodeHasGeometry(const items::C3DObject& node, int depth) {
    if (!node.primitives().empty()) {
        return true;
    }
    if (node.faceSet() != nullptr && hasDrawableFace(*node.faceSet())) {
        return true;
    }
    if (node.dxfFaces() != nullptr) {
        for (const items::DxfFace& face : node.dxfFaces()->faces()) {
            if (face.vertices.size() >= 3) {
                return true;
            }
        }
    }
    if (node.ribPolygons() != nullptr) {
        for (const items::RibRecord& record : node.ribPolygons()->records()) {
            if (record.type != items::RibRecord::Colour && record.points.size() >= 9) {
                return true;
            }
        }
    }
    if (depth >= items::kMaxNodeDepth) {
        return false;
    }
    return std::any_of(node.children().begin(), node.children().end(),
                       [depth](const auto& child) { return nodeHasGeometry(*child, depth + 1); });
}

} // namespace

bool formatFromExtension(const std::filesystem::path& path, ModelFormat& format) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".wrl" || extension == ".vrml") {
        format = ModelFormat::Vrml;
    } else if (extension == ".rib") {
        format = ModelFormat::Rib;
    } else if (extension == ".dxf") {
        format = ModelFormat::Dxf;
    } else {
        return false;
    }
    return true;
}

int importModel(ModelFormat format, std::span<const std::uint8_t> bytes, items::C3DObject* node) {
    if (node == nullptr) {
        return kImportFailed;
    }
    node->clear();
    int result = kImportFailed;
    try {
        result = runReader(format, bytes, node);
    } catch (const std::bad_alloc&) {
        result = kImportFailed;
    } catch (const std::length_error&) {
        result = kImportFailed;
    }
    if (!importSucceeded(result)) {
        node->clear();
    } else {
        node->resetSizeCounts();
    }
    return result;
}

int importModelFile(ModelFormat format, const std::filesystem::path& path, items::C3DObject* node) {
    if (node == nullptr) {
        return kImportFailed;
    }
    const auto bytes = image::readFileBytes(path);
    if (!bytes) {
        node->clear();
        return kImportFailed;
    }
    return importModel(format, *bytes, node);
}

void registerModelImporter() {
    items::setModelImporter(
        [](int type, const std::filesystem::path& path, items::C3DObject& root) {
            if (type != static_cast<int>(ModelFormat::Vrml) &&
                type != static_cast<int>(ModelFormat::Dxf)) {
                return false;
            }
            return importSucceeded(importModelFile(static_cast<ModelFormat>(type), path, &root));
        });
}

bool hasImportedGeometry(const items::C3DObject& root) {
    return nodeHasGeometry(root, 0);
}

} // namespace import
