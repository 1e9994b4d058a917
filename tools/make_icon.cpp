// Writes the program's icon file for the Windows build: the picture of packaging/tqconverter.svg
// (an old module passing into a new one) drawn at 16, 32, 48 and 256 pixels, each as a 32-bit
// image with its alpha channel, as the icon format stores them.
//   make_icon OUT.ico
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Colour {
  double r, g, b;
};

Colour Hex(std::uint32_t rgb) {
  return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0};
}

Colour Mix(Colour a, Colour b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// One shape of the picture, in the 64-unit square of the drawing: whether a point is inside it,
// and its colour there.
struct Shape {
  std::function<bool(double x, double y)> inside;
  std::function<Colour(double x, double y)> colour;
};

bool InRoundedRect(double x, double y, double left, double top, double width, double height, double radius) {
  if (x < left || y < top || x > left + width || y > top + height) return false;
  const double cx = std::clamp(x, left + radius, left + width - radius);
  const double cy = std::clamp(y, top + radius, top + height - radius);
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

Shape Rect(double left, double top, double width, double height, double radius, Colour colour) {
  return {[=](double x, double y) { return InRoundedRect(x, y, left, top, width, height, radius); },
          [=](double, double) { return colour; }};
}

// A rounded rectangle filled with a vertical gradient, and its outline of the given width.
std::vector<Shape> Module(double left, double top, double width, double height, Colour from, Colour to,
                          Colour outline) {
  const double line = 1.5;
  return {Rect(left - line / 2, top - line / 2, width + line, height + line, 3 + line / 2, outline),
          {[=](double x, double y) {
             return InRoundedRect(x, y, left + line / 2, top + line / 2, width - line, height - line, 3 - line / 2);
           },
           [=](double, double y) { return Mix(from, to, (y - top) / height); }}};
}

Shape Circle(double cx, double cy, double radius, Colour colour) {
  return {[=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius; },
          [=](double, double) { return colour; }};
}

// The arrow of the conversion: a shaft and a head pointing right.
Shape Arrow(Colour colour) {
  return {[](double x, double y) {
            const bool shaft = x >= 23 && x <= 31 && y >= 46.5 && y <= 54.5;
            const bool head = x >= 31 && x <= 38 && std::abs(y - 52) <= 5.5 * (38 - x) / 7;
            return shaft || head;
          },
          [=](double, double) { return colour; }};
}

std::vector<Shape> Picture() {
  std::vector<Shape> shapes;
  const auto add = [&](std::vector<Shape> more) { shapes.insert(shapes.end(), more.begin(), more.end()); };
  add(Module(4, 6, 30, 44, Hex(0xeef1f4), Hex(0xc5ccd4), Hex(0x6b7580)));
  add({Rect(8, 10, 22, 8, 1, Hex(0x39424c)), Circle(11, 23, 1.6, Hex(0x4caf50)), Circle(16, 23, 1.6, Hex(0x4caf50)),
       Circle(21, 23, 1.6, Hex(0xf4b400))});
  for (const double top : {30.0, 36.0, 42.0}) add({Rect(8, top, 22, 3, 1, Hex(0x8a939d))});
  add(Module(28, 14, 32, 44, Hex(0x4f9be0), Hex(0x1f5fa8), Hex(0x173f70)));
  add({Rect(32, 18, 24, 8, 1, Hex(0x0f2a4a))});
  for (const double cx : {35.0, 40.0, 45.0}) add({Circle(cx, 31, 1.6, Hex(0x7cfc9a))});
  for (const double top : {38.0, 44.0, 50.0}) add({Rect(32, top, 24, 3, 1, Hex(0xa9c9ee))});
  add({Circle(30, 52, 9.75, Hex(0x173f70)), Circle(30, 52, 8.25, Hex(0xffffff)), Arrow(Hex(0xe8710a))});
  return shapes;
}

// The picture at size x size pixels, bottom row first, as B, G, R, A bytes: each pixel the mean
// of 4 x 4 samples, so edges are smooth at every size.
std::vector<std::uint8_t> Render(const std::vector<Shape>& shapes, int size) {
  constexpr int kSamples = 4;
  std::vector<std::uint8_t> pixels;
  pixels.reserve(static_cast<std::size_t>(size) * size * 4);
  for (int row = size - 1; row >= 0; --row) {
    for (int column = 0; column < size; ++column) {
      double r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const double x = (column + (sx + 0.5) / kSamples) * 64.0 / size;
          const double y = (row + (sy + 0.5) / kSamples) * 64.0 / size;
          for (auto shape = shapes.rbegin(); shape != shapes.rend(); ++shape) {
            if (!shape->inside(x, y)) continue;
            const Colour c = shape->colour(x, y);
            r += c.r;
            g += c.g;
            b += c.b;
            a += 1;
            break;
          }
        }
      }
      const double samples = kSamples * kSamples;
      // The colour is the mean of the samples the picture covers; the share covered is the alpha.
      const auto channel = [&](double sum) {
        return static_cast<std::uint8_t>(a > 0 ? std::lround(255 * sum / a) : 0);
      };
      pixels.push_back(channel(b));
      pixels.push_back(channel(g));
      pixels.push_back(channel(r));
      pixels.push_back(static_cast<std::uint8_t>(std::lround(255 * a / samples)));
    }
  }
  return pixels;
}

void Put16(std::string& out, unsigned value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}
void Put32(std::string& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// One image of the icon: a bitmap header with twice the height (colour and mask), the pixels,
// and an AND mask of zeros (the alpha channel decides).
std::string IconImage(const std::vector<std::uint8_t>& pixels, int size) {
  std::string image;
  Put32(image, 40);
  Put32(image, static_cast<std::uint32_t>(size));
  Put32(image, static_cast<std::uint32_t>(size * 2));
  Put16(image, 1);
  Put16(image, 32);
  Put32(image, 0);
  Put32(image, static_cast<std::uint32_t>(pixels.size()));
  for (int i = 0; i < 4; ++i) Put32(image, 0);
  image.append(pixels.begin(), pixels.end());
  const int maskRowBytes = ((size + 31) / 32) * 4;
  image.append(static_cast<std::size_t>(maskRowBytes) * size, '\0');
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icon OUT.ico\n");
    return 2;
  }
  const std::vector<Shape> shapes = Picture();
  const int sizes[] = {16, 32, 48, 256};
  std::vector<std::string> images;
  for (const int size : sizes) images.push_back(IconImage(Render(shapes, size), size));

  std::string file;
  Put16(file, 0);
  Put16(file, 1);  // an icon
  Put16(file, static_cast<unsigned>(images.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    const int size = sizes[i];
    file += static_cast<char>(size >= 256 ? 0 : size);  // 0 stands for 256
    file += static_cast<char>(size >= 256 ? 0 : size);
    file += '\0';  // no palette
    file += '\0';
    Put16(file, 1);
    Put16(file, 32);
    Put32(file, static_cast<std::uint32_t>(images[i].size()));
    Put32(file, offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const std::string& image : images) file += image;

  std::ofstream out(argv[1], std::ios::binary);
  out.write(file.data(), static_cast<std::streamsize>(file.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "make_icon: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
