#include "crt.h"
#include "paths.h"

#include <gtest/gtest.h>

TEST(SplitPath, SplitsDriveDirectoryNameAndExtension)
{
    const path_parts windows = split_path("C:\\tones\\organ.old.tgw");
    EXPECT_EQ(windows.drive, "C:");
    EXPECT_EQ(windows.directory, "\\tones");
    EXPECT_EQ(windows.name, "organ.old");
    EXPECT_EQ(windows.extension, ".tgw");

    const path_parts bare = split_path("bell.TGW");
    EXPECT_EQ(bare.drive, "");
    EXPECT_EQ(bare.directory, "");
    EXPECT_EQ(bare.name, "bell");
    EXPECT_EQ(bare.extension, ".TGW");

    const path_parts dotted_directory = split_path("set.d/readme");
    EXPECT_EQ(dotted_directory.directory, "set.d");
    EXPECT_EQ(dotted_directory.name, "readme");
    EXPECT_EQ(dotted_directory.extension, "");

    const path_parts mixed = split_path("a/b\\c/d.e");
    EXPECT_EQ(mixed.directory, "a/b\\c");
    EXPECT_EQ(mixed.name, "d");
}

TEST(SplitPath, CutsEachPartTo259Characters)
{
    const path_parts parts = split_path(std::string(300, 'd') + "/" + std::string(300, 'n') + ".tgw");
    EXPECT_EQ(parts.directory.size(), 259u);
    EXPECT_EQ(parts.name.size(), 259u);
    EXPECT_EQ(parts.extension, ".tgw");
}

TEST(ProgramName, TakesLastComponentWithoutExtension)
{
    EXPECT_EQ(program_name("C:\\bin\\plessard.exe"), "plessard");
    EXPECT_EQ(program_name("./build/plessard"), "plessard");
    EXPECT_EQ(program_name("dir.d/tool.v2.exe"), "tool.v2");
    EXPECT_EQ(program_name("plessard"), "plessard");
    EXPECT_EQ(program_name(std::string(400, 'p')).size(), 259u);
}

TEST(CaseInsensitiveCompare, IgnoresAsciiCaseOnly)
{
    EXPECT_EQ(_stricmp("-OnChi", "-onchi"), 0);
    EXPECT_EQ(_stricmp(".TGW", ".tgw"), 0);
    EXPECT_LT(_stricmp("-16", "-onchi"), 0);
    EXPECT_NE(_stricmp("-onch", "-onchi"), 0);
    EXPECT_NE(_stricmp("\xC9", "\xE9"), 0); // non-ASCII letters are not folded
}
