#include "ProductCatalogue.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "FileHelpers.h"
#include "FileSystem.h"
#include "ModulePath.h"

namespace {

constexpr const char* kConfigFolder = "config";
constexpr const char* kExtension = ".cfg";
constexpr std::size_t kExtensionLength = 4;

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool byNameIgnoringCase(const ProductCatalogue::Product& a, const ProductCatalogue::Product& b)
{
    const std::string left = lowered(a.name);
    const std::string right = lowered(b.name);
    // Names equal but for letter case still come in one fixed order.
    return left != right ? left < right : a.name < b.name;
}

}  // namespace

ProductCatalogue::ProductCatalogue(std::string directory) : m_directory(std::move(directory))
{
    std::error_code error;
    for (std::filesystem::directory_iterator it(platform::SystemFilePath(m_directory), error), end; !error && it != end; it.increment(error)) {
        const std::string name = platform::Utf8FromPath(it->path().filename());
        std::error_code typeError;
        // is_regular_file follows links: a link to a product file counts, a pipe or a folder does not.
        if (IsProductFileName(name) && it->is_regular_file(typeError))
            m_products.push_back({name.substr(0, name.size() - kExtensionLength), name});
    }
    std::sort(m_products.begin(), m_products.end(), byNameIgnoringCase);
}

std::string ProductCatalogue::ConfigDirectory()
{
    std::string directory;
    return GetExeDirectory(directory) + kConfigFolder + platform::PathSeparator();
}

std::vector<std::string> ProductCatalogue::Names() const
{
    std::vector<std::string> names;
    for (const Product& product : m_products)
        names.push_back(product.name);
    return names;
}

std::optional<ProductCatalogue::Product> ProductCatalogue::Find(const std::string& name) const
{
    for (const Product& product : m_products)
        if (product.name == name)
            return product;
    std::optional<Product> found;
    for (const Product& product : m_products) {
        if (lowered(product.name) != lowered(name))
            continue;
        if (found)
            return std::nullopt;
        found = product;
    }
    return found;
}

std::string ProductCatalogue::BlockListPath(const std::string& name) const
{
    const std::optional<Product> product = Find(name);
    return m_directory + (product ? product->fileName : name + kExtension);
}

bool ProductCatalogue::IsProductFileName(const std::string& fileName)
{
    return fileName.size() > kExtensionLength &&
           lowered(fileName.substr(fileName.size() - kExtensionLength)) == kExtension;
}
