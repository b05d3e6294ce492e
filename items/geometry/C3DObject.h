#pragma once
#include "items/geometry/CDXF_3DFACE.h"
#include "items/geometry/CIndexedFaceSet.h"
#include "items/geometry/CPixelTexture.h"
#include "items/geometry/CPrimitive.h"
#include "items/geometry/CRIB_Attribute.h"
#include "items/geometry/GeometryTypes.h"
#include "platform/ByteWriter.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace items {

// The root's override colour: 16-bit R, G, B (0-65535) and a spare word; all zero means no
// override.
struct OverrideColour {
    std::uint16_t r = 0;
    std::uint16_t g = 0;
    std::uint16_t b = 0;
    std::uint16_t spare = 0;

    bool isZero() const { return r == 0 && g == 0 && b == 0; }
    friend bool operator==(const OverrideColour&, const OverrideColour&) = default;
};

// Counts over a whole tree, for summaries such as the item command of the CLI.
struct TreeCounts {
    std::size_t nodes = 0;
    std::size_t primitives = 0;
    std::size_t faceSets = 0;
    std::size_t points = 0; // whole points of all face sets
    std::size_t textures = 0;
    std::size_t dxfFaces = 0;
    std::size_t ribRecords = 0;
};

// One node of a geometry tree: a transform (translation and scale; the rotation is kept but
// not applied), a colour, flags, shape primitives, an indexed face set, textures, DXF faces,
// RIB polygons and owned children. The root also carries the settings of the whole model
// (override colour, use-colour flag, transparency flag, detail level).
//
// Nodes are neither copied nor moved: their addresses are registered process-wide (every live
// node, and the nodes with a definition name under that name). The registries are guarded by a
// lock of their own; a single tree is used by one thread at a time.
//
// Drawing (GL or another back end) lives with the renderer, which walks the tree through the
// accessors below and draws each face set from its vertexArray().
class C3DObject {
public:
    static constexpr std::size_t kHeaderSize = 528;
    static constexpr std::uint32_t kCurrentVersion = 0x00010001;
    static constexpr std::uint32_t kOldVersion = 0x00010000;
    static constexpr std::uint32_t kTransparentFlag = 0x2; // flag bit 1, counted from 0

    C3DObject();
    ~C3DObject();
    C3DObject(const C3DObject&) = delete;
    C3DObject& operator=(const C3DObject&) = delete;

    // --- Transform, colour, flags ---
    const Vec3d& translation() const { return translation_; }
    const Vec3d& rotationAxis() const { return rotationAxis_; }
    double rotationAngle() const { return rotationAngle_; }
    const Vec3d& scale() const { return scale_; }
    void setTranslation(const Vec3d& value) { translation_ = value; }
    void setScale(const Vec3d& value) { scale_ = value; }
    void setRotationAxis(const Vec3d& value) { rotationAxis_ = value; }
    void setRotationAngle(double value) { rotationAngle_ = value; }
    // R, G, B, A (default 1.0 each).
    const std::array<double, 4>& colour() const { return colour_; }
    // Index 0-3 for R, G, B, A; other indices are ignored.
    void setColourComponent(int index, double value);

    std::uint32_t flags() const { return flags_; }
    bool testFlags(std::uint32_t mask) const { return (flags_ & mask) != 0; }
    void setFlags(std::uint32_t mask, bool on);

    // --- Tree ---
    C3DObject* parent() const { return parent_; }
    bool isRoot() const { return parent_ == nullptr; }
    C3DObject& root();
    const C3DObject& root() const;
    // Number of ancestors.
    int depth() const;

    // Creates an empty child at the end of the children.
    C3DObject& createChild();
    // Adopts a node that has no parent and returns it. A null node gives none; this node itself
    // or a node that already has a parent is refused (none) and released, not destroyed, since
    // its own tree owns it.
    C3DObject* addChild(std::unique_ptr<C3DObject> child);
    const std::vector<std::unique_ptr<C3DObject>>& children() const { return children_; }
    void destroyChildren();

    // --- Root settings (taken from and given to the root, whichever node is asked) ---
    bool useColour() const { return root().useColour_; }
    void setUseColour(bool on) { root().useColour_ = on; }
    // False (and the record untouched) when the root's override colour is all zero.
    bool overrideColour(OverrideColour& out) const;
    // The override colour as three floats (each u16 / 65535); `rgb` is left untouched when the
    // override colour is all zero.
    void overrideColourFloats(std::array<float, 3>& rgb) const;
    void setOverrideColour(const OverrideColour& colour) { root().overrideColour_ = colour; }
    bool isTransparent() const { return root().testFlags(kTransparentFlag); }
    void setTransparent(bool on) { root().setFlags(kTransparentFlag, on); }
    std::int32_t detailLevel() const { return root().detailLevel_; }
    // Sets the root's detail level; returns true when it changed (the caller re-prepares the
    // tree for drawing then).
    bool setDetailLevel(std::int32_t level);

    // --- Parts ---
    const std::vector<CPrimitive>& primitives() const { return primitives_; }
    // Adds a primitive at the end; none for a record of type 0.
    const CPrimitive* addPrimitive(const CPrimitive& primitive);

    CIndexedFaceSet* faceSet() const { return faceSet_.get(); }
    // Replaces (and destroys) the face set; the node becomes the new one's owner.
    void setFaceSet(std::unique_ptr<CIndexedFaceSet> faceSet);

