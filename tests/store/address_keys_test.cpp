#include <gtest/gtest.h>

#include "store/address_keys.h"
#include "store/time_value.h"

namespace qm {
namespace {

TEST(HostKey, TakesTheHostOfHttpAndHttpsAddresses) {
    EXPECT_EQ(GetHostName("http://www.example.com/ads/banner.htm"), "www.example.com");
    EXPECT_EQ(GetHostName("https://secure.example.org/"), "secure.example.org");
    EXPECT_EQ(GetHostFileName("http://www.example.com/ads/banner.htm"), "www.example.com.Dat");
}

TEST(HostKey, NeedsASlashAfterTheHost) {
    EXPECT_EQ(GetHostName("http://www.example.com"), "UnknownHost");
    EXPECT_EQ(GetHostName("https://www.example.com"), "UnknownHost");
}

TEST(HostKey, CutsOneTrailingDotBeforeThePort) {
    EXPECT_EQ(GetHostName("http://www.example.com.:8080/x"), "www.example.com.");
    EXPECT_EQ(GetHostName("http://www.example.com:8080/"), "www.example.com");
    EXPECT_EQ(GetHostName("http://www.example.com./"), "www.example.com");
    EXPECT_EQ(GetHostName("http://user:pw@host:81/"), "user:pw@host");
}

TEST(HostKey, SchemesAndCase) {
    EXPECT_EQ(GetHostName("HTTP://www.example.com/"), "UnknownHost");
    EXPECT_EQ(GetHostName("FILE://C:/x.htm"), "LocalHost");
    EXPECT_EQ(GetDomainName("FILE://C:/x.htm"), "LocalDomain");
    EXPECT_EQ(GetHostName("about:blank"), "UnknownHost");
    EXPECT_EQ(GetHostName(""), "UnknownHost");
    EXPECT_EQ(GetHostName("http://WWW.Example.COM/"), "WWW.Example.COM");
    EXPECT_EQ(GetHostFileName("file:///c:/x"), "LocalHost.Dat");
    EXPECT_EQ(GetHostFileName("about:blank"), "UnknownHost.Dat");
}

TEST(DomainKey, FollowsTheFirstLabelRule) {
    EXPECT_EQ(GetDomainName("http://www.example.com/ads/banner.htm"), "example.com");
    EXPECT_EQ(GetDomainName("http://example.com/"), "com");
    EXPECT_EQ(GetDomainName("about:blank"), "UnknownHost.UnknownDomain");
    EXPECT_EQ(GetDomainName("http://localhost/"), "localhost.UnknownDomain");
    EXPECT_EQ(GetDomainName("http://.hidden.com/"), ".hidden.com.UnknownDomain");
}

TEST(DomainKey, NumericFirstLabelsCutTheLastLabel) {
    EXPECT_EQ(GetDomainName("http://10.0.0.1/"), "10.0.0");
    EXPECT_EQ(GetDomainName("http://192.168.1.10/"), "192.168.1");
    EXPECT_EQ(GetDomainName("http://1.example.com/"), "1.example");
    EXPECT_EQ(GetDomainName("http://007.example.com/"), "example.com");
    EXPECT_EQ(GetDomainName("http://-5.example.com/"), "-5.example");
    EXPECT_EQ(GetDomainName("http://+5.example.com/"), "example.com");
    EXPECT_EQ(GetDomainName("http://a1.example.com/"), "example.com");
}

TEST(TextHelpers, LastPathPartAndScopeNames) {
    EXPECT_EQ(GetLastPathPart("http://www.example.com/c/d.swf"), "d.swf");
    EXPECT_EQ(GetLastPathPart("C:\\x/y"), "x/y");
    EXPECT_EQ(GetLastPathPart("plain"), "plain");
    EXPECT_EQ(GetLastPathPart("ends/"), "");
    EXPECT_EQ(GetScopeName(0), "Page");
    EXPECT_EQ(GetScopeName(1), "Host");
    EXPECT_EQ(GetScopeName(2), "Domain");
    EXPECT_EQ(GetScopeName(3), "");
    EXPECT_EQ(GetScopeName(-1), "");
}

TEST(TimeValues, DaysBetweenIsUnsignedAndRoundsDown) {
    EXPECT_EQ(DaysBetween(86399u, 0u), 0u);
    EXPECT_EQ(DaysBetween(86400u, 0u), 1u);
    EXPECT_EQ(DaysBetween(1000u + 30u * 86400u, 1000u), 30u);
    EXPECT_EQ(DaysBetween(1000u + 30u * 86400u - 1u, 1000u), 29u);
    EXPECT_GT(DaysBetween(0u, 1u), 49000u);
}

TEST(TimeValues, FormatsLocalTime) {
    const std::string text = FormatTimeValue(1'000'000'000u);
    ASSERT_EQ(text.size(), 16u);
    EXPECT_EQ(text.substr(0, 4), "2001");
    EXPECT_EQ(text[4], '-');
    EXPECT_EQ(text[7], '-');
    EXPECT_EQ(text[10], ' ');
    EXPECT_EQ(text[13], ':');
    // Same day and hour in any zone with a whole-hour offset around 1:46 UTC.
    EXPECT_EQ(text.substr(14, 2), "46");
}

TEST(SafeFileName, OrdinaryHostsKeepTheirNames) {
    for (const char* host : {"www.example.com", "LocalHost", "UnknownHost", "10.0.0.1",
                             "my-host_1.example.co.uk", "www.example.com."}) {
        EXPECT_EQ(SafeFileNameOf(host), host);
        EXPECT_EQ(HostKeyOfFileName(host), host);
        EXPECT_TRUE(IsHostFileName(std::string(host) + ".Dat")) << host;
    }
}

TEST(SafeFileName, EscapesSeparatorsWildcardsAndForbiddenCharacters) {
    EXPECT_EQ(SafeFileNameOf("../x"), "..%2Fx");
    EXPECT_EQ(SafeFileNameOf("a\\b"), "a%5Cb");
    EXPECT_EQ(SafeFileNameOf("*?<>:\"|"), "%2A%3F%3C%3E%3A%22%7C");
    EXPECT_EQ(SafeFileNameOf("100%"), "100%25");
    EXPECT_EQ(SafeFileNameOf(std::string("a\x01\x7F\xC3\xA9", 5)), "a%01%7F%C3%A9");
    EXPECT_EQ(GetHostFileName("http://user:x@evil:80/../x/"), "user%3Ax@evil.Dat");
    EXPECT_EQ(GetHostFileName("http://..\\..\\windows\\x/"), "..%5C..%5Cwindows%5Cx.Dat");
}

TEST(SafeFileName, ReservedDeviceNamesArePrefixed) {
    EXPECT_EQ(SafeFileNameOf("CON"), "%43ON");
    EXPECT_EQ(SafeFileNameOf("con.example.com"), "%63on.example.com");
    EXPECT_EQ(SafeFileNameOf("Lpt9"), "%4Cpt9");
    EXPECT_EQ(SafeFileNameOf("com1.x"), "%63om1.x");
    EXPECT_EQ(SafeFileNameOf("nul "), "%6Eul ");
    EXPECT_EQ(SafeFileNameOf("conin$"), "%63onin$");
    EXPECT_EQ(SafeFileNameOf("COM0"), "COM0");
    EXPECT_EQ(SafeFileNameOf("console"), "console");
    EXPECT_EQ(SafeFileNameOf("www.con"), "www.con");
}

TEST(SafeFileName, IsOneToOneAndRecognisesOnlyCanonicalNames) {
    for (const std::string key : {"CON", "a/b", "a%2Fb", "%", "x:y", "aux.a", ""}) {
        const std::string name = SafeFileNameOf(key);
        EXPECT_EQ(HostKeyOfFileName(name), key);
        EXPECT_TRUE(IsHostFileName(name + ".Dat"));
    }
    EXPECT_NE(SafeFileNameOf("a/b"), SafeFileNameOf("a%2Fb"));
    EXPECT_FALSE(IsHostFileName("CON.Dat"));
    EXPECT_FALSE(IsHostFileName("a%2fb.Dat"));  // not the canonical spelling
    EXPECT_FALSE(IsHostFileName("../x.Dat"));
    EXPECT_FALSE(IsHostFileName("x.dat"));
    EXPECT_FALSE(IsHostFileName("html.tmp"));
    EXPECT_FALSE(IsHostFileName("*.Dat"));
}

}  // namespace
}  // namespace qm
