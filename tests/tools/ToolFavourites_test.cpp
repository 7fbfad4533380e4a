// The ranking commands of the ulog tool: 'frequent' and 'favourites', and the delete of a favourite.
#include "support/ToolProcess.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
using ulogtest::ToolResult;

class ToolFavouritesTest : public ulogtest::ToolTest
{
protected:
    bool Has(const std::string& text, const std::string& part) const
    {
        return text.find(part) != std::string::npos;
    }
};
} // namespace

TEST_F(ToolFavouritesTest, FavouritesShowContactsOnlyAndDeleteRemovesTheirLogs)
{
    Ok({"contact", "add", "--first", "Ann", "--picture", "/pic/ann.jpg", "--number", "0101111111"});
    for (const char* kind : {"call", "call", "message"})
        Ok({"add", kind, "--dir", std::string(kind) == "call" ? "out" : "sent", "--number", "0101111111"});
    for (int i = 0; i < 3; ++i)
        Ok({"add", "call", "--dir", "out", "--number", "0109999999"});

    // The stranger has the most outgoing calls, but no contact: never a favourite.
    EXPECT_TRUE(Has(Ok({"frequent", "--count", "1"}), "0109999999                     3"))
        << Ok({"frequent"});
    const std::string shown = Ok({"favourites"});
    EXPECT_TRUE(Has(shown, " 1. Ann ") && Has(shown, "0101111111") && Has(shown, "/pic/ann.jpg")) << shown;
    EXPECT_TRUE(Has(shown, "outgoing 2") && Has(shown, "message-sent 1")) << shown;
    EXPECT_FALSE(Has(shown, "0109999999")) << shown;
    const std::string json = Ok({"--json", "favourites"});
    EXPECT_TRUE(Has(json, "\"picture\": \"/pic/ann.jpg\", \"events\": {")) << json;

    ExpectError(Run({"favourites", "delete", "0109999999"}), 1, "is not a favourite", "stranger");
    ExpectError(Run({"favourites", "--count", "0"}), 2, "--count takes a number", "count 0");
    EXPECT_EQ(Ok({"favourites", "delete", "010-111 1111"}),
              "deleted the logs of 0101111111 (2 row(s) with their events)\n");
    EXPECT_EQ(Ok({"favourites"}), "no favourites\n");
    EXPECT_FALSE(Has(Ok({"list"}), "Ann"));
    EXPECT_TRUE(Has(Ok({"list"}), "0109999999"));
}
