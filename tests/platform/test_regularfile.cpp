#include "platform/regularfile.h"
#include "tests/support/testdir.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace rt;

TEST(RegularFile, ReadsOnlyRegularFilesWithinTheBound)
{
    testsupport::TestDir dir;
    dir.write("ok.ini", "line\r\n");
    dir.write("big.ini", QByteArray(2000, 'x'));
    dir.write("folder/x", "");
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.file("fifo")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), dir.file("zero")));
    ASSERT_TRUE(QFile::link(dir.file("fifo"), dir.file("to-fifo")));
    const struct {
        const char* name;
        FileReadError error;
    } cases[] = {
        {"ok.ini", FileReadError::None},          {"big.ini", FileReadError::TooLarge},
        {"missing", FileReadError::Missing},      {"folder", FileReadError::NotRegular},
        {"fifo", FileReadError::NotRegular},      {"to-fifo", FileReadError::NotRegular},
        {"zero", FileReadError::NotRegular},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bytes = "untouched";
        EXPECT_EQ(readRegularFile(dir.file(QString::fromLatin1(c.name)), 1000, &bytes), c.error);
        EXPECT_EQ(bytes, c.error == FileReadError::None ? QByteArray("line\r\n") : QByteArray("untouched"));
    }
}
