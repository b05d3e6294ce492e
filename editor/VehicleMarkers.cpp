#include "editor/VehicleMarkers.h"

#include <QMetaObject>
#include <QPainter>
#include <QTransform>

#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "items/BuiltinFiles.h"
#include "items/C3DItemObject.h"
#include "items/ItemCatalogue.h"
#include "items/ItemHeader.h"
#include "model/CTrackItem.h"
#include "model/CTrackStructureItem.h"
#include "platform/RenderLock.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
#include "trains/TrainHooks.h"

namespace editor {

namespace {

constexpr double kPi = 3.141592;
constexpr QRgb kWhite = 0xFFFFFFFFu;

// The default picture name and built-in picture number of a type code.
std::pair<std::string, int> defaultPicture(std::int32_t typeCode) {
    switch (typeCode) {
    case 1:
    case 9000:
        return {"_DefaultTrain_SL", 13000};
    case 9001:
        return {"_DefaultTrain_EL", 13001};
    case 9003:
        return {"_DefaultTrain_Automobile", 13003};
    default:
        return {"_DefaultTrain_BoxCar", 13002};
    }
}

QImage fitted(const QImage& source) {
    QImage square(kVehiclePictureSize, kVehiclePictureSize, QImage::Format_RGB32);
    square.fill(Qt::white);
    if (!source.isNull()) {
        const QImage scaled = source.scaled(kVehiclePictureSize, kVehiclePictureSize,
                                            Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QPainter p(&square);
        p.drawImage((kVehiclePictureSize - scaled.width()) / 2,
                    (kVehiclePictureSize - scaled.height()) / 2, scaled);
    }
    return square;
}

// Turns a square picture about its centre by `angle` degrees (nearest neighbour), then makes
// white transparent; the pale form draws every other pixel light grey.
QImage turned(const QImage& base, int angle, bool pale) {
    const int n = kVehiclePictureSize;
    QImage out(n, n, QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    const double a = angle * kPi / 180.0;
    const double c = std::cos(a);
    const double s = std::sin(a);
    const double half = (n - 1) / 2.0;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            // The source pixel that lands here when the picture turns clockwise on the screen.
            const double dx = x - half;
            const double dy = y - half;
            const int sx = static_cast<int>(std::lround(half + c * dx + s * dy));
            const int sy = static_cast<int>(std::lround(half - s * dx + c * dy));
            if (sx < 0 || sy < 0 || sx >= n || sy >= n) {
                continue;
            }
            const QRgb px = base.pixel(sx, sy) | 0xFF000000u;
            if (px == kWhite) {
                continue;
            }
            out.setPixel(x, y, pale ? qRgb(208, 208, 208) : px);
        }
    }
    return out;
}

struct PictureCache {
    std::map<std::string, QImage> bases;                               // fitted, unturned
    std::map<std::tuple<std::string, int, bool>, QImage> turnedImages; // by name, angle, pale
};

PictureCache& cache() {
    static PictureCache c;
    return c;
}

// The fitted picture of a name, loading it on first use; null when there is none.
const QImage* basePicture(const std::string& name, int builtin) {
    auto& bases = cache().bases;
    auto it = bases.find(name);
    if (it == bases.end()) {
        QImage image;
        if (builtin > 0) {
            const auto path = items::findBuiltinPicture(builtin);
            if (!path.empty()) {
                image.load(QString::fromStdString(path.string()));
            }
        } else if (const auto path = items::findInCatalogue(name)) {
            const auto bytes = items::readThumbnail(*path);
            if (!bytes.empty()) {
                image.loadFromData(bytes.data(), static_cast<int>(bytes.size()), "PNG");
            }
        }
        it = bases.emplace(name, image.isNull() ? QImage() : fitted(image)).first;
    }
    return it->second.isNull() ? nullptr : &it->second;
}

} // namespace

int quantisedMarkerAngle(double headingDegrees, bool reversed) {
    double h = headingDegrees;
    if (reversed) {
        h += 173.0;
    }
    const long q = (static_cast<long>(std::trunc(h + 7.0)) / 15) * 15;
    return static_cast<int>(((q % 360) + 360) % 360);
}

double markerHeading(const trains::CTrainItem& vehicle) {
    int x1 = 0, z1 = 0, x2 = 0, z2 = 0;
    if (!vehicle.boardPoint1(x1, z1) || !vehicle.boardPoint2(x2, z2)) {
        return 0.0;
    }
    const int dx = x2 - x1;
    const int dz = z2 - z1;
    if (dx == 0 && dz == 0) {
        return 0.0;
    }
    double h = std::atan2(static_cast<double>(dz), static_cast<double>(dx)) * 180.0 / kPi;
    if (h < 0) {
        h += 360.0;
    }
    return h >= 360.0 ? 0.0 : h;
}

QImage vehiclePicture(const std::string& modelName, std::int32_t typeCode, int angle, bool pale) {
    std::string name = modelName;
    const QImage* base = nullptr;
    if (typeCode >= 9000 && typeCode <= 9005 && !name.empty()) {
        base = basePicture(name, 0);
    }
    if (!base) {
        const auto [fallback, number] = defaultPicture(typeCode);
        name = fallback;
        base = basePicture(name, number);
    }
    if (!base) {
        return {};
    }
    auto& images = cache().turnedImages;
    const auto key = std::make_tuple(name, angle, pale);
    auto it = images.find(key);
    if (it == images.end()) {
        it = images.emplace(key, turned(*base, angle, pale)).first;
    }
    return it->second;
}

void clearVehiclePictures() {
    cache().bases.clear();
    cache().turnedImages.clear();
}

void CoalescingInvalidator::setTarget(QWidget* widget) {
    const std::lock_guard lock(mutex_);
    target_ = widget;
    pending_ = false;
}

void CoalescingInvalidator::request() {
    const std::lock_guard lock(mutex_);
    QWidget* target = target_.data();
    if (!target || pending_.exchange(true)) {
        return;
    }
    ++posted_;
    QMetaObject::invokeMethod(
        target,
        [this, target] {
            pending_ = false;
            target->update();
        },
        Qt::QueuedConnection);
}

namespace {

// A vehicle's marker: its moves ask the layout view for one coalesced repaint.
class MarkerPane final : public trains::VehiclePane {
public:
    void place() override { markerInvalidator().request(); }
};

} // namespace

CoalescingInvalidator& markerInvalidator() {
    static CoalescingInvalidator invalidator;
    return invalidator;
}

void installVehicleMarkers(QWidget* viewport) {
    markerInvalidator().setTarget(viewport);
    if (viewport) {
        trains::trainHooks().createPane = [](trains::CTrainItem&) {
            return std::unique_ptr<trains::VehiclePane>(new MarkerPane);
        };
    } else {
        trains::trainHooks().createPane = nullptr;
    }
}

bool isVehiclePictureShown(const trains::CTrainItem& vehicle) {
    const model::CTrackItem* tile = vehicle.currentTile();
    if (!tile || !tile->hasStructure()) {
        return true;
    }
    const auto* structure = tile->getStructure();
    if (structure->getCategory() != 9000) {
        return true;
    }
    const auto* model = structure->itemModel();
    return !(model && (model->drawFlags() & 0x8u));
}

void paintVehicleMarkers(QPainter& painter, const QRect& area, int currentLayer) {
    struct Marker {
        QPoint centre;
        int angle;
        bool pale;
        std::int32_t typeCode;
        std::string name;
    };
    std::vector<Marker> markers;
    {
        // The controller thread moves vehicles under the render lock: read them under it.
        platform::RenderLockGuard lock;
        const auto* controller = trains::trainController();
        if (!controller) {
            return;
        }
        for (const trains::CTrainItem* v : controller->vehicles()) {
            int x = 0, z = 0;
            if (!v || !v->currentTile() || !v->boardPoint1(x, z) || !isVehiclePictureShown(*v)) {
                continue;
            }
            const QRect rect(x - kVehiclePictureSize / 2, z - kVehiclePictureSize / 2,
                             kVehiclePictureSize, kVehiclePictureSize);
            if (!rect.intersects(area)) {
                continue;
            }
            markers.push_back(Marker{
                QPoint(x, z), quantisedMarkerAngle(markerHeading(*v), v->isReversedRunning()),
                v->currentLayer() != currentLayer, v->typeCode(), v->modelName()});
        }
    }
    for (const Marker& m : markers) {
        const QImage picture = vehiclePicture(m.name, m.typeCode, m.angle, m.pale);
        if (!picture.isNull()) {
            painter.drawImage(m.centre - QPoint(picture.width() / 2, picture.height() / 2),
                              picture);
        }
    }
}

} // namespace editor
