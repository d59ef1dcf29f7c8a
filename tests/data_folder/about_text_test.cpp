#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "version/about_text.h"
#include "version/build_stamp.h"
#include "version/quillmoor_version.h"

namespace qm {
namespace {

TEST(AboutText, NamesVersionBuildTimeAndFilterFolder) {
    const std::string text =
        AboutText("1.00", BuiltTimeText("May 27 2002", "02:10:28"), "C:\\Qm\\Data");
    EXPECT_EQ(text,
              "Quill Moor\nVersion 1.00 \nAn easy to use advert removing software\n\n"
              "Built time : May 27 2002 02:10:28\n\nFilters are kept in:\nC:\\Qm\\Data");
    EXPECT_NE(AboutText("1.00", "", "").find("filters cannot be saved"), std::string::npos);
}

// The version set in the build and the stamp of this very build.
TEST(AboutText, VersionAndBuildStampHaveTheirForms) {
    const std::string version = kVersionText;
    ASSERT_GE(version.size(), 4u);
    const std::size_t dot = version.find('.');
    ASSERT_NE(dot, std::string::npos) << version;
    EXPECT_EQ(version.size() - dot - 1, 2u) << "two digits of minor version: " << version;
    EXPECT_EQ(std::string(kVersionDotted).rfind(version.substr(0, dot) + ".", 0), 0u);

    const std::string date = BuildDateText();  // "Dec 08 2026"
    ASSERT_EQ(date.size(), 11u) << date;
    EXPECT_NE(std::string("JanFebMarAprMayJunJulAugSepOctNovDec").find(date.substr(0, 3)),
              std::string::npos)
        << date;
    const std::string time = BuildTimeText();  // "02:10:28"
    ASSERT_EQ(time.size(), 8u) << time;
    EXPECT_EQ(time[2], ':');
    EXPECT_EQ(time[5], ':');
    EXPECT_EQ(BuiltTimeText(BuildDateText(), BuildTimeText()), date + " " + time);
}

}  // namespace
}  // namespace qm
