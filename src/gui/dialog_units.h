// Dialog templates place their controls in dialog units, which grow with the dialog's font: a
// horizontal unit is a quarter of the font's average character width, a vertical unit an eighth
// of its line height. The windows are laid out from their templates through these units, so the
// proportions hold whatever font a machine offers.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);

  int ToPixelsX(int units) const;
  int ToPixelsY(int units) const;
  QRect ToPixels(int left, int top, int width, int height) const;
  QSize ToPixels(int width, int height) const;

  // The width of the 52 Latin letters over 52, rounded, as templates measure the font.
  int averageCharWidth() const { return averageCharWidth_; }
  int lineHeight() const { return lineHeight_; }

 private:
  int averageCharWidth_;
  int lineHeight_;
};

// The templates' font: "MS UI Gothic" at 9 points where it is installed, otherwise a sans serif
// with Japanese glyphs at 9 points, so that both languages render.
QFont DialogFont();
