#include "gui/dialog_units.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

namespace {

constexpr int kDialogFontPoints = 9;

// Rounds units * base / divisor to the nearest pixel, halves away from zero, as templates do.
int Scale(int units, int base, int divisor) {
  const long long product = static_cast<long long>(units) * base;
  const long long half = divisor / 2;
  return static_cast<int>(product >= 0 ? (product + half) / divisor : (product - half) / divisor);
}

int AverageCharWidth(const QFontMetrics& metrics) {
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return (letters / 26 + 1) / 2;
}

// A family for Japanese text: one made for Japanese before one for a neighbouring script, a
// sans serif before any other, never a fixed-pitch one.
QString JapaneseSansFamily() {
  QString best;
  int bestScore = -1;
  for (const QString& family : QFontDatabase::families(QFontDatabase::Japanese)) {
    if (QFontDatabase::isFixedPitch(family) || family.contains(QStringLiteral("Mono"))) continue;
    int score = 0;
    if (family.endsWith(QStringLiteral(" JP")) || family.contains(QStringLiteral("Japanese"))) score += 2;
    if (family.contains(QStringLiteral("Sans")) || family.contains(QStringLiteral("Gothic"))) score += 1;
    if (score > bestScore) {
      best = family;
      bestScore = score;
    }
  }
  return best;
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  averageCharWidth_ = AverageCharWidth(metrics);
  lineHeight_ = metrics.height();
}

int DialogUnits::ToPixelsX(int units) const { return Scale(units, averageCharWidth_, 4); }
int DialogUnits::ToPixelsY(int units) const { return Scale(units, lineHeight_, 8); }

QRect DialogUnits::ToPixels(int left, int top, int width, int height) const {
  return {ToPixelsX(left), ToPixelsY(top), ToPixelsX(width), ToPixelsY(height)};
}

QSize DialogUnits::ToPixels(int width, int height) const { return {ToPixelsX(width), ToPixelsY(height)}; }

QFont DialogFont() {
  const QString templateFamily = QStringLiteral("MS UI Gothic");
  QFont font;
  font.setStyleHint(QFont::SansSerif);
  if (QFontDatabase::families().contains(templateFamily)) {
    font.setFamily(templateFamily);
  } else if (const QString family = JapaneseSansFamily(); !family.isEmpty()) {
    font.setFamily(family);
  }
  font.setPointSize(kDialogFontPoints);
  return font;
}
