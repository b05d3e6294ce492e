#include "render/opengl/COpenGLBackEnd.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "editing/CLightControler.h"
#include "model/CZarnoltDocument.h"
#include "render/CDocumentRenderer.h"
#include "render/ListKeys.h"
#include "render/opengl/BasePlate.h"
#include "render/opengl/GLErrors.h"
#include "trains/CTrainItem.h"
#include "trains/VehicleRegistry.h"

namespace render::opengl {
namespace {

constexpr int kHudPixelHeight = 12;

std::string glString(GLenum which) {
    const GLubyte* text = glGetString(which);
    return text == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(text));
}

double secondsNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Puts a lamp light at the front lamp of the vehicle it follows, shining ahead and a little
// down; a light whose vehicle is gone or has no lamp point keeps its place.
void placeLampLight(editing::CLight& light, const SceneMetrics& metrics) {
    const trains::CTrainItem* vehicle = trains::findVehicle(light.attachedVehicle());
    if (vehicle == nullptr) {
        return;
    }
    const trains::WorldScales scales{metrics.tileSize, metrics.layerHeight, metrics.tileSize};
    model::Vec3d lamp;
    model::Vec3d first;
    model::Vec3d second;
    if ((!vehicle->lampTransform(0, scales, lamp) && !vehicle->lampTransform(1, scales, lamp)) ||
        !vehicle->wheelSetWorldPoints(scales, first, second)) {
        return;
    }
    double dx = lamp.x - (first.x + second.x) / 2;
    double dz = lamp.z - (first.z + second.z) / 2;
    const double length = std::hypot(dx, dz);
    if (!(length > 0)) {
        return;
    }
    dx /= length;
    dz /= length;
    light.position = {static_cast<float>(lamp.x), static_cast<float>(lamp.y),
                      static_cast<float>(lamp.z), 1.0f};
    light.spotDirection = {static_cast<float>(dx), -0.3f, static_cast<float>(dz), 0.0f};
}

} // namespace

COpenGLBackEnd::COpenGLBackEnd()
    : items_([this](int number) { return textures_.name(number); }),
      environment_(lists_, textures_) {}

COpenGLBackEnd::~COpenGLBackEnd() = default;

bool COpenGLBackEnd::initialise(CDocumentRenderer&) {
    if (glGetString(GL_VERSION) == nullptr) {
        return false; // no current context
    }
    GLint lights = 1;
    glGetIntegerv(GL_MAX_LIGHTS, &lights);
    lightUnits_ = std::max(1, static_cast<int>(lights));
    // Textures and glyph lists are made now, before any list is compiled.
    textures_.loadAll();
    if (!font_.valid()) {
        font_.create(HudFont::defaultFontFile(), kHudPixelHeight);
    }
    checkGLError("COpenGLBackEnd::initialise");
    return true;
}

void COpenGLBackEnd::initState() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_NORMALIZE);
    glEnable(GL_LIGHTING);
    glEnable(GL_AUTO_NORMAL);
    glEnable(GL_CULL_FACE);
    glShadeModel(GL_SMOOTH);
    glClearStencil(0);
    glEnable(GL_STENCIL_TEST);
}

void COpenGLBackEnd::applyClearColour(CDocumentRenderer& renderer) {
    const std::array<float, 4> colour = renderer.backgroundColour();
    glClearColor(colour[0], colour[1], colour[2], colour[3]);
}

