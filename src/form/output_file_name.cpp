#include "form/output_file_name.h"

#include <filesystem>

#include "form/option_form_settings.h"

namespace mirelk::form {

namespace fs = std::filesystem;

std::string OutputBaseName(const std::string& outputFolder, const std::string& inputFile)
{
    fs::path input(inputFile);
    if (outputFolder == kSameAsInput) return input.replace_extension().string();
    std::string folder = outputFolder;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + input.stem().string();
}

std::string FreeOutputName(const std::string& base, const std::string& ending,
                           const std::function<bool(const std::string&)>& taken)
{
    std::string name = base + "_(new)" + ending;
    for (long number = 1; taken(name); ++number) name = base + "_(new_" + std::to_string(number) + ")" + ending;
    return name;
}

bool NameInUse(const std::string& path)
{
    // A name that cannot be looked at (no access to its folder) counts as free: writing it will
    // fail and say so, where counting it as taken would try the next names for ever.
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

}  // namespace mirelk::form
