#pragma once

#include "ui/Prompts.h"

class QWidget;

// Prompts as real message boxes and file choosers.
class QtPrompts : public Prompts {
  public:
    void SetOwners(QWidget* mainWindow, QWidget* editorPanel)
    {
        main = mainWindow;
        panel = editorPanel;
    }

    void ErrorBox(Owner owner, const std::string& text) override;
    void WarningBox(const std::string& text, const std::string& details) override;
    std::optional<std::string> ChooseOpenFile(Owner owner, const std::string& folder) override;
    std::optional<std::string> ChooseSaveFile(Owner owner) override;
    bool Offer(Owner owner, const std::string& text, const std::string& details, const std::string& action) override;
    std::optional<std::size_t> ChooseBackup(const std::vector<std::string>& rows,
                                            const std::vector<std::string>& leftOut) override;
    std::optional<DeviceChoice> ChooseDevice(const std::vector<std::string>& devices, int port,
                                             const DeviceRefusal& refusal) override;

  private:
    QWidget* Resolve(Owner owner) const { return owner == Owner::MainWindow ? main : panel; }
    std::optional<std::string> Choose(Owner owner, bool save, const std::string& folder = {});

    QWidget* main = nullptr;
    QWidget* panel = nullptr;
};