void COpenGLBackEnd::applyProjection(const CameraState& camera) {
    glViewport(0, 0, camera.viewportWidth, camera.viewportHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(camera.fieldOfView, camera.aspect, camera.nearPlane, camera.farPlane);
    glMatrixMode(GL_MODELVIEW);
}

void COpenGLBackEnd::applyLookAt(const CameraPose& pose) {
    gluLookAt(pose.eye.x, pose.eye.y, pose.eye.z, pose.target.x, pose.target.y, pose.target.z,
              pose.up.x, pose.up.y, pose.up.z);
}

bool COpenGLBackEnd::setupLights(CDocumentRenderer& renderer) {
    editing::CLightControler* lights = editing::lightController();
    if (lights == nullptr) {
        return false;
    }
    // A light under a hill is lifted onto the terrain rather than lighting from underground.
    std::array<float, 4> position = lights->getParameter(0, editing::LightParameter::Position);
    const double ground = renderer.groundHeightAt(position[0], position[2]);
    if (ground > position[1]) {
        position[1] = static_cast<float>(ground);
        lights->setParameter(0, editing::LightParameter::Position, position);
    }
    // Below brightness 0.7 the lamp lights follow the motive vehicles; otherwise they are put
    // back to their plain, disabled state, so no lamp stays lit after the scene brightens.
    lights->assignLamps();
    const int count = std::min(lights->lightUnitCount(), lightUnits_);
    for (int i = 0; i < count; ++i) {
        editing::CLight* light = lights->light(i);
        if (i > 0 && light != nullptr && light->isEnabled()) {
            placeLampLight(*light, renderer.sceneMetrics());
        }
        const GLenum unit = static_cast<GLenum>(GL_LIGHT0 + i);
        if (light == nullptr || !light->isEnabled()) {
            glDisable(unit);
            continue;
        }
        glLightfv(unit, GL_POSITION, light->position.data());
        const float red = light->diffuse[0];
        if (i == 0) {
            glLightfv(unit, GL_DIFFUSE, light->diffuse.data());
            if (light->ambientFactor[0] > 0) {
                const GLfloat ambient[4] = {light->ambientFactor[0] * red,
                                            light->ambientFactor[1] * red,
                                            light->ambientFactor[2] * red, red};
                glLightfv(unit, GL_AMBIENT, ambient);
            }
        } else {
            const GLfloat diffuse[4] = {0.7f, 0.7f, 0.7f, 0.1f};
            glLightfv(unit, GL_DIFFUSE, diffuse);
            glLightfv(unit, GL_SPOT_DIRECTION, light->spotDirection.data());
            glLightf(unit, GL_SPOT_CUTOFF, 90.0f);
            glLightf(unit, GL_SPOT_EXPONENT, 0.8f);
        }
        glEnable(unit);
    }
    return true;
}

void COpenGLBackEnd::applyFog(CDocumentRenderer& renderer) {
    const bool fog = renderer.cameraMode() != ModeLayout &&
                     renderer.document().testEnvironmentFlag(model::EnvFog);
    if (!fog) {
        glDisable(GL_FOG);
        return;
    }
    const double tile = renderer.sceneMetrics().tileSize;
    const GLfloat colour[4] = {1, 1, 1, 1};
    glEnable(GL_FOG);
    glFogfv(GL_FOG_COLOR, colour);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, static_cast<GLfloat>(10 * tile));
    glFogf(GL_FOG_END, static_cast<GLfloat>(20 * tile));
    glHint(GL_FOG_HINT, GL_DONT_CARE);
}

void COpenGLBackEnd::drawLightMarker(CDocumentRenderer& renderer) {
    const Vec3 light = renderer.lightPosition();
    const double tile = renderer.sceneMetrics().tileSize;
    glPushMatrix();
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glTranslated(light.x, light.y, light.z);
    // A wired hook replaces the built-in item (tests look into the frame through it).
    if (renderer.hooks().drawBuiltinItem) {
        renderer.hooks().drawBuiltinItem(128, 0.4 * tile);
    } else {
        items_.drawBuiltinItem(128, 0.4 * tile);
    }
    // The unlit sphere keeps its grey out of the lit material.
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_LIGHTING);
    const float grey = static_cast<float>(std::clamp(2 * renderer.brightness(), 0.1, 1.0));
    glColor4f(grey, grey, grey, 1);
    glScaled(0.2 * tile, 0.2 * tile, 0.2 * tile);
    GLUquadric* sphere = gluNewQuadric();
    if (sphere != nullptr) {
        gluSphere(sphere, 0.5, 12, 12);
        gluDeleteQuadric(sphere);
    }
    glPopAttrib();
    glColor4f(1, 1, 1, 1);
    glPopMatrix();
}

void COpenGLBackEnd::drawBase(CDocumentRenderer& renderer) {
    const SceneMetrics& metrics = renderer.sceneMetrics();
    lists_.draw(kBasePlateListKey, [&] { drawBasePlate(metrics, textures_); });
    drawBaseFloor(metrics, renderer.backgroundColour());
    glColor4f(1, 1, 1, 1);
}

