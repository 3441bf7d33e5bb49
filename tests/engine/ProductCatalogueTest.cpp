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
    // Links and pipes where the system has them.
    testsupport::MakeSymbolicLink(scratch.path() / "old.cfg", scratch.path() / "link.cfg");
    const bool linked = testsupport::MakeSymbolicLink(scratch.path() / "b.cfg", scratch.path() / "alias.cfg");
    testsupport::MakeNamedPipe(scratch.path() / "pipe.cfg");

    const ProductCatalogue catalogue(directory());

    std::vector<std::string> expected{"A", "ab", "b", "B2", "x", "X10"};
    if (linked)
        expected.insert(expected.begin() + 2, "alias");
    EXPECT_EQ(catalogue.Names(), expected);
    EXPECT_EQ(catalogue.products().back().fileName, "X10.CFG");
    EXPECT_TRUE(ProductCatalogue(directory() + "absent/").products().empty());
}

TEST_F(ProductCatalogueTest, ProductNamesItsFileExactlyElseInAnyLetterCase)
{
    for (const char* name : {"Home 61.CFG", "Stage 88.cfg", "stage 88.cfg"})
        scratch.writeText(name, "0\n");
    const ProductCatalogue catalogue(directory());

    EXPECT_EQ(catalogue.BlockListPath("Home 61"), directory() + "Home 61.CFG");
    EXPECT_EQ(catalogue.BlockListPath("home 61"), directory() + "Home 61.CFG");
    EXPECT_EQ(catalogue.BlockListPath("Piano"), directory() + "Piano.cfg");
    // Windows' folders keep one of two names that differ in letter case only.
    if (catalogue.products().size() < 3)
        return;
    EXPECT_EQ(catalogue.BlockListPath("stage 88"), directory() + "stage 88.cfg");  // the exact name first
    EXPECT_EQ(catalogue.BlockListPath("STAGE 88"), directory() + "STAGE 88.cfg");  // two candidates: none
}

}  // namespace
