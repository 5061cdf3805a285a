#pragma once

#include <QDialog>

// The modal About box: version, build stamps and operating system. Only OK
// (or Enter) closes it.
class AboutBox : public QDialog {
    Q_OBJECT

  public:
    AboutBox(const QString& osFamily, QWidget* parent);
    QString Line(int id) const;

  public slots:
    void reject() override {} // Escape leaves the box open

  private:
    QWidget* version = nullptr;
    QWidget* system = nullptr;
};

// "Ver 2.8, Built <time>, <date>" with the build's stamps.
QString VersionLine();