void COpenGLBackEnd::drawText(const CameraState& camera, int x, int y, const std::string& text) {
    const double w = camera.viewportWidth;
    const double h = camera.viewportHeight;
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-w / 2, w / 2, -h / 2, h / 2, -1000000.0, 1000000.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_FOG);
    glDisable(GL_BLEND);
    glDisable(GL_STENCIL_TEST);
    glColor4f(1, 1, 1, 1);
    font_.print(x - w / 2, h / 2 - y, 0, text);
    glPopAttrib();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void COpenGLBackEnd::drawHud(CDocumentRenderer& renderer) {
    if (!renderer.hudVisible()) {
        return;
    }
    if (!haveGLStrings_) {
        vendor_ = glString(GL_VENDOR);
        rendererName_ = glString(GL_RENDERER);
        haveGLStrings_ = true;
    }
    renderer.fpsCounter().frame(secondsNow());
    const CameraState& camera = renderer.cameraState();
    drawText(camera, 10, 20, renderer.fpsCounter().text());
    drawText(camera, 10, camera.viewportHeight - 25, vendor_);
    drawText(camera, 10, camera.viewportHeight - 10, rendererName_);
}

void COpenGLBackEnd::dropLists(CDocumentRenderer& renderer) {
    const ListDrops drops = renderer.takeListDrops();
    if (drops.all) {
        lists_.releaseAll();
        return;
    }
    for (const auto& [first, last] : drops.ranges) {
        lists_.removeRange(first, last);
    }
    for (const std::int32_t key : drops.keys) {
        lists_.remove(key);
    }
}

void COpenGLBackEnd::drawFrame(CDocumentRenderer& renderer) {
    dropLists(renderer);
    // Projection first: a zoom or a resize since the last frame takes effect now.
    applyProjection(renderer.cameraState());
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPushMatrix();

    lists_.resetCompiling();
    lists_.resetCounts();
    applyClearColour(renderer);
    applyLookAt(renderer.currentPose());
    const bool markerWanted = setupLights(renderer);
    glColor4f(1, 1, 1, 1);
    applyFog(renderer);

    const bool layoutView = renderer.cameraMode() == ModeLayout;
    const bool shadows = !renderer.document().testPreferenceFlag(model::PrefNoShadows);
    const bool water = environment_.waterWanted(renderer);
    if (!layoutView) {
        environment_.drawSky(renderer);
    }
    environment_.drawGroundStencil(renderer);
    // Track: the frame's draw list.
    tracks_.buildLists(renderer, shadows);
    if (markerWanted && layoutView) {
        drawLightMarker(renderer);
    }
    if (layoutView) {
        drawBase(renderer);
    }
    if (shadows) {
        const std::function<void()>& casters = renderer.hooks().drawShadowCasters;
        environment_.drawShadows(renderer, [&] {
            if (casters) {
                casters();
            }
            tracks_.drawShadowPass(renderer);
            tracks_.trees().drawShadows(tracks_.shadowList(), renderer.sceneMetrics(),
                                        renderer.hooks().groundHeight);
            if (VehicleDrawer::hasVehicles(tracks_.shadowList())) {
                vehicles_.drawShadows(tracks_.shadowList(), renderer.sceneMetrics());
            }
        });
    }

    // Track: ballast, the water surface, then the tile pass far to near.
    tracks_.drawBallast(renderer);
    if (water) {
        environment_.drawWater(renderer);
    }
    const bool lampsLit = renderer.brightness() < 0.7;
    const trains::CTrainItem* cab = renderer.cabVehicle();
    vehicles_.resetPanelCount();
    tracks_.drawNormalPass(renderer, [&](const DrawListEntry& vehicle) {
        // The pass has measured this frame's far distance before its first entry.
        vehicles_.setFarDistance(tracks_.farDistance());
        vehicles_.draw(vehicle, renderer.sceneMetrics(), lampsLit,
                       cab != nullptr && vehicle.vehicle == cab);
    });
    vehicles_.drawTrainEffects(renderer, tracks_.normalList());
    renderer.trackStats() = {tracks_.normalList(),
                             lists_.compiledCount(),
                             lists_.calledCount(),
                             tracks_.shadowList(),
                             shadows ? tracks_.shadowCasters() : 0,
                             tracks_.farChunks(),
                             vehicles_.panelsDrawn(),
                             vehicles_.gearsDrawn()};
    drawHud(renderer);

    glPopMatrix();
    glFinish();
    checkGLError("COpenGLBackEnd::drawFrame");
}

void COpenGLBackEnd::shutdown() {
    lists_.releaseAll();
    items_.textures().releaseAll();
    textures_.release();
    font_.release();
    haveGLStrings_ = false;
}

} // namespace render::opengl
