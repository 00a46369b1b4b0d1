// The version is set once, in CMake's project(); the Debian package's
// changelog must name the same one, or the package would carry another.
#include <fstream>
#include <regex>
#include <string>

#include <gtest/gtest.h>

TEST(Version, DebianChangelogNamesTheBuildsVersion)
{
    std::ifstream in(VIGIL_SOURCE_DIR "/debian/changelog");
    ASSERT_TRUE(in) << "cannot read " VIGIL_SOURCE_DIR "/debian/changelog";
    std::string top;
    std::getline(in, top);
    // The newest entry comes first: "vigil (VERSION) DISTRIBUTION; urgency=...".
    // The package is native, so its version is the program's, with no
    // Debian revision after it.
    std::smatch m;
    ASSERT_TRUE(std::regex_search(top, m, std::regex(R"(^vigil \(([^)]+)\) [a-zA-Z-]+; )"))) << top;
    EXPECT_EQ(m[1].str(), VIGIL_VERSION) << top;
}
