#include "ui/FileCommands.h"

#include "files/EepromFile.h"

int OpenEepromFile(EepromImage& image, Prompts& prompts, Owner owner, const FileNameDisplay& showName,
                   const std::string& folder)
{
    const auto path = prompts.ChooseOpenFile(owner, folder);
    return path ? LoadNamedEepromFile(image, prompts, owner, showName, *path) : 0;
}

int LoadNamedEepromFile(EepromImage& image, Prompts& prompts, Owner owner, const FileNameDisplay& showName,
                        const std::string& path)
{
    showName("File Name: " + BaseName(path), path);
    const std::string problem = LoadEepromFile(path, image);
    if (!problem.empty()) {
        prompts.ErrorBox(owner, problem);
        return 0;
    }
    return 1;
}

int SaveEepromFile(const EepromImage& image, Prompts& prompts, Owner owner, const FileNameDisplay& showName)
{
    const auto path = prompts.ChooseSaveFile(owner);
    if (!path)
        return 0;
    showName(BaseName(*path), *path);
    const std::string problem = StoreEepromFile(*path, image);
    if (!problem.empty()) {
        prompts.ErrorBox(owner, problem);
        return 0;
    }
    return 1;
}
