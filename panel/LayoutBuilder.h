#pragma once

// Turns a layout table into widgets, placed by dialog units so that the
// layout scales with its font and the screen density.

#include "res/Layouts.h"

#include <QFont>
#include <QHash>
#include <QRect>

class QWidget;

// Dialog units of a font: x pixels = x * average character width / 4,
// y pixels = y * character height / 8.
class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);
    QRect ToPixels(int x, int y, int width, int height) const;
    QSize ToPixels(int width, int height) const { return ToPixels(0, 0, width, height).size(); }

  private:
    int charWidth;
    int charHeight;
};

// The font every layout is drawn in.
QFont DialogFont();

// Creates the controls of `layout` as children of `parent`, in tab order,
// and returns them by control id.
QHash<int, QWidget*> BuildDialog(const DialogSpec& layout, QWidget* parent, const DialogUnits& units);
