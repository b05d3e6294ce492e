#pragma once
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

class QPainter;

namespace trains {
class CTrainItem;
}

namespace editor {

// Side of a vehicle picture, in board pixels.
inline constexpr int kVehiclePictureSize = 56;

// The picture angle for a heading in degrees: reversed running adds 173, then the angle is
// rounded to the 15-degree step ((integer part of h + 7) div 15 × 15) and wrapped into 0 … 345.
int quantisedMarkerAngle(double headingDegrees, bool reversed);

// The heading of a vehicle on the board, in degrees in [0, 360): the direction from wheel set 1
// to wheel set 2, from +x towards +z (clockwise on the screen); 0 when they coincide.
double markerHeading(const trains::CTrainItem& vehicle);

// The vehicle pictures: the thumbnail of each vehicle model, or the built-in default picture of
// the vehicle's type, fitted into 56 × 56 and turned to each 15-degree angle on first use.
// White is transparent; the pale form (vehicles off the current layer) draws every other
// colour light grey. User-interface thread only.
QImage vehiclePicture(const std::string& modelName, std::int32_t typeCode, int angle, bool pale);
void clearVehiclePictures();

// Collects repaint requests from any thread into at most one pending update of a widget:
// the first request posts one update to the widget's thread, later ones wait for it.
class CoalescingInvalidator {
public:
    // A new target starts with nothing pending (an update posted to an old one is dropped
    // with it). User-interface thread only.
    void setTarget(QWidget* widget);
    void request();
    // Requests made since the last update were coalesced into this many posted updates.
    int postedUpdates() const { return posted_.load(); }

private:
    std::mutex mutex_; // guards target_ against requests from other threads
    QPointer<QWidget> target_;
    std::atomic<bool> pending_{false};
    std::atomic<int> posted_{0};
};

// Gives every vehicle created from now on a marker whose moves repaint the widget (the layout
// view's viewport) through one coalescing invalidator. Call again with null to detach.
void installVehicleMarkers(QWidget* viewport);
CoalescingInvalidator& markerInvalidator();

// Draws the markers of every vehicle that meets `area` (board pixels) with their pictures
// turned to their headings; vehicles off `currentLayer` are drawn pale.
void paintVehicleMarkers(QPainter& painter, const QRect& area, int currentLayer);

// Whether a vehicle's picture is drawn: not on a tile whose structure model has draw flag 0x8.
bool isVehiclePictureShown(const trains::CTrainItem& vehicle);

} // namespace editor
