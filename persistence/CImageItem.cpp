#include "persistence/CImageItem.h"

#include "image/PictureHelpers.h"
#include "image/PngCodec.h"
#include "model/PieceSeams.h"

namespace persistence {

CImageItem::CImageItem(image::Picture picture) : picture_(std::move(picture)) {}

std::unique_ptr<CImageItem> CImageItem::fromPng(std::span<const std::uint8_t> png) {
    if (!image::isPngSignature(png)) {
        return nullptr;
    }
    image::Picture picture = image::decodePngPicture(png);
    if (picture.empty()) {
        return nullptr;
    }
    auto item = std::make_unique<CImageItem>(std::move(picture));
    item->png_.assign(png.begin(), png.end());
    return item;
}

std::unique_ptr<model::TilePicture> CImageItem::clone() const {
    auto copy = std::make_unique<CImageItem>(picture_);
    copy->png_ = png_;
    return copy;
}

void CImageItem::rotate90() {
    picture_ = image::rotatePicture(picture_, 90);
    png_.clear();
}

void CImageItem::mirrorLeftRight() {
    image::mirrorPictureLeftRightInPlace(picture_);
    png_.clear();
}

void CImageItem::mirrorTopBottom() {
    image::mirrorPictureTopBottomInPlace(picture_);
    png_.clear();
}

std::vector<std::uint8_t> CImageItem::encodePng() const {
    if (!png_.empty()) {
        return png_;
    }
    return image::encodePngPicture(picture_);
}

void installTilePictures() {
    auto& hooks = model::pieceHooks();
    if (!hooks.pictureFromPng) {
        hooks.pictureFromPng =
            [](std::span<const std::uint8_t> png) -> std::unique_ptr<model::TilePicture> {
            return CImageItem::fromPng(png);
        };
    }
}

} // namespace persistence
