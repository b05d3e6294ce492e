#include "items/geometry/C3DObject.h"

#include "platform/ByteReader.h"

#include <algorithm>
#include <limits>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

namespace items {

namespace {

// The process-wide registries. They are never destroyed, so that nodes destroyed during
// static destruction can still leave them. One mutex guards both, so that trees may be built
// on more than one thread.
std::mutex& registryMutex() {
    static auto* mutex = new std::mutex();
    return *mutex;
}

std::unordered_set<const C3DObject*>& liveNodes() {
    static auto* nodes = new std::unordered_set<const C3DObject*>();
    return *nodes;
}

std::unordered_map<std::string, C3DObject*>& definitions() {
    static auto* names = new std::unordered_map<std::string, C3DObject*>();
    return *names;
}

std::int32_t saturatedSum(std::int64_t a, std::int64_t b) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        a + b, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

void addCounts(SizeCounts& total, const SizeCounts& more) {
    total.vertices = saturatedSum(total.vertices, more.vertices);
    total.faces = saturatedSum(total.faces, more.faces);
}

Vec3d mul(const Vec3d& a, const Vec3d& b) {
    return {a.x * b.x, a.y * b.y, a.z * b.z};
}
Vec3d add(const Vec3d& a, const Vec3d& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

// The box with each corner multiplied by `scale` and moved by `offset`.
BoundingBox transformBox(const BoundingBox& box, const Vec3d& scale, const Vec3d& offset) {
    return {add(mul(box.min, scale), offset), add(mul(box.max, scale), offset)};
}

// Axes on which nothing was merged (still at the empty-box limits) become 0.
void zeroUntouchedAxes(BoundingBox& box) {
    for (double* value : {&box.min.x, &box.min.y, &box.min.z}) {
        if (*value == kEmptyBoxLimit) {
            *value = 0.0;
        }
    }
    for (double* value : {&box.max.x, &box.max.y, &box.max.z}) {
        if (*value == -kEmptyBoxLimit) {
            *value = 0.0;
        }
    }
}

void writeVec(platform::ByteWriter& writer, const Vec3d& value) {
    writer.f64(value.x);
    writer.f64(value.y);
    writer.f64(value.z);
}

Vec3d readVec(platform::ByteReader& reader) {
    Vec3d value;
    value.x = reader.f64();
    value.y = reader.f64();
    value.z = reader.f64();
    return value;
}

constexpr std::size_t kSectionTableOffset = 0x180;
constexpr std::size_t kOldSectionTableOffset = 0x068;

} // namespace

C3DObject::C3DObject() {
    std::lock_guard lock(registryMutex());
    liveNodes().insert(this);
}

C3DObject::~C3DObject() {
    unregisterDefinitionName();
    std::lock_guard lock(registryMutex());
    liveNodes().erase(this);
}

void C3DObject::setColourComponent(int index, double value) {
    if (index >= 0 && index < 4) {
        colour_[static_cast<std::size_t>(index)] = value;
    }
}

void C3DObject::setFlags(std::uint32_t mask, bool on) {
    flags_ = on ? (flags_ | mask) : (flags_ & ~mask);
}

C3DObject& C3DObject::root() {
    C3DObject* node = this;
    while (node->parent_ != nullptr) {
        node = node->parent_;
    }
    return *node;
}

const C3DObject& C3DObject::root() const {
    const C3DObject* node = this;
    while (node->parent_ != nullptr) {
        node = node->parent_;
    }
    return *node;
}

int C3DObject::depth() const {
    int depth = 0;
    for (const C3DObject* node = parent_; node != nullptr; node = node->parent_) {
        ++depth;
    }
    return depth;
}

C3DObject& C3DObject::createChild() {
    auto child = std::make_unique<C3DObject>();
    child->parent_ = this;
    children_.push_back(std::move(child));
    invalidateCounts();
    return *children_.back();
}

C3DObject* C3DObject::addChild(std::unique_ptr<C3DObject> child) {
    if (!child) {
        return nullptr;
    }
    if (child.get() == this || child->parent_ != nullptr) {
        (void)child.release(); // owned by its own tree
        return nullptr;
    }
    child->parent_ = this;
    children_.push_back(std::move(child));
    invalidateCounts();
    return children_.back().get();
}

void C3DObject::destroyChildren() {
    children_.clear();
    invalidateCounts();
}

bool C3DObject::overrideColour(OverrideColour& out) const {
    const OverrideColour& colour = root().overrideColour_;
    if (colour.isZero()) {
        return false;
    }
    out = colour;
    return true;
}

void C3DObject::overrideColourFloats(std::array<float, 3>& rgb) const {
    const OverrideColour& colour = root().overrideColour_;
    if (colour.isZero()) {
        return;
    }
    rgb = {colour.r / 65535.0f, colour.g / 65535.0f, colour.b / 65535.0f};
}

bool C3DObject::setDetailLevel(std::int32_t level) {
    C3DObject& top = root();
    if (top.detailLevel_ == level) {
        return false;
    }
    top.detailLevel_ = level;
    return true;
}

const CPrimitive* C3DObject::addPrimitive(const CPrimitive& primitive) {
    if (primitive.type() == 0) {
        return nullptr;
    }
    primitives_.push_back(primitive);
    invalidateCounts();
    return &primitives_.back();
}

void C3DObject::setFaceSet(std::unique_ptr<CIndexedFaceSet> faceSet) {
    faceSet_ = std::move(faceSet);
    if (faceSet_) {
        faceSet_->setOwner(this);
    }
    invalidateCounts();
}

void C3DObject::setTexture(int number, std::unique_ptr<CPixelTexture> texture) {
    if (!texture) {
        textures_.erase(number);
        return;
    }
    texture->setOwner(this);
    textures_[number] = std::move(texture);
}

CPixelTexture* C3DObject::addTexture(std::unique_ptr<CPixelTexture> texture) {
    if (!texture) {
        return nullptr;
    }
    const int number = textures_.empty() ? 0 : textures_.rbegin()->first + 1;
    CPixelTexture* added = texture.get();
    setTexture(number, std::move(texture));
    return added;
}

CPixelTexture* C3DObject::texture(int number) const {
    auto found = textures_.find(number);
    return found == textures_.end() ? nullptr : found->second.get();
}

CPixelTexture* C3DObject::firstDrawableTexture() const {
    for (const auto& [number, texture] : textures_) {
        if (texture->hasImageData()) {
            return texture.get();
        }
    }
    return nullptr;
}

bool C3DObject::allTexturesReady() const {
    for (const auto& [number, texture] : textures_) {
        if (!texture->ready()) {
            return false;
        }
    }
    return std::all_of(children_.begin(), children_.end(),
                       [](const auto& child) { return child->allTexturesReady(); });
}

void C3DObject::setDxfFaces(std::unique_ptr<CDXF_3DFACE> faces) {
    dxfFaces_ = std::move(faces);
    if (dxfFaces_) {
        dxfFaces_->setOwner(this);
    }
}

void C3DObject::setRibPolygons(std::unique_ptr<CRIB_Attribute> polygons) {
    ribPolygons_ = std::move(polygons);
    if (ribPolygons_) {
        ribPolygons_->setOwner(this);
    }
}

void C3DObject::setDefinitionName(std::string name) {
    unregisterDefinitionName();
    definitionName_ = std::move(name);
    if (!definitionName_.empty()) {
        std::lock_guard lock(registryMutex());
        definitions()[definitionName_] = this;
    }
}

void C3DObject::unregisterDefinitionName() {
    if (definitionName_.empty()) {
        return;
    }
    std::lock_guard lock(registryMutex());
    auto& names = definitions();
    auto found = names.find(definitionName_);
    if (found != names.end() && found->second == this) {
        names.erase(found);
    }
    definitionName_.clear();
}

C3DObject* C3DObject::findDefinition(std::string_view name) {
    std::lock_guard lock(registryMutex());
    auto& names = definitions();
    auto found = names.find(std::string(name));
    if (found == names.end() || !liveNodes().contains(found->second)) {
        return nullptr;
    }
    return found->second;
}

bool C3DObject::isLive(const C3DObject* node) {
    if (node == nullptr) {
        return false;
    }
    std::lock_guard lock(registryMutex());
    return liveNodes().contains(node);
}

void C3DObject::invalidateCounts() {
    for (C3DObject* node = this; node != nullptr; node = node->parent_) {
        node->cachedCounts_ = {};
    }
}

SizeCounts C3DObject::sizeCounts() const {
    if (cachedCounts_.vertices != 0 || cachedCounts_.faces != 0) {
        return cachedCounts_;
    }
    SizeCounts total;
    for (const CPrimitive& primitive : primitives_) {
        addCounts(total, primitive.sizeCounts());
    }
    if (faceSet_) {
        addCounts(total, faceSet_->sizeCounts());
    }
    for (const auto& child : children_) {
        addCounts(total, child->sizeCounts());
    }
    cachedCounts_ = total;
    return total;
}

BoundingBox C3DObject::localBounds() const {
    BoundingBox box = kEmptyBox;
    if (dxfFaces_) {
        mergeBox(box, dxfFaces_->bounds());
    }
    if (ribPolygons_) {
        mergeBox(box, ribPolygons_->bounds());
    }
    if (faceSet_) {
        mergeBox(box, faceSet_->bounds());
    }
    for (const CPrimitive& primitive : primitives_) {
        mergeBox(box, primitive.bounds());
    }
    for (const auto& child : children_) {
        mergeBox(box, child->localBounds());
    }
    zeroUntouchedAxes(box);
    return transformBox(box, scale_, translation_);
}

BoundingBox C3DObject::bounds(double scale, const Vec3d& offset) const {
    return transformBox(localBounds(), {scale, scale, scale}, offset);
}

void C3DObject::collectPartBoxes(double scale, const Vec3d& offset,
                                 std::vector<std::pair<int, BoundingBox>>& out) const {
    collectPartBoxes(Vec3d{scale, scale, scale}, offset, out);
}

void C3DObject::collectPartBoxes(const Vec3d& scale, const Vec3d& offset,
                                 std::vector<std::pair<int, BoundingBox>>& out) const {
    const BoundingBox box = transformBox(localBounds(), scale, offset);
    bool differs = children_.empty();
    if (!differs) {
        BoundingBox childBox = kEmptyBox;
        for (const auto& child : children_) {
            mergeBox(childBox, child->localBounds());
        }
        childBox = transformBox(transformBox(childBox, scale_, translation_), scale, offset);
        differs = childBox != box;
    }
    if (differs) {
        out.emplace_back(depth(), box);
    }
    const Vec3d innerScale = mul(scale, scale_);
    const Vec3d innerOffset = add(offset, mul(scale, translation_));
    for (const auto& child : children_) {
        child->collectPartBoxes(innerScale, innerOffset, out);
    }
}

TreeCounts C3DObject::treeCounts() const {
    TreeCounts counts;
    counts.nodes = 1;
    counts.primitives = primitives_.size();
    if (faceSet_) {
        counts.faceSets = 1;
        counts.points = faceSet_->pointCount();
    }
    counts.textures = textures_.size();
    counts.dxfFaces = dxfFaces_ ? dxfFaces_->faces().size() : 0;
    counts.ribRecords = ribPolygons_ ? ribPolygons_->records().size() : 0;
    for (const auto& child : children_) {
        const TreeCounts inner = child->treeCounts();
        counts.nodes += inner.nodes;
        counts.primitives += inner.primitives;
        counts.faceSets += inner.faceSets;
        counts.points += inner.points;
        counts.textures += inner.textures;
        counts.dxfFaces += inner.dxfFaces;
        counts.ribRecords += inner.ribRecords;
    }
    return counts;
}

void C3DObject::releaseVertexArrays() {
    if (faceSet_) {
        faceSet_->releaseVertexArray();
    }
    for (const auto& child : children_) {
        child->releaseVertexArrays();
    }
}

void C3DObject::clear() {
    unregisterDefinitionName();
    referenceName_.clear();
    children_.clear();
    primitives_.clear();
    faceSet_.reset();
    textures_.clear();
    backEndTexture_ = 0;
    dxfFaces_.reset();
    ribPolygons_.reset();
    translation_ = {};
    rotationAxis_ = {};
    scale_ = {1.0, 1.0, 1.0};
    rotationAngle_ = 0.0;
    colour_ = {1.0, 1.0, 1.0, 1.0};
    flags_ = 0;
    invalidateCounts();
}

LoadStatus C3DObject::load(std::span<const std::uint8_t> block) {
    return loadAtDepth(block, 0);
}

LoadStatus C3DObject::loadAtDepth(std::span<const std::uint8_t> block, int depth) {
    platform::ByteReader reader(block);
    if (block.size() < kHeaderSize || !reader.tag(kNodeTag)) {
        return LoadStatus::Refused;
    }
    const std::uint32_t length = reader.u32();
    const std::uint32_t version = reader.u32();
    if (version > kCurrentVersion || length < kHeaderSize) {
        return LoadStatus::Refused;
    }
    clear();
    bool clean = true;
    if (length > block.size()) {
        clean = false;
    } else {
        block = block.first(length);
    }
    reader = platform::ByteReader(block);
    std::uint32_t starts[5] = {};
    reader.seek(0x010);
    if (version == kCurrentVersion) {
        translation_ = readVec(reader);
        rotationAxis_ = readVec(reader);
        scale_ = readVec(reader);
        rotationAngle_ = reader.f64();
        for (double& component : colour_) {
            component = reader.f64();
        }
        flags_ = reader.u32();
        detailLevel_ = reader.i32();
        reader.seek(kSectionTableOffset);
    } else if (version == kOldVersion) {
        translation_ = readVec(reader);
        rotationAxis_ = readVec(reader);
        rotationAngle_ = reader.f64();
        for (double& component : colour_) {
            component = reader.f64();
        }
        detailLevel_ = 0;
        reader.seek(kOldSectionTableOffset);
    } else {
        reader.seek(kSectionTableOffset);
    }
    for (std::uint32_t& start : starts) {
        start = reader.u32();
    }
    loadSections(block, starts, depth, clean);
    return clean ? LoadStatus::Loaded : LoadStatus::Damaged;
}

void C3DObject::loadSections(std::span<const std::uint8_t> block, const std::uint32_t (&starts)[5],
                             int depth, bool& clean) {
    const auto end = static_cast<std::uint32_t>(block.size());
    const std::uint32_t dxfStart = starts[4];
    const std::uint32_t ends[5] = {starts[1], starts[2], starts[3], dxfStart != 0 ? dxfStart : end,
                                   end};
    // A section is used only when it lies after the header and inside the block.
    const auto section = [&](int index) -> std::span<const std::uint8_t> {
        const std::uint32_t from = starts[index];
        const std::uint32_t to = ends[index];
        if (from < kHeaderSize || from > to || to > end) {
            clean = false;
            return {};
        }
        return block.subspan(from, to - from);
    };

    // Children: nested node blocks, each one's length field stepping to the next.
    {
        const auto bytes = section(0);
        std::size_t pos = 0;
        while (pos < bytes.size()) {
            std::uint32_t childLength = 0;
            if (!platform::ByteReader::peekU32(bytes, pos + 4, childLength) ||
                childLength < kHeaderSize || childLength > bytes.size() - pos ||
                depth + 1 > kMaxNodeDepth) {
                clean = false;
                break;
            }
            auto child = std::make_unique<C3DObject>();
            child->parent_ = this;
            const LoadStatus status =
                child->loadAtDepth(bytes.subspan(pos, childLength), depth + 1);
            if (status == LoadStatus::Refused) {
                clean = false;
                break;
            }
            clean &= status == LoadStatus::Loaded;
            children_.push_back(std::move(child));
            pos += childLength;
        }
    }

    // Primitives: 144-byte "Prmv" blocks; records of type 0 are dropped as when added.
    {
        platform::ByteReader reader(section(1));
        while (!reader.atEnd()) {
            CPrimitive primitive;
            if (!CPrimitive::load(reader, primitive)) {
                clean = false;
                break;
            }
            addPrimitive(primitive);
        }
    }

    // Face set: one "IxFS" block or nothing.
    {
        const auto bytes = section(2);
        if (!bytes.empty()) {
            auto faceSet = std::make_unique<CIndexedFaceSet>(this);
            const LoadStatus status = faceSet->load(bytes);
            if (status == LoadStatus::Refused) {
                clean = false;
            } else {
                clean &= status == LoadStatus::Loaded;
                setFaceSet(std::move(faceSet));
            }
        }
    }

    // Textures: "PxTx" blocks, each one's length field stepping to the next.
    {
        const auto bytes = section(3);
        std::size_t pos = 0;
        while (pos < bytes.size()) {
            std::uint32_t textureLength = 0;
            if (!platform::ByteReader::peekU32(bytes, pos + 4, textureLength) ||
                textureLength < CPixelTexture::kHeaderSize || textureLength > bytes.size() - pos) {
                clean = false;
                break;
            }
            auto texture = std::make_unique<CPixelTexture>(this);
            const LoadStatus status = texture->load(bytes.subspan(pos, textureLength));
            if (status == LoadStatus::Refused) {
                clean = false;
                break;
            }
            clean &= status == LoadStatus::Loaded;
            addTexture(std::move(texture));
            pos += textureLength;
        }
    }

    // DXF faces: one "Dx3D" block when the section table names one.
    if (dxfStart != 0) {
        const auto bytes = section(4);
        if (!bytes.empty()) {
            auto faces = std::make_unique<CDXF_3DFACE>(this);
            const LoadStatus status = faces->load(bytes);
            if (status == LoadStatus::Refused) {
                clean = false;
            } else {
                clean &= status == LoadStatus::Loaded;
                setDxfFaces(std::move(faces));
            }
        }
    }
}

std::vector<std::uint8_t> C3DObject::save() const {
    platform::ByteWriter writer;
    save(writer);
    return writer.take();
}

void C3DObject::save(platform::ByteWriter& writer) const {
    const std::size_t base = writer.size();
    writer.tag(kNodeTag);
    writer.u32(0); // total length, patched below
    writer.u32(kCurrentVersion);
    writer.u32(0);
    writeVec(writer, translation_);
    writeVec(writer, rotationAxis_);
    writeVec(writer, scale_);
    writer.f64(rotationAngle_);
    for (double component : colour_) {
        writer.f64(component);
    }
    writer.u32(flags_);
    writer.i32(detailLevel_);
    writer.padTo(base + kHeaderSize);

    const auto here = [&] { return static_cast<std::uint32_t>(writer.size() - base); };
    std::uint32_t starts[5] = {};
    starts[0] = here();
    for (const auto& child : children_) {
        child->save(writer);
    }
    starts[1] = here();
    for (const CPrimitive& primitive : primitives_) {
        primitive.save(writer);
    }
    starts[2] = here();
    if (faceSet_) {
        faceSet_->save(writer);
    }
    starts[3] = here();
    for (const auto& [number, texture] : textures_) {
        texture->save(writer);
    }
    if (dxfFaces_) {
        starts[4] = here();
        dxfFaces_->save(writer);
    }
    writer.patchU32(base + 4, here());
    for (std::size_t i = 0; i < 5; ++i) {
        writer.patchU32(base + kSectionTableOffset + 4 * i, starts[i]);
    }
}

} // namespace items
