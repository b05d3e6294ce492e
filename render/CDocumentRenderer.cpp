#include "render/CDocumentRenderer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>

#include "editing/CLightControler.h"
#include "editing/LayoutLight.h"
#include "items/C3DItemObject.h"
#include "model/CZarnoltDocument.h"
#include "model/LandscapeItems.h"
#include "model/ModelSeams.h"
#include "model/TrackTiles.h"
#include "platform/RenderLock.h"
#include "render/ListKeys.h"
#include "render/RideCamera.h"
#include "render/TerrainSource.h"
#include "render/TrackGeometry.h"
#include "trains/CTrainItem.h"
#include "trains/VehicleRegistry.h"

namespace render {
namespace {

std::unique_ptr<CDocumentRenderer>& rendererSlot() {
    static std::unique_ptr<CDocumentRenderer> slot;
    return slot;
}

// A light fraction from the layout file: inside −0.5 … +0.5, 0 for a value that is no number.
double lightFraction(float value) {
    if (!std::isfinite(value)) {
        return 0.0;
    }
    return std::clamp(static_cast<double>(value), -0.5, 0.5);
}

// Clears frameInProgress and drawing even when a frame step throws.
class FrameFlags {
public:
    explicit FrameFlags(bool& drawing) : drawing_(drawing) {
        drawing_ = true;
        platform::frameInProgress().store(true);
    }
    ~FrameFlags() {
        platform::frameInProgress().store(false);
        drawing_ = false;
    }
    FrameFlags(const FrameFlags&) = delete;
    FrameFlags& operator=(const FrameFlags&) = delete;

private:
    bool& drawing_;
};

} // namespace

CDocumentRenderer::CDocumentRenderer(model::CZarnoltDocument& document,
                                     std::unique_ptr<RenderBackEnd> backEnd)
    : document_(document), backEnd_(std::move(backEnd)) {
    metrics_ = computeSceneMetrics(document_.getColumns(), document_.getRows());
    hooks_.groundHeight = [this](double x, double z) { return groundHeightAt(x, z); };
    hooks_.rideAvailable = [] { return trains::cameraTrain() != nullptr; };
    hooks_.walkCheck = [this](CameraPose& pose) { return walkArea().check(pose, false); };
}

CDocumentRenderer::~CDocumentRenderer() {
    shutdown();
}

bool CDocumentRenderer::initialise(int width, int height, int mode, bool keepPose) {
    ready_ = false;
    if (width <= 0 || height <= 0 || !backEnd_) {
        return false;
    }
    model::recomputeCoverFlags();
    if (!backEnd_->initialise(*this)) {
        return false;
    }
    setup(width, height, mode, keepPose);
    backEnd_->applyClearColour(*this);
    backEnd_->initState();
    applyCamera();
    ready_ = true;
    return true;
}

void CDocumentRenderer::setup(int width, int height, int mode, bool keepPose) {
    camera_.setViewport(width, height);
    const SceneMetrics before = metrics_;
    metrics_ = computeSceneMetrics(document_.getColumns(), document_.getRows());
    if (metrics_.columns != before.columns || metrics_.rows != before.rows) {
        invalidateAllLists(); // every key and shape depends on the board size
    }
    terrainDirty_ = true;
    setCameraMode(mode, keepPose);
    if (keepPose) {
        // The kept pose sees through the new viewport's shape.
        camera_.state().aspect =
            static_cast<double>(camera_.state().viewportWidth) / camera_.state().viewportHeight;
        rebuildFrustum();
    }
    const int units = backEnd_ ? backEnd_->lightUnitCount() : 1;
    editing::getOrCreateLightController(std::max(units, 1),
                                        model::Vec3f{static_cast<float>(metrics_.width),
                                                     static_cast<float>(metrics_.width),
                                                     static_cast<float>(metrics_.depth)});
    // The layout's own light: its position and its on/off state.
    const model::Vec3f position = document_.getLightPosition();
    setLightOffset(lightFraction(position.x), lightFraction(position.y), lightFraction(position.z));
    setLightIntensity(document_.testEnvironmentFlag(model::EnvLightOff)
                          ? editing::kLightOffIntensity
                          : editing::kLightOnIntensity);
}

bool CDocumentRenderer::resize(int width, int height) {
    if (width <= 0 || height <= 0 || drawing_) {
        return false;
    }
    const CameraState& s = camera_.state();
    if (ready_ && s.viewportWidth == width && s.viewportHeight == height) {
        return false;
    }
    return initialise(width, height, s.mode, true);
}

bool CDocumentRenderer::draw() {
    if (!ready_ || drawing_ || platform::frameInProgress().load()) {
        return false;
    }
    FrameFlags flags(drawing_);
    std::lock_guard<std::recursive_mutex> lock(platform::renderLock());
    const auto start = std::chrono::steady_clock::now();
    rebuildFrustum();
    backEnd_->drawFrame(*this);
    lastFrameMs_ =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return true;
}

void CDocumentRenderer::shutdown() {
    ready_ = false;
    smoke_.clear();
    if (backEnd_) {
        backEnd_->shutdown();
    }
    editing::releaseLightController();
}

CameraFacts CDocumentRenderer::cameraFacts() const {
    CameraFacts facts;
    facts.highestLayer = model::highestUsedLayer();
    facts.narrowView = document_.testEnvironmentFlag(model::EnvNarrowView);
    facts.rideAvailable = hooks_.rideAvailable && hooks_.rideAvailable();
    return facts;
}

void CDocumentRenderer::setCameraMode(int mode, bool keepPose) {
    camera_.setMode(mode, metrics_, cameraFacts(), keepPose, hooks_.walkCheck);
    rebuildFrustum();
}

void CDocumentRenderer::rebuildFrustum() {
    const CameraState& s = camera_.state();
    frustum_.build(currentPose(), s.fieldOfView, s.aspect, s.nearPlane, s.farPlane);
}

const trains::CTrainItem* CDocumentRenderer::cabVehicle() const {
    const int mode = camera_.state().mode;
    if (mode < ModeDriverSeat || mode > ModeConductorRoom) {
        return nullptr;
    }
    trains::CTrainItem* vehicle = trains::cameraTrain();
    if (vehicle == nullptr) {
        return nullptr;
    }
    return mode == ModeConductorRoom ? vehicle->tail() : vehicle->head();
}

bool CDocumentRenderer::updateRidePose() {
    const int mode = camera_.state().mode;
    if (mode < ModeDriverSeat || mode == ModeWalk || mode > ModeChase) {
        return false;
    }
    // The cab views ride the head of the camera train, the conductor's room its tail.
    trains::CTrainItem* cameraVehicle = trains::cameraTrain();
    trains::CTrainItem* vehicle = cameraVehicle;
    if (vehicle != nullptr) {
        vehicle = mode == ModeConductorRoom ? vehicle->tail() : vehicle->head();
    }
    const items::C3DItemObject* model = vehicle != nullptr ? vehicle->findModel() : nullptr;
    if (model == nullptr) {
        return false;
    }
    const double t = metrics_.tileSize;
    model::Vec3d p1;
    model::Vec3d p2;
    if (!vehicle->wheelSetWorldPoints({t, metrics_.layerHeight, t}, p1, p2)) {
        return false;
    }
    const items::BoundingBox box = model->boundingBox(t);
    const CameraState& s = camera_.state();
    RideInput in;
    in.mode = mode;
    // The vehicle stands on the track bed, as it is drawn.
    in.p1 = {p1.x, p1.y + kBedLift * t, p1.z};
    in.p2 = {p2.x, p2.y + kBedLift * t, p2.z};
    in.reversedRunning = vehicle->isReversedRunning();
    // The driver's seat is the model's first viewpoint; a model without one gets a seat at the
    // front of its box, at two thirds of its height.
    items::Vec3d seat = model->viewpointPoint(0, t);
    if (model->viewpoint1() == items::Vec3d{}) {
        seat = {box.max.x - 0.15 * t, box.min.y + (box.max.y - box.min.y) * 2 / 3, 0};
    }
    const items::Vec3d chase = model->viewpointPoint(1, t);
    rideModelPoints(mode, box.min.x, {seat.x, seat.y, seat.z}, {chase.x, chase.y, chase.z},
                    metrics_.maxExtent(), t, in.eye, in.target);
    if (mode == ModeChase) {
        // The chase keys move the eye up and aside from the chase point.
        in.eye.y += cameraVehicle->chaseHeightOffset() * t;
        in.eye.z += cameraVehicle->chaseSideOffset() * t;
    }
    in.rideYaw = s.rideYaw;
    in.ridePitch = s.ridePitch;
    in.extent = metrics_.maxExtent();
    in.tileSize = t;
    CameraPose pose;
    if (!ridePose(in, hooks_.groundHeight, pose)) {
        return false;
    }
    camera_.state().eye = pose.eye;
    camera_.state().target = pose.target;
    return true;
}

CameraPose CDocumentRenderer::currentPose() {
    updateRidePose();
    return camera_.currentPose(hooks_.groundHeight,
                               !document_.testEnvironmentFlag(model::EnvNoWater));
}

bool CDocumentRenderer::setZoom(double zoom) {
    const bool changed = camera_.setZoom(zoom, metrics_);
    rebuildFrustum();
    return changed;
}

bool CDocumentRenderer::addZoom(double step) {
    const bool changed = camera_.addZoom(step, metrics_);
    rebuildFrustum();
    return changed;
}

void CDocumentRenderer::setLayoutYaw(double degrees) {
    camera_.setLayoutYaw(degrees);
}

void CDocumentRenderer::setLayoutPitch(double degrees) {
    camera_.setLayoutPitch(degrees);
}

void CDocumentRenderer::setWalkAngles(double yaw, double pitch) {
    camera_.state().rideYaw = yaw;
    camera_.state().ridePitch = pitch;
}

void CDocumentRenderer::setEyeTarget(const Vec3& eye, const Vec3& target) {
    camera_.state().eye = eye;
    camera_.state().target = target;
}

WalkArea CDocumentRenderer::walkArea() {
    const bool waterShown = !document_.testEnvironmentFlag(model::EnvNoWater);
    return WalkArea(metrics_, tileContentObstacles(metrics_),
                    [this, waterShown](double x, double z) {
                        double ground = hooks_.groundHeight ? hooks_.groundHeight(x, z) : 0.0;
                        return ground < 0 && waterShown ? 0.0 : ground;
                    });
}

void CDocumentRenderer::applyCamera() {
    if (!backEnd_) {
        return;
    }
    backEnd_->applyProjection(camera_.state());
    backEnd_->applyLookAt(currentPose());
}

void CDocumentRenderer::setLightOffset(double fx, double fy, double fz) {
    lightOffset_ = {fx, fy, fz};
    editing::CLightControler* lights = editing::lightController();
    if (lights == nullptr) {
        return;
    }
    std::array<float, 4> position = lights->getParameter(0, editing::LightParameter::Position);
    position[0] = static_cast<float>(metrics_.centreX + fx * metrics_.width);
    position[1] = static_cast<float>(metrics_.width / 2 + fy * metrics_.width);
    position[2] = static_cast<float>(metrics_.centreZ + fz * metrics_.depth);
    lights->setParameter(0, editing::LightParameter::Position, position);
}

void CDocumentRenderer::setLightIntensity(double value) {
    editing::CLightControler* lights = editing::lightController();
    if (lights == nullptr) {
        return;
    }
    std::array<float, 4> diffuse = lights->getParameter(0, editing::LightParameter::Diffuse);
    diffuse[0] = diffuse[1] = diffuse[2] = static_cast<float>(value);
    lights->setParameter(0, editing::LightParameter::Diffuse, diffuse);
}

double CDocumentRenderer::brightness() const {
    const editing::CLightControler* lights = editing::lightController();
    if (lights == nullptr) {
        return 1.0;
    }
    return lights->getParameter(0, editing::LightParameter::Diffuse)[0];
}

Vec3 CDocumentRenderer::lightPosition() const {
    const editing::CLightControler* lights = editing::lightController();
    if (lights == nullptr) {
        return {};
    }
    const model::Vec3d p = lights->lightPosition0();
    return {p.x, p.y, p.z};
}

std::array<float, 4> CDocumentRenderer::backgroundColour() const {
    const model::PreferenceData preferences = document_.getPreferences();
    const float b = static_cast<float>(brightness());
    return {preferences.backgroundColour[0] / 255.0f * b,
            preferences.backgroundColour[1] / 255.0f * b,
            preferences.backgroundColour[2] / 255.0f * b, 1.0f};
}

void CDocumentRenderer::invalidateTileLists(int layer, int column, int row) {
    std::lock_guard<std::mutex> lock(dropsMutex_);
    for (int level = 0; level <= 9; ++level) {
        const std::int32_t key = tileListKey(layer, column, row, metrics_.columns, level, false);
        if (key != kNoCacheKey) {
            drops_.keys.push_back(key);
        }
    }
    const std::int32_t shadow = tileListKey(layer, column, row, metrics_.columns, 0, true);
    if (shadow != kNoCacheKey) {
        drops_.keys.push_back(shadow);
    }
    // The chunk holding the tile is compiled anew with it, in every variant.
    for (const ChunkPass pass :
         {ChunkPass::Lines, ChunkPass::LinesFromAbove, ChunkPass::LinesFar, ChunkPass::Ballast,
          ChunkPass::BallastFromAbove, ChunkPass::BallastFar}) {
        const std::int32_t chunk = chunkListKey(layer, column, row, metrics_.columns, pass);
        if (chunk != kNoCacheKey) {
            drops_.keys.push_back(chunk);
        }
    }
    if (layer == 0) {
        const std::int32_t ballast = ballastListKey(column, row, metrics_.columns);
        if (ballast != kNoCacheKey) {
            drops_.keys.push_back(ballast);
        }
    }
}

void CDocumentRenderer::invalidateSharedLists() {
    std::lock_guard<std::mutex> lock(dropsMutex_);
    drops_.ranges.emplace_back(kFirstSharedListKey, kLastSharedListKey);
}

void CDocumentRenderer::invalidateAllLists() {
    std::lock_guard<std::mutex> lock(dropsMutex_);
    drops_ = ListDrops{};
    drops_.all = true;
}

const Terrain& CDocumentRenderer::terrain() {
    if (terrainDirty_) {
        terrainDirty_ = false;
        terrain_.build(metrics_.columns, metrics_.rows,
                       terrainPatchesFromLandscape(metrics_.tileSize), levelledTilesFromBoard(),
                       metrics_.layerHeight);
    }
    return terrain_;
}

void CDocumentRenderer::markTerrainDirty() {
    terrainDirty_ = true;
    invalidateSharedLists();
}

double CDocumentRenderer::groundHeightAt(double x, double z) {
    return terrain().groundHeightAt(x, z);
}

double CDocumentRenderer::animationSeconds() const {
    if (fixedTime_ >= 0) {
        return fixedTime_;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

ListDrops CDocumentRenderer::takeListDrops() {
    std::lock_guard<std::mutex> lock(dropsMutex_);
    ListDrops taken = std::move(drops_);
    drops_ = ListDrops{};
    return taken;
}

CDocumentRenderer* documentRenderer() {
    return rendererSlot().get();
}

CDocumentRenderer* installDocumentRenderer(std::unique_ptr<CDocumentRenderer> renderer) {
    destroyDocumentRenderer();
    rendererSlot() = std::move(renderer);
    editing::LayoutLightHooks& hooks = editing::layoutLightHooks();
    hooks.setOffset = [](const model::Vec3f& offset) {
        if (CDocumentRenderer* r = documentRenderer()) {
            r->setLightOffset(lightFraction(offset.x), lightFraction(offset.y),
                              lightFraction(offset.z));
        }
    };
    hooks.setIntensity = [](float intensity) {
        if (CDocumentRenderer* r = documentRenderer()) {
            r->setLightIntensity(intensity);
        }
    };
    model::modelHooks().dropCellGeometry = [](int layer, model::TilePos pos) {
        if (CDocumentRenderer* r = documentRenderer()) {
            r->invalidateTileLists(layer, pos.column, pos.row);
        }
    };
    model::landscapeHooks().rebuildTerrain = [] {
        if (CDocumentRenderer* r = documentRenderer()) {
            r->markTerrainDirty();
        }
    };
    return rendererSlot().get();
}

void destroyDocumentRenderer() {
    model::landscapeHooks().rebuildTerrain = nullptr;
    rendererSlot().reset();
}

} // namespace render
