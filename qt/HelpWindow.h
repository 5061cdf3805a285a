#pragma once

#include <QDialog>

class QTextBrowser;

// The bundled help pages, opened at their contents page.
class HelpWindow : public QDialog {
    Q_OBJECT

  public:
    explicit HelpWindow(QWidget* parent);
    void ShowContents();
    QTextBrowser* Browser() const { return browser; }

  private:
    QTextBrowser* browser;
};
