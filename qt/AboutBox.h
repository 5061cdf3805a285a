#pragma once

#include "image/ControlIds.h"

#include <QDialog>

// The modal About box: version, build stamps and operating system. Only OK
// (or Enter) closes it.
class QLabel;

class AboutBox : public QDialog {
    Q_OBJECT

  public:
    AboutBox(const QString& osFamily, QWidget* parent);
    // The text of the version or the system line.
    QString Line(ControlId id) const;

  public slots:
    void reject() override {} // Escape leaves the box open

  private:
    QLabel* version = nullptr;
    QLabel* system = nullptr;
};
