#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "render/Camera.h"
#include "render/DrawList.h"
#include "render/FpsCounter.h"
#include "render/RenderBackEnd.h"
#include "render/SceneMetrics.h"
#include "render/SmokePuffs.h"
#include "render/Terrain.h"
#include "render/ViewFrustum.h"
#include "render/WalkArea.h"

namespace model {
class CZarnoltDocument;
}
namespace trains {
class CTrainItem;
}

namespace render {

// Call points that other parts of the program wire in. Each may stay empty; the frame then
// leaves that step out.
struct RendererHooks {
    // Draws built-in item model `number` at the origin, scaled by `size` (the sun marker);
    // when empty the back end draws the item itself.
    std::function<void(int number, double size)> drawBuiltinItem;
    // True when a camera train exists and its riding pose can be computed.
    std::function<bool()> rideAvailable;
    // Accepts or refuses (and may correct) a walk pose.
    WalkCheck walkCheck;
    // The terrain height at (x, z); the renderer's own terrain unless replaced.
    GroundHeight groundHeight;
    // Draws, in scene coordinates, what casts shadows in the shadow pass (the current colour
    // is the shadow's); no shadow pass when empty.
    std::function<void()> drawShadowCasters;
};

// Cached lists to drop at the start of the next frame, when the renderer's context is current.
struct ListDrops {
    std::vector<std::int32_t> keys;
    // Inclusive key ranges.
    std::vector<std::pair<std::int32_t, std::int32_t>> ranges;
    bool all = false;

    bool empty() const { return keys.empty() && ranges.empty() && !all; }
};

// What the last frame drew of the track: its draw list and the cached lists it compiled and
// called, the shadow list and how many of its tiles cast a shadow, and how many chunks of
// lines were drawn from their far list (without the sleepers' end faces), and how many
// vehicles' cab panels and running gear (wheels, axles, rods) were drawn.
struct TrackFrameStats {
    DrawList drawList;
    int listsCompiled = 0;
    int listsCalled = 0;
    DrawList shadowList;
    int shadowCasters = 0;
    int farChunks = 0;
    int cabPanels = 0;
    int runningGear = 0;
};

// The scene renderer of the current layout document: scene constants, camera, light, the
// frame's order and the on-screen text. It draws into whatever graphics context is current,
// through its back end, and never changes the model.
class CDocumentRenderer {
public:
    CDocumentRenderer(model::CZarnoltDocument& document, std::unique_ptr<RenderBackEnd> backEnd);
    ~CDocumentRenderer();
    CDocumentRenderer(const CDocumentRenderer&) = delete;
    CDocumentRenderer& operator=(const CDocumentRenderer&) = delete;

    // Makes the renderer ready for a viewport: textures and font, `setup`, clear colour,
    // graphics state, projection. False (and not ready) when the size is not positive or no
    // context is current.
    // With keepPose the camera keeps its pose and only takes the new aspect.
    bool initialise(int width, int height, int mode, bool keepPose = false);
    // Viewport, scene constants, camera mode, and the light (created on first use) placed and
    // switched as the layout's environment says.
    void setup(int width, int height, int mode, bool keepPose = false);
    // Re-initialises for a new size, keeping the camera's mode and pose and taking the new
    // aspect; nothing for the same size or a size that is not positive.
    bool resize(int width, int height);
    bool isReady() const { return ready_; }
    bool isDrawing() const { return drawing_; }
    // Draws one frame unless not ready or already drawing. Holds the render lock and sets
    // frameInProgress for the whole frame. True when a frame was drawn.
    bool draw();
    // Releases everything the back end holds; not ready afterwards.
    void shutdown();

    model::CZarnoltDocument& document() { return document_; }
    const SceneMetrics& sceneMetrics() const { return metrics_; }
    RendererHooks& hooks() { return hooks_; }

    // Camera.
    void setCameraMode(int mode, bool keepPose = false);
    int cameraMode() const { return camera_.state().mode; }
    const CameraState& cameraState() const { return camera_.state(); }
    // The pose the next frame looks from; the riding and chase views first follow the camera
    // train.
    CameraPose currentPose();
    // The vehicle whose cab the view rides in (modes 1 … 4: the head of the camera train, the
    // tail from the conductor's room), or null; its panel shows the speedometer's needles.
    const trains::CTrainItem* cabVehicle() const;
    // Moves the stored eye and target of a riding or chase view to the camera train; false
    // (pose unchanged) in other modes or without a camera train on a valid place.
    bool updateRidePose();
    bool setZoom(double zoom);
    bool addZoom(double step);
    double zoom() const { return camera_.state().zoom; }
    void setLayoutYaw(double degrees);
    void setLayoutPitch(double degrees);
    double layoutYaw() const { return camera_.state().layoutYaw; }
    double layoutPitch() const { return camera_.state().layoutPitch; }
    void setWalkAngles(double yaw, double pitch);
    void setEyeTarget(const Vec3& eye, const Vec3& target);
    // The camera itself, for the key poller.
    Camera& camera() { return camera_; }
    // Where the walker may go: the walk limit of this board, the contents of the tiles around
    // the walker, and the ground under it (water, when shown, is ground at height 0).
    WalkArea walkArea();
    // A held turn key and a mouse drag (see Camera).
    void keyTurn(int yawDirection, int pitchDirection, bool run) {
        camera_.keyTurn(yawDirection, pitchDirection, run);
    }
    void dragTurn(int dx, int dy, int clientWidth, int clientHeight) {
        camera_.dragTurn(dx, dy, clientWidth, clientHeight);
    }
    // Projection and look-at of the current mode into the current context.
    void applyCamera();
    // What the current pose sees; rebuilt when the mode or zoom changes and before each frame.
    const ViewFrustum& viewFrustum() const { return frustum_; }
    void rebuildFrustum();

