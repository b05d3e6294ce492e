#include "items/geometry/CIndexedFaceSet.h"

#include "items/geometry/C3DObject.h"
#include "platform/ByteReader.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace items {

namespace {

Vec3d operator-(const Vec3d& a, const Vec3d& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3d operator+(const Vec3d& a, const Vec3d& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3d operator*(const Vec3d& a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
double dot(const Vec3d& a, const Vec3d& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
double length(const Vec3d& a) {
    return std::sqrt(dot(a, a));
}

Vec3d cross(const Vec3d& a, const Vec3d& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// The unit vector along `a`, or the zero vector when `a` has no length.
Vec3d normalise(const Vec3d& a) {
    const double len = length(a);
    if (!(len > 0.0) || !std::isfinite(len)) {
        return {};
    }
    return a * (1.0 / len);
}

// Reads the big-endian 32-bit words of [start, end) of `block`; the span is cut to the block
// and to whole words. Returns false when anything had to be cut.
template <typename Add>
bool readWords(std::span<const std::uint8_t> block, std::uint32_t start, std::uint32_t end,
               Add add) {
    bool clean = true;
    if (end > block.size()) {
        end = static_cast<std::uint32_t>(block.size());
        clean = false;
    }
    if (start > end) {
        return false;
    }
    if ((end - start) % 4 != 0) {
        clean = false;
    }
    platform::ByteReader reader(block.subspan(start, end - start));
    while (reader.has(4)) {
        add(reader.u32());
    }
    return clean;
}

} // namespace

void CIndexedFaceSet::addCoordinate(double component) {
    switch (coordinates_.size() % 3) {
    case 0:
        bounds_.min.x = std::min(bounds_.min.x, component);
        bounds_.max.x = std::max(bounds_.max.x, component);
        break;
    case 1:
        bounds_.min.y = std::min(bounds_.min.y, component);
        bounds_.max.y = std::max(bounds_.max.y, component);
        break;
    default:
        bounds_.min.z = std::min(bounds_.min.z, component);
        bounds_.max.z = std::max(bounds_.max.z, component);
        break;
    }
    coordinates_.push_back(component);
}

void CIndexedFaceSet::addPoint(const Vec3d& point) {
    addCoordinate(point.x);
    addCoordinate(point.y);
    addCoordinate(point.z);
}

void CIndexedFaceSet::addTexCoordinate(double component) {
    texCoordinates_.push_back(component);
}
void CIndexedFaceSet::addCoordIndex(std::int32_t index) {
    coordIndices_.push_back(index);
}
void CIndexedFaceSet::addTexCoordIndex(std::int32_t index) {
    texCoordIndices_.push_back(index);
}

Vec3d CIndexedFaceSet::point(std::size_t index) const {
    if (index >= pointCount()) {
        return {};
    }
    return {coordinates_[3 * index], coordinates_[3 * index + 1], coordinates_[3 * index + 2]};
}

SizeCounts CIndexedFaceSet::sizeCounts() const {
    SizeCounts counts;
    for (std::int32_t index : coordIndices_) {
        if (index == -1) {
            ++counts.faces;
        } else {
            ++counts.vertices;
        }
    }
    return counts;
}

void CIndexedFaceSet::clear() {
    coordinates_.clear();
    texCoordinates_.clear();
    coordIndices_.clear();
    texCoordIndices_.clear();
    colourPerVertex_ = true;
    creaseAngle_ = 0.5;
    solid_ = true;
    counterClockwise_ = true;
    bounds_ = kEmptyBox;
    releaseVertexArray();
}

void CIndexedFaceSet::copyCoordinatesFrom(const CIndexedFaceSet& other) {
    coordinates_.clear();
    bounds_ = kEmptyBox;
    coordinates_.reserve(other.coordinates_.size());
    for (double component : other.coordinates_) {
        addCoordinate(component);
    }
    releaseVertexArray();
}

void CIndexedFaceSet::copyTexCoordinatesFrom(const CIndexedFaceSet& other) {
    texCoordinates_ = other.texCoordinates_;
    releaseVertexArray();
}

LoadStatus CIndexedFaceSet::load(std::span<const std::uint8_t> block) {
    platform::ByteReader header(block);
    if (block.size() < kHeaderSize || !header.tag(kFaceSetTag)) {
        return LoadStatus::Refused;
    }
    const std::uint32_t length = header.u32();
    std::array<std::uint32_t, 5> starts{};
    for (auto& start : starts) {
        start = header.u32();
    }
    clear();
    bool clean = true;
    if (length < kHeaderSize || length > block.size()) {
        clean = false;
    } else {
        block = block.first(length);
    }
    const auto asFloat = [](std::uint32_t bits) {
        return static_cast<double>(std::bit_cast<float>(bits));
    };
    // Each span lies inside the block, so reserving for it never exceeds a quarter of the bytes
    // present.
    const auto wordsIn = [&](std::uint32_t from, std::uint32_t to) -> std::size_t {
        return from < to && to <= block.size() ? (to - from) / 4 : 0;
    };
    coordinates_.reserve(wordsIn(starts[0], starts[1]));
    texCoordinates_.reserve(wordsIn(starts[1], starts[2]));
    coordIndices_.reserve(wordsIn(starts[2], starts[3]));
    texCoordIndices_.reserve(wordsIn(starts[3], starts[4]));
    clean &= readWords(block, starts[0], starts[1],
                       [&](std::uint32_t bits) { addCoordinate(asFloat(bits)); });
    clean &= readWords(block, starts[1], starts[2],
                       [&](std::uint32_t bits) { addTexCoordinate(asFloat(bits)); });
    clean &= readWords(block, starts[2], starts[3],
                       [&](std::uint32_t bits) { addCoordIndex(static_cast<std::int32_t>(bits)); });
    clean &= readWords(block, starts[3], starts[4], [&](std::uint32_t bits) {
        addTexCoordIndex(static_cast<std::int32_t>(bits));
    });
    return clean ? LoadStatus::Loaded : LoadStatus::Damaged;
}

void CIndexedFaceSet::save(platform::ByteWriter& writer) const {
    const std::size_t base = writer.size();
    const auto coordinatesStart = static_cast<std::uint32_t>(kHeaderSize);
    const auto texStart = static_cast<std::uint32_t>(coordinatesStart + 4 * coordinates_.size());
    const auto indexStart = static_cast<std::uint32_t>(texStart + 4 * texCoordinates_.size());
    const auto texIndexStart = static_cast<std::uint32_t>(indexStart + 4 * coordIndices_.size());
    const auto end = static_cast<std::uint32_t>(texIndexStart + 4 * texCoordIndices_.size());
    writer.reserve(base + end);
    writer.tag(kFaceSetTag);
    writer.u32(end);
    writer.u32(coordinatesStart);
    writer.u32(texStart);
    writer.u32(indexStart);
    writer.u32(texIndexStart);
    writer.u32(end);
    writer.padTo(base + kHeaderSize);
    for (double component : coordinates_) {
        writer.f32(static_cast<float>(component));
    }
    for (double component : texCoordinates_) {
        writer.f32(static_cast<float>(component));
    }
    for (std::int32_t index : coordIndices_) {
        writer.i32(index);
    }
    for (std::int32_t index : texCoordIndices_) {
        writer.i32(index);
    }
}

Vec3d CIndexedFaceSet::faceNormal(const Vec3d& p0, const Vec3d& p1, const Vec3d& p2) {
    const Vec3d a = normalise(p1 - p0);
    const Vec3d b = normalise(p2 - p0);
    return normalise(cross(a, b));
}

bool CIndexedFaceSet::isBentQuad(std::span<const Vec3d, 4> p) {
    const Vec3d first = faceNormal(p[0], p[1], p[2]);
    const Vec3d second = faceNormal(p[1], p[2], p[3]);
    return length(first - second) > 1.0;
}

Vec3d CIndexedFaceSet::faceNormal(std::span<const Vec3d> points) {
    if (points.size() == 3) {
        return faceNormal(points[0], points[1], points[2]);
    }
    if (points.size() == 4) {
        if (isBentQuad(std::span<const Vec3d, 4>(points.data(), 4))) {
            return faceNormal(points[2], points[3], points[0]);
        }
        return faceNormal(points[0], points[1], points[2]);
    }
    return {};
}

std::vector<std::vector<Vec3d>> CIndexedFaceSet::faceNormalsPerCoordinate(double scale) const {
    std::vector<std::vector<Vec3d>> lists(pointCount());
    std::vector<Vec3d> points;
    std::vector<std::int32_t> indices;
    for (std::int32_t index : coordIndices_) {
        if (index == -1) {
            if (points.size() >= 2) {
                const Vec3d normal = faceNormal(points);
                if (length(normal) > 0.0) {
                    for (std::int32_t used : indices) {
                        lists[static_cast<std::size_t>(used)].push_back(normal);
                    }
                }
            }
            points.clear();
            indices.clear();
        } else if (index >= 0 && static_cast<std::size_t>(index) < pointCount()) {
            points.push_back(point(static_cast<std::size_t>(index)) * scale);
            indices.push_back(index);
        }
    }
    return lists;
}

Vec3d CIndexedFaceSet::vertexNormal(std::int32_t index, const Vec3d& face,
                                    const std::vector<std::vector<Vec3d>>& normalLists) const {
    if (index < 0 || static_cast<std::size_t>(index) >= normalLists.size()) {
        return face;
    }
    Vec3d sum = face;
    bool smoothed = false;
    for (const Vec3d& normal : normalLists[static_cast<std::size_t>(index)]) {
        if (normal != face && dot(normal, face) > creaseAngle_) {
            sum = sum + normal;
            smoothed = true;
        }
    }
    return smoothed ? normalise(sum) : face;
}

void CIndexedFaceSet::buildVertexArray(double scale) {
    const bool textured = owner_ != nullptr && owner_->firstDrawableTexture() != nullptr;
    buildVertexArray(scale, textured);
}

void CIndexedFaceSet::buildVertexArray(double scale, bool textured) {
    if (vertexArrayBuilt_) {
        return;
    }
    const auto normalLists = faceNormalsPerCoordinate(scale);
    std::vector<Vec3d> points;
    std::vector<std::int32_t> indices;
    std::vector<std::array<double, 2>> uvs;
    vertices_.clear();
    // At most six vertices per five index entries (a quad and its terminator).
    vertices_.reserve(coordIndices_.size() / 5 * 6 + 6);

    const auto emitFace = [&] {
        const std::size_t n = points.size();
        if (n != 3 && n != 4) {
            return;
        }
        const Vec3d face = faceNormal(points[0], points[1], points[2]);
        std::array<Vec3d, 4> normals;
        for (std::size_t i = 0; i < n; ++i) {
            normals[i] = vertexNormal(indices[i], face, normalLists);
        }
        if (uvs.empty()) {
            static constexpr std::array<std::array<double, 2>, 4> kCorners{
                {{0.0, 0.0}, {1.0, 0.0}, {1.0, 1.0}, {0.0, 1.0}}};
            uvs.assign(kCorners.begin(), kCorners.begin() + static_cast<std::ptrdiff_t>(n));
        }
        const bool withUv = uvs.size() == n;
        const auto emit = [&](std::size_t i) {
            FaceSetVertex v;
            v.x = static_cast<float>(points[i].x);
            v.y = static_cast<float>(points[i].y);
            v.z = static_cast<float>(points[i].z);
            v.nx = static_cast<float>(normals[i].x);
            v.ny = static_cast<float>(normals[i].y);
            v.nz = static_cast<float>(normals[i].z);
            if (withUv) {
                v.u = static_cast<float>(uvs[i][0]);
                v.v = static_cast<float>(uvs[i][1]);
            }
            vertices_.push_back(v);
        };
        static constexpr std::array<std::size_t, 3> kTriangle{0, 1, 2};
        static constexpr std::array<std::size_t, 6> kQuad{0, 1, 2, 2, 3, 0};
        static constexpr std::array<std::size_t, 6> kBentQuad{3, 0, 1, 1, 2, 3};
        if (n == 3) {
            for (std::size_t i : kTriangle) {
                emit(i);
            }
        } else {
            const bool bent = isBentQuad(std::span<const Vec3d, 4>(points.data(), 4));
            for (std::size_t i : bent ? kBentQuad : kQuad) {
                emit(i);
            }
        }
    };

    for (std::size_t k = 0; k < coordIndices_.size(); ++k) {
        const std::int32_t index = coordIndices_[k];
        if (index == -1) {
            if (points.size() >= 2) {
                emitFace();
            }
            points.clear();
            indices.clear();
            uvs.clear();
            continue;
        }
        if (index < 0 || static_cast<std::size_t>(index) >= pointCount()) {
            continue;
        }
        points.push_back(point(static_cast<std::size_t>(index)) * scale);
        indices.push_back(index);
        if (textured && k < texCoordIndices_.size()) {
            const std::int32_t uv = texCoordIndices_[k];
            if (uv >= 0 && static_cast<std::size_t>(uv) < texCoordCount()) {
                const std::size_t at = 2 * static_cast<std::size_t>(uv);
                uvs.push_back({texCoordinates_[at], texCoordinates_[at + 1]});
            }
        }
    }
    vertexArrayBuilt_ = true;
}

void CIndexedFaceSet::releaseVertexArray() {
    vertices_.clear();
    vertices_.shrink_to_fit();
    vertexArrayBuilt_ = false;
}

} // namespace items
