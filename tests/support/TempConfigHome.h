#pragma once
// Points the per-user configuration folder at a fresh temporary folder for the
// lifetime of the object, so that no test touches the real one.

#include <filesystem>
#include <string>

class TempConfigHome {
public:
    TempConfigHome();
    ~TempConfigHome();

    const std::filesystem::path& Root() const { return root_; }
    // Where the program keeps its files under this home.
    std::filesystem::path DataFolder() const { return root_ / "Brightfold" / "T860"; }
    std::filesystem::path IniFile() const { return DataFolder() / "XlateLib.ini"; }

private:
    std::filesystem::path root_;
    std::string savedXdg_;
    bool hadXdg_ = false;
};