    // Light: the offset is three fractions (x and y of the width, z of the depth) from the
    // standard place above the layout centre; intensity sets light 0's diffuse colour.
    void setLightOffset(double fx, double fy, double fz);
    void setLightIntensity(double value);
    // The red component of light 0's diffuse colour; 1.0 without a light.
    double brightness() const;
    // Light 0's position (scene units).
    Vec3 lightPosition() const;
    // The preference background colour × brightness, alpha 1.
    std::array<float, 4> backgroundColour() const;

    // Cached geometry: model code may call these from any thread holding the render lock, with
    // no graphics context current; the lists are dropped by the next frame.
    // The eleven lists of one tile (fade levels 0 … 9 and the shadow pass) and, on the
    // ground layer, its ballast.
    void invalidateTileLists(int layer, int column, int row);
    // Terrain, sky, base plate and outer ground.
    void invalidateSharedLists();
    void invalidateAllLists();
    // What the back end drops before it draws; empties the queue.
    ListDrops takeListDrops();

    // Terrain: the grid is rebuilt from the landscape items on the first query after the
    // items changed (`markTerrainDirty`, which also drops the shared lists).
    const Terrain& terrain();
    void markTerrainDirty();
    // The terrain height at (x, z) in scene units; 0 outside the board.
    double groundHeightAt(double x, double z);
    // Seconds of the water animation; the real clock unless fixed (offline renders).
    void setFixedTime(double seconds) { fixedTime_ = seconds; }
    double animationSeconds() const;

    // The frame-rate text and the two driver strings; on by default.
    void setHudVisible(bool visible) { hudVisible_ = visible; }
    bool hudVisible() const { return hudVisible_; }
    FpsCounter& fpsCounter() { return fps_; }
    // Milliseconds the last drawn frame took.
    double lastFrameMilliseconds() const { return lastFrameMs_; }
    // The numbers of the points drawn over their tiles (the point control window's switch).
    void setShowPointNumbers(bool on) { showPointNumbers_ = on; }
    bool showPointNumbers() const { return showPointNumbers_; }
    // Whether chunks far enough for a rail section to project under about half a pixel are
    // drawn without the sleepers' end faces (on unless switched off, to compare pictures).
    void setDistantSidesTrimmed(bool on) { distantSidesTrimmed_ = on; }
    bool distantSidesTrimmed() const { return distantSidesTrimmed_; }
    // The smoke of the steam locomotives; the back end emits, grows and draws it.
    SmokePuffs& smokePuffs() { return smoke_; }
    // Filled by the back end at the end of each frame.
    TrackFrameStats& trackStats() { return trackStats_; }

private:
    CameraFacts cameraFacts() const;

    model::CZarnoltDocument& document_;
    std::unique_ptr<RenderBackEnd> backEnd_;
    RendererHooks hooks_;
    SceneMetrics metrics_;
    Camera camera_;
    ViewFrustum frustum_;
    FpsCounter fps_;
    std::array<double, 3> lightOffset_{0, 0, 0};
    bool ready_ = false;
    bool drawing_ = false;
    bool hudVisible_ = true;
    double lastFrameMs_ = 0;
    TrackFrameStats trackStats_;
    bool showPointNumbers_ = false;
    bool distantSidesTrimmed_ = true;
    std::mutex dropsMutex_;
    ListDrops drops_;
    Terrain terrain_;
    SmokePuffs smoke_;
    bool terrainDirty_ = true;
    double fixedTime_ = -1;
};

// The one renderer of the process, or null.
CDocumentRenderer* documentRenderer();
// Makes `renderer` the process-wide renderer, destroying any previous one (its context should
// be current). The renderer connects the light panel's hooks while it is installed.
CDocumentRenderer* installDocumentRenderer(std::unique_ptr<CDocumentRenderer> renderer);
// Shuts down and destroys the process-wide renderer.
void destroyDocumentRenderer();

} // namespace render
