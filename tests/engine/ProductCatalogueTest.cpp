// The product files of a config directory, as the window and the headless
// updater both list them.
#include <gtest/gtest.h>


#include "ProductCatalogue.h"
#include "SystemFiles.h"
#include "UpdateTestSupport.h"

namespace {

class ProductCatalogueTest : public ::testing::Test {
protected:
    std::string directory() const { return scratch.path().string() + "/"; }
    ScratchDirectory scratch;
};

TEST_F(ProductCatalogueTest, RegularFilesWithANameSortedWithoutLetterCase)
{
    for (const char* name : {"b.cfg", "A.cfg", "X10.CFG", "ab.cfg", "B2.cfg", "x.CfG", "readme.txt", ".cfg",
                             "a.cfg.bak", "cfg"})
        scratch.writeText(name, "0\n");
    std::filesystem::create_directory(scratch.path() / "old.cfg");
    std::filesystem::create_directory_symlink(scratch.path() / "old.cfg", scratch.path() / "link.cfg");
    std::filesystem::create_symlink(scratch.path() / "b.cfg", scratch.path() / "alias.cfg");
    testsupport::MakeNamedPipe(scratch.path() / "pipe.cfg");  // where the system has them

    const ProductCatalogue catalogue(directory());

    EXPECT_EQ(catalogue.Names(), (std::vector<std::string>{"A", "ab", "alias", "b", "B2", "x", "X10"}));
    EXPECT_EQ(catalogue.products()[6].fileName, "X10.CFG");
    EXPECT_TRUE(ProductCatalogue(directory() + "absent/").products().empty());
}

TEST_F(ProductCatalogueTest, ProductNamesItsFileExactlyElseInAnyLetterCase)
{
    for (const char* name : {"Home 61.CFG", "Stage 88.cfg", "stage 88.cfg"})
        scratch.writeText(name, "0\n");
    const ProductCatalogue catalogue(directory());

    EXPECT_EQ(catalogue.BlockListPath("Home 61"), directory() + "Home 61.CFG");
    EXPECT_EQ(catalogue.BlockListPath("home 61"), directory() + "Home 61.CFG");
    EXPECT_EQ(catalogue.BlockListPath("stage 88"), directory() + "stage 88.cfg");  // the exact name first
    EXPECT_EQ(catalogue.BlockListPath("STAGE 88"), directory() + "STAGE 88.cfg");  // two candidates: none
    EXPECT_EQ(catalogue.BlockListPath("Piano"), directory() + "Piano.cfg");
}

}  // namespace
