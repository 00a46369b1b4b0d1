#include <cstdint>
#include <gtest/gtest.h>
#include <string>

#include "procs/procs.h"
#include "tests/support/fake/fake_platform.h"

namespace {

TEST(OwnerNames, MadeOnceFromThePasswordDatabase)
{
    fake_reset();
    owner_reset();
    fake_user(1000, "alice");
    fake_user(1032, "averylongname"); // the same bucket as 1000
    fake_user(7, "exactly8");
    struct {
        std::uint32_t uid;
        const char *want;
    } const cases[] = {
        {1000, "alice"},  {1032, "averylon"},  {7, "exactly8"},
        {77777, "77777"}, {4294967295u, "-1"}, {2147483648u, "-2147483648"},
    };
    for (const auto &c : cases)
        EXPECT_STREQ(get_owner_name(c.uid), c.want) << "uid " << c.uid;
    EXPECT_EQ(fake_user_lookups(), 6);

    // The database changes, the names do not, and nobody asks it again.
    fake_user(1000, "mallory");
    fake_user(77777, "carol");
    const char *first = get_owner_name(1000);
    for (const auto &c : cases)
        EXPECT_STREQ(get_owner_name(c.uid), c.want) << "uid " << c.uid << " again";
    EXPECT_EQ(get_owner_name(1000), first) << "the name stays where it was";
    EXPECT_EQ(fake_user_lookups(), 6);
}

} // namespace
