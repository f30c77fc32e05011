#include "cli/UToolDump.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>

namespace velmo::test {
namespace {

TEST(ToolDumpTest, ArgumentsAreChecked)
{
    EXPECT_EQ(tool::CommandDump({}), 2);
    EXPECT_EQ(tool::CommandDump({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}), 2);
    // A file that is not there is a failure, not a usage error.
    EXPECT_EQ(tool::CommandDump({QStringLiteral("/nonexistent/work.lbd"), QStringLiteral("Sheet1\\Label1")}),
              1);
}

TEST(ToolDumpTest, ExitCodeTellsWhetherTheStreamWasWhole)
{
    const QByteArray stream =
        QByteArray("TPF0") + Bytes({5}) + "TItem" + Bytes({1}) + "A" + Bytes({1}) + "X" + Bytes({2, 7, 0, 0});
    EXPECT_EQ(tool::DumpBytes(stream), 0);
    EXPECT_EQ(tool::DumpBytes(stream.left(stream.size() - 1)), 1);
    EXPECT_EQ(tool::DumpBytes(QByteArray("not a stream")), 1);
}

} // namespace
} // namespace velmo::test
