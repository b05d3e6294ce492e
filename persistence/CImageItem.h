#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "image/Picture.h"
#include "model/ModelSeams.h"

namespace persistence {

// The picture of a tile, as the layout file carries it: a PNG file decoded into a picture.
// The PNG bytes it was read from are kept until the picture is turned or mirrored, so that
// reading and saving a layout leaves its pictures byte for byte as they were.
class CImageItem final : public model::TilePicture {
public:
    explicit CImageItem(image::Picture picture);

    // A picture from PNG bytes; null unless the bytes start with the PNG signature and decode.
    static std::unique_ptr<CImageItem> fromPng(std::span<const std::uint8_t> png);

    std::unique_ptr<model::TilePicture> clone() const override;
    void rotate90() override;
    void mirrorLeftRight() override;
    void mirrorTopBottom() override;
    std::vector<std::uint8_t> encodePng() const override;

    const image::Picture& picture() const { return picture_; }

private:
    image::Picture picture_;
    std::vector<std::uint8_t> png_;
};

// Installs fromPng as the model's picture maker for PNG bytes, unless one is installed.
void installTilePictures();

} // namespace persistence