    const std::map<int, std::unique_ptr<CPixelTexture>>& textures() const { return textures_; }
    // Replaces (and destroys) any texture under `number`; a null texture just removes it.
    void setTexture(int number, std::unique_ptr<CPixelTexture> texture);
    // Adds a texture under the number after the highest one in use (0 for the first).
    CPixelTexture* addTexture(std::unique_ptr<CPixelTexture> texture);
    CPixelTexture* texture(int number) const;
    // The first texture (by number) with pixels or an encoded image, or none.
    CPixelTexture* firstDrawableTexture() const;
    // Whether every texture of this node and of all children is ready (has a back-end
    // texture).
    bool allTexturesReady() const;

    CDXF_3DFACE* dxfFaces() const { return dxfFaces_.get(); }
    void setDxfFaces(std::unique_ptr<CDXF_3DFACE> faces);
    CRIB_Attribute* ribPolygons() const { return ribPolygons_.get(); }
    void setRibPolygons(std::unique_ptr<CRIB_Attribute> polygons);

    // The back-end texture that the renderer built for this node (0 = none); the renderer
    // creates and deletes it.
    std::uint32_t backEndTexture() const { return backEndTexture_; }
    void setBackEndTexture(std::uint32_t handle) { backEndTexture_ = handle; }

    // --- Names ---
    const std::string& definitionName() const { return definitionName_; }
    const std::string& referenceName() const { return referenceName_; }
    // Unregisters any previous definition name, then registers this node under `name` (an
    // empty name registers nothing). A later node defined under the same name takes the name
    // over; an earlier node's unregistering then leaves the later one registered.
    void setDefinitionName(std::string name);
    void unregisterDefinitionName();
    // When not empty, the renderer draws the node defined under this name instead of this
    // node's own content.
    void setReferenceName(std::string name) { referenceName_ = std::move(name); }
    // The live node defined under `name`, or none.
    static C3DObject* findDefinition(std::string_view name);
    // Whether `node` is a constructed node that has not been destroyed yet.
    static bool isLive(const C3DObject* node);

    // --- Measuring ---
    // (vertex count, face count) of the primitives, the face set and all children; computed
    // once and cached until the node is cleared or loaded.
    SizeCounts sizeCounts() const;
    void resetSizeCounts() { cachedCounts_ = {}; }
    // The box of the node's content and children in its parent's coordinates: parts merged,
    // each axis with no content at 0, then scaled by the node scale and moved by its
    // translation. Rotation is not applied.
    BoundingBox localBounds() const;
    // The local box with both corners multiplied by `scale`, then moved by `offset`.
    BoundingBox bounds(double scale, const Vec3d& offset = {}) const;
    // For every node whose box differs from the box of its children taken together (and for
    // every node without children), appends (depth, box) with the box at `scale` moved by
    // `offset`, depth-first.
    void collectPartBoxes(double scale, const Vec3d& offset,
                          std::vector<std::pair<int, BoundingBox>>& out) const;
    TreeCounts treeCounts() const;

    // --- Drawing data ---
    // Drops the vertex arrays of all face sets in the tree below (and at) this node.
    void releaseVertexArrays();

    // --- Life cycle ---
    // Releases the definition name, empties names, children and parts, and restores the
    // default transform, colour, flags and cached counts. The root settings (override colour,
    // use-colour flag, detail level) stay. Back-end handles are forgotten, not released: the
    // renderer releases them first.
    void clear();

    // Loads a "3DOj" node block (the whole block, its length field counting from its first
    // byte). Refused, with the node untouched, when the block is shorter than 528 bytes, the
    // tag is not "3DOj", the version is above 0x00010001 or the length field is under 528.
    // Otherwise the node is cleared and filled; a length field beyond the bytes given, a
    // section outside the block, a bad nested block or nesting deeper than kMaxNodeDepth
    // stops that part of the load, keeps what was read before it and gives Damaged.
    // Nothing is allocated beyond what the bytes present can hold.
    LoadStatus load(std::span<const std::uint8_t> block);
    // The node block of this node and everything below it, in the current version. Nodes
    // deeper than kMaxNodeDepth are written too, but a load reads the tree only to that depth.
    std::vector<std::uint8_t> save() const;
    void save(platform::ByteWriter& writer) const;

private:
    LoadStatus loadAtDepth(std::span<const std::uint8_t> block, int depth);
    void loadSections(std::span<const std::uint8_t> block, const std::uint32_t (&starts)[5],
                      int depth, bool& clean);
    // Drops the cached size counts of this node and of every ancestor.
    void invalidateCounts();
    void collectPartBoxes(const Vec3d& scale, const Vec3d& offset,
                          std::vector<std::pair<int, BoundingBox>>& out) const;

    C3DObject* parent_ = nullptr;
    std::vector<std::unique_ptr<C3DObject>> children_;
    std::string referenceName_;
    std::string definitionName_;
    Vec3d translation_;
    Vec3d rotationAxis_;
    Vec3d scale_{1.0, 1.0, 1.0};
    double rotationAngle_ = 0.0;
    std::array<double, 4> colour_{1.0, 1.0, 1.0, 1.0};
    std::uint32_t flags_ = 0;
    std::int32_t detailLevel_ = 0;
    mutable SizeCounts cachedCounts_;
    std::vector<CPrimitive> primitives_;
    std::unique_ptr<CIndexedFaceSet> faceSet_;
    std::map<int, std::unique_ptr<CPixelTexture>> textures_;
    std::uint32_t backEndTexture_ = 0;
    std::unique_ptr<CDXF_3DFACE> dxfFaces_;
    std::unique_ptr<CRIB_Attribute> ribPolygons_;
    OverrideColour overrideColour_;
    bool useColour_ = true;
};

} // namespace items
