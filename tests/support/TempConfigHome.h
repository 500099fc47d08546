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
    void Redirect();
    void Restore();

    std::filesystem::path root_;
    std::string saved_;
    bool hadSaved_ = false;
#ifdef _WIN32
    void* exclusive_ = nullptr;  // held while the user's folder is redirected
#endif
};
