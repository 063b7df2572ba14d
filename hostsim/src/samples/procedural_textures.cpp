#include "samples/procedural_textures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace hostsim {

namespace {

// A picture being drawn, stored as Texture wants it: rows top-down, BGR or BGRA, rows padded
// to four bytes.
class Canvas {
  public:
    Canvas(int width, int height, bool alpha)
        : width_(width),
          height_(height),
          bytes_(alpha ? 4 : 3),
          rowBytes_((static_cast<size_t>(width) * bytes_ + 3) & ~size_t{3}),
          pixels_(rowBytes_ * static_cast<size_t>(height), 0) {}

    int Width() const { return width_; }
    int Height() const { return height_; }

    void Set(int x, int y, Color c) {
        uint8_t* p = &pixels_[static_cast<size_t>(y) * rowBytes_ + static_cast<size_t>(x) * bytes_];
        p[0] = c.blue;
        p[1] = c.green;
        p[2] = c.red;
        if (bytes_ == 4) p[3] = c.alpha;
    }

    Texture* Finish(Model& model, double width, double height, const std::string& fileName) {
        return model.CreateTexture(width_, height_, bytes_ * 8, std::move(pixels_), width, height,
                                   fileName);
    }

  private:
    int width_, height_, bytes_;
    size_t rowBytes_;
    std::vector<uint8_t> pixels_;
};

// Repeatable pixel noise in [0, 1): the same picture on every run and every machine.
double Noise(uint32_t x, uint32_t y, uint32_t salt) {
    uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ salt * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return (h & 0xFFFFFF) / 16777216.0;
}

Color Shade(Color c, double factor) {
    auto scale = [factor](uint8_t v) {
        return static_cast<uint8_t>(std::clamp(v * factor, 0.0, 255.0));
    };
    return {scale(c.red), scale(c.green), scale(c.blue), c.alpha};
}

}  // namespace

Texture* MakeBrickTexture(Model& model) {
    // Four courses of two bricks each; odd courses shift by half a brick.
    Canvas canvas(128, 64, false);
    const Color mortar{190, 185, 175, 255}, brick{160, 62, 42, 255};
    for (int y = 0; y < canvas.Height(); ++y) {
        int course = y / 16;
        for (int x = 0; x < canvas.Width(); ++x) {
            int shifted = (x + (course % 2) * 32) % 128;
            bool joint = y % 16 < 2 || shifted % 64 < 2;
            double grain = 0.85 + 0.3 * Noise(x, y, 1);
            double perBrick = 0.9 + 0.2 * Noise(shifted / 64, course, 2);
            canvas.Set(x, y, joint ? Shade(mortar, grain) : Shade(brick, grain * perBrick));
        }
    }
    return canvas.Finish(model, 32, 16, "brick.png");
}

Texture* MakeRoofTileTexture(Model& model) {
    Canvas canvas(64, 64, false);
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            // Each tile is darker towards its lower edge, where the next row overlaps it.
            double rowShade = 0.65 + 0.35 * (1.0 - (y % 16) / 16.0);
            int shifted = (x + ((y / 16) % 2) * 16) % 64;
            bool gap = shifted % 32 == 0;
            auto grey = static_cast<uint8_t>(gap ? 70 : 200 * rowShade + 30 * Noise(x, y, 3));
            canvas.Set(x, y, {grey, grey, grey, 255});
        }
    }
    return canvas.Finish(model, 24, 24, "roof_tiles.png");
}

Texture* MakeOakTexture(Model& model) {
    Canvas canvas(64, 128, false);
    const Color oak{176, 132, 82, 255};
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            int plank = x / 16;
            bool seam = x % 16 == 0 || (y + plank * 37) % 128 == 0;
            double grain = 0.85 +
                           0.1 * std::sin((y + 7.0 * plank) * 0.35 + 3.0 * Noise(x, plank, 4)) +
                           0.08 * Noise(x, y, 5);
            canvas.Set(x, y, seam ? Shade(oak, 0.55) : Shade(oak, grain));
        }
    }
    return canvas.Finish(model, 24, 48, "oak.png");
}

Texture* MakeGrassTexture(Model& model) {
    Canvas canvas(64, 64, false);
    const Color grass{92, 140, 60, 255};
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            // Short blades: brightness runs along y in streaks that change from column to column.
            double blade = 0.8 + 0.25 * Noise(x, y / 3, 6) + 0.15 * Noise(x / 2, y, 7);
            canvas.Set(x, y, Shade(grass, blade));
        }
    }
    return canvas.Finish(model, 40, 40, "grass.png");
}

Texture* MakeSignTexture(Model& model) {
    // A board with a house pictogram; the corners outside the rounded board are transparent.
    Canvas canvas(96, 64, true);
    const Color board{36, 84, 60, 255}, ink{240, 236, 220, 255}, clear{0, 0, 0, 0};
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            int cx = std::min(x, 95 - x), cy = std::min(y, 63 - y);
            bool corner = cx < 6 && cy < 6 && (6 - cx) * (6 - cx) + (6 - cy) * (6 - cy) > 36;
            bool roof = y >= 14 && y < 30 && std::abs(x - 48) <= (y - 14) * 3 / 2;
            bool walls = y >= 30 && y < 50 && x >= 30 && x < 66;
            bool door = y >= 38 && y < 50 && x >= 44 && x < 52;
            Color c = board;
            if ((roof || walls) && !door) c = ink;
            canvas.Set(x, y, corner ? clear : c);
        }
    }
    return canvas.Finish(model, 48, 32, "site_sign.png");
}

Texture* MakeWindowGridTexture(Model& model, const std::string& fileName, Color wall, Color glass,
                               double floorHeight, double bayWidth) {
    Canvas canvas(32, 32, false);
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            bool pane = x >= 4 && x < 28 && y >= 6 && y < 24;
            double light = 0.9 + 0.2 * Noise(x / 8, y / 8, 6);
            canvas.Set(x, y, pane ? Shade(glass, light) : Shade(wall, 0.95 + 0.1 * Noise(x, y, 7)));
        }
    }
    return canvas.Finish(model, bayWidth, floorHeight, fileName);
}

Texture* MakeAsphaltTexture(Model& model) {
    Canvas canvas(64, 64, false);
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            bool marking = x >= 30 && x < 34 && y < 40;
            auto grey = static_cast<uint8_t>(60 + 30 * Noise(x, y, 8));
            canvas.Set(x, y, marking ? Color{230, 230, 220, 255} : Color{grey, grey, grey, 255});
        }
    }
    return canvas.Finish(model, 240, 240, "asphalt.png");
}

}  // namespace hostsim
