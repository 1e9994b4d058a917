#include "bench_data.h"

#include <cstdint>
#include <random>

namespace benchdata {
namespace {

// Every generator draws from its own source, one value per statement, so the order of the draws
// (and with it the data) does not depend on how a compiler orders the operands of an expression.
using Random = std::mt19937;

// Appends byte values as a project's data block writes them: two hex digits each, 32 to a line
// separated by spaces, each line closed by CR LF.
class HexLines {
 public:
  explicit HexLines(std::string& text) : text_(text) {}

  void Value(const unsigned value) {
    static const char digits[] = "0123456789ABCDEF";
    text_.push_back(digits[(value >> 4) & 15]);
    text_.push_back(digits[value & 15]);
    if (++inLine_ == kValuesPerLine) {
      text_ += "\r\n";
      inLine_ = 0;
    } else {
      text_.push_back(' ');
    }
  }

 private:
  static constexpr unsigned kValuesPerLine = 32;
  std::string& text_;
  unsigned inLine_ = 0;
};

// Lines of 32 hex values: mostly all zero, the rest mixing zeros, all-ones, small counters and
// scattered arbitrary values, with a block marker now and then.
std::string ProjectHex(const std::size_t size) {
  Random random(1);
  std::string text;
  HexLines lines(text);
  int block = 0;
  while (text.size() < size) {
    if (random() % 64 == 0) {
      text += "$?St$Bk?_#[" + std::to_string(block++) + "]\r\n";
      continue;
    }
    const unsigned kind = random() % 10;
    for (unsigned i = 0; i < 32; ++i) {
      unsigned value = 0;
      if (kind >= 6) {
        const unsigned r = random() % 10;
        if (r == 5) {
          value = 0xFF;
        } else if (r == 6 || r == 7) {
          value = i;
        } else if (r >= 8) {
          value = random() & 0xFF;
        }
      }
      lines.Value(value);
    }
  }
  return text;
}

// Device memory as its data block shows it: long stretches of 00 (up to a few hundred lines),
// runs of FF, and now and then a few arbitrary values.
std::string MostlyZeroHex(const std::size_t size) {
  Random random(4);
  std::string text;
  HexLines lines(text);
  while (text.size() < size) {
    const unsigned kind = random() % 16;
    if (kind < 9) {
      const unsigned count = 1 + random() % 128;
      for (unsigned i = 0; i < count; ++i) lines.Value(0x00);
    } else if (kind < 11) {
      const unsigned count = 1 + random() % 32;
      for (unsigned i = 0; i < count; ++i) lines.Value(0xFF);
    } else {
      const unsigned count = 1 + random() % 24;
      for (unsigned i = 0; i < count; ++i) lines.Value(random() & 0xFF);
    }
  }
  return text;
}

std::string Xml(const std::size_t size) {
  Random random(2);
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Prj Version=\"3.2\">\r\n";
  for (int id = 1; text.size() < size; ++id) {
    const unsigned name = random() % 64;
    const unsigned model = random() % 8;
    const unsigned definition = random() % 16;
    const unsigned version = random() % 10;
    text += "  <Comp ID=\"S" + std::to_string(id) + "\" Name=\"Unit" + std::to_string(name) + "\" Model=\"TQ5A-" +
            std::to_string(model) + "\" Def=\"unit_" + std::to_string(definition) + ".def\" Ver=\"1." +
            std::to_string(version) + "\">\r\n";
    for (int p = 0; p < 4; ++p) {
      const unsigned baud = 9600u << (random() % 4);
      text += "    <Param Key=\"Port" + std::to_string(p + 1) + "Baud\" Value=\"" + std::to_string(baud) + "\"/>\r\n";
    }
    text += "  </Comp>\r\n";
  }
  return text;
}

// Runs of one byte from 1 to 2000 long, most of them of a few common values, with a few
// arbitrary bytes between them.
std::string Runs(const std::size_t size) {
  static const std::uint8_t common[] = {0x00, 0xFF, 0x20, 0x55, 0xAA, 0x01};
  Random random(5);
  std::string bytes;
  while (bytes.size() < size) {
    const unsigned pick = random() % 8;
    const std::uint8_t value = pick < 6 ? common[pick] : static_cast<std::uint8_t>(random());
    const unsigned length = 1 + random() % (random() % 4 == 0 ? 2000 : 100);
    bytes.append(length, static_cast<char>(value));
    const unsigned noise = random() % 4;
    for (unsigned i = 0; i < noise; ++i) bytes.push_back(static_cast<char>(random()));
  }
  return bytes;
}

std::string RandomBytes(const std::size_t size) {
  Random random(3);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

}  // namespace

std::string_view KindName(const Kind kind) {
  switch (kind) {
    case Kind::kProjectHex: return "project_hex";
    case Kind::kMostlyZeroHex: return "zero_hex";
    case Kind::kXml: return "xml";
    case Kind::kRuns: return "runs";
    case Kind::kRandom: return "random";
  }
  return "";
}

std::optional<Kind> KindNamed(const std::string_view name) {
  for (const Kind kind : kKinds) {
    if (KindName(kind) == name) return kind;
  }
  return std::nullopt;
}

std::string Generate(const Kind kind, const std::size_t size) {
  std::string data;
  switch (kind) {
    case Kind::kProjectHex: data = ProjectHex(size); break;
    case Kind::kMostlyZeroHex: data = MostlyZeroHex(size); break;
    case Kind::kXml: data = Xml(size); break;
    case Kind::kRuns: data = Runs(size); break;
    case Kind::kRandom: data = RandomBytes(size); break;
  }
  data.resize(size);
  return data;
}

}  // namespace benchdata
