#pragma once

// Go to setting: a small box where typing part of a caption ("wei", "side",
// "message 3") and Enter puts the keyboard on that control, so that a
// keyboard or screen-reader user need not walk the panel with Tab.

#include <QDialog>

class EditorPanel;
class QLabel;
class QLineEdit;
class QListWidget;

class SettingFinder : public QDialog {
    Q_OBJECT

  public:
    explicit SettingFinder(QWidget* parent = nullptr);
    QLineEdit* Typed() const { return typed; }
    // The caption of the setting Enter would go to, or empty.
    QString Chosen() const;
    // "No setting matches "zqxw".", or empty while something matches.
    QString Said() const;

    // Enter with nothing matching keeps the box open: there is nowhere to go.
    void accept() override;

  private:
    void Match(const QString& text);

    QLineEdit* typed;
    QListWidget* matches;
    QLabel* said;
};

// Runs the finder and, when a setting was chosen, gives its control the
// keyboard.
void GoToSetting(EditorPanel& panel, QWidget* parent);
