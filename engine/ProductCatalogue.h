#pragma once
// The product types: one block list file <model>.cfg per product in the
// config directory beside the executable. The window's product list and the
// headless updater both find them here, by one rule.
#include <optional>
#include <string>
#include <vector>

//! The product files of one config directory.
class ProductCatalogue {
public:
    //! One product: its name and the name of its block list file.
    struct Product {
        std::string name;      //!< the file name without its last four characters
        std::string fileName;  //!< e.g. "Home 61.cfg" or "X10.CFG"
    };

    //! Reads `directory` (with its trailing separator): every regular file
    //! whose name ends in ".cfg" in any letter case and has a non-empty
    //! product name before it. A directory that cannot be read has none.
    explicit ProductCatalogue(std::string directory);

    //! The config directory beside the executable, with its trailing separator.
    static std::string ConfigDirectory();

    //! The products, sorted by name without regard to letter case.
    const std::vector<Product>& products() const { return m_products; }
    //! Their names, in the same order.
    std::vector<std::string> Names() const;
    //! The product called `name`: the one whose name equals it, else the
    //! only one equal in any letter case.
    std::optional<Product> Find(const std::string& name) const;
    //! The block list file of product `name`: the file of the product Find
    //! finds, else `name` + ".cfg" (whose opening then says what is wrong).
    std::string BlockListPath(const std::string& name) const;

    //! True for the name of a product file (see the constructor).
    static bool IsProductFileName(const std::string& fileName);

private:
    std::string m_directory;
    std::vector<Product> m_products;
};
