#include "ProductFiles.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace {

constexpr std::size_t kExtensionLength = 4;  // ".cfg"

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool isProductFileName(const std::string& name)
{
    return name.size() > kExtensionLength && lowered(name.substr(name.size() - kExtensionLength)) == ".cfg";
}

}  // namespace

std::vector<std::string> ProductFileNames(const std::string& directory)
{
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        std::error_code typeError;
        const std::string name = it->path().filename().string();
        if (isProductFileName(name) && it->is_regular_file(typeError))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return lowered(a) < lowered(b); });
    return names;
}

std::string ProductNameOf(const std::string& fileName)
{
    return fileName.size() >= kExtensionLength ? fileName.substr(0, fileName.size() - kExtensionLength) : fileName;
}

std::optional<std::string> FindProductFile(const std::vector<std::string>& fileNames, const std::string& product)
{
    for (const auto& name : fileNames)
        if (ProductNameOf(name) == product)
            return name;
    std::optional<std::string> found;
    for (const auto& name : fileNames) {
        if (lowered(ProductNameOf(name)) != lowered(product))
            continue;
        if (found)
            return std::nullopt;
        found = name;
    }
    return found;
}
