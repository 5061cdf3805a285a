#pragma once

// Turns a layout table into widgets, placed by dialog units so that the
// layout scales with its font and the screen density.

#include "ui/Layouts.h"

#include <QFont>
#include <QHash>
#include <QRect>
#include <QWidget>

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

// A dialog's controls by id, each reached as the kind it is.
class DialogControls {
  public:
    void Add(ControlId id, QWidget* widget) { widgets.insert(static_cast<int>(id), widget); }
    QWidget* Widget(ControlId id) const { return widgets.value(static_cast<int>(id)); }
    // The control as a W; a control of another kind (or none) is a fault in
    // the program, stopped here rather than cast blindly.
    template <typename W> W* As(ControlId id) const
    {
        W* widget = qobject_cast<W*>(Widget(id));
        if (!widget)
            qFatal("control %d is not a %s", static_cast<int>(id), W::staticMetaObject.className());
        return widget;
    }

  private:
    QHash<int, QWidget*> widgets;
};

// Creates the controls of `layout` as children of `parent`, in tab order.
DialogControls BuildDialog(const DialogSpec& layout, QWidget* parent, const DialogUnits& units);
