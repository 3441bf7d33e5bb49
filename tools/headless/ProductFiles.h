#pragma once
// The product types offered by the config directory beside the program.
#include <optional>
#include <string>
#include <vector>

//! Names of the product files (regular files ending in ".cfg" in any letter
//! case) in `directory`, sorted without regard to letter case; empty when the
//! directory cannot be read.
std::vector<std::string> ProductFileNames(const std::string& directory);

//! The product name of a product file: its name without the last four characters.
std::string ProductNameOf(const std::string& fileName);

//! The file of `product` among `fileNames`: the one whose product name equals
//! it, else the only one equal in any letter case.
std::optional<std::string> FindProductFile(const std::vector<std::string>& fileNames, const std::string& product);
