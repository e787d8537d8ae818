// The stored ZIP writer at the limits of the format without ZIP64: 32-bit sizes and offsets,
// a 16-bit entry count. Beyond them it refuses, before writing, instead of masking fields.
#include "outputs/zipwriter.h"

#include <QtEndian>

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr qint64 kGiB = qint64(1) << 30;
// An entry of a one-byte name costs 30 + 46 bytes of headers and the name twice; the end
// record adds 22.
constexpr qint64 kOverhead = 22 + 30 + 46 + 2;

struct Declared { qint64 nameBytes; qint64 dataBytes; };

struct Row
{
    const char* name;
    std::vector<Declared> entries;
    int refusedAt; // index of the first entry refused; -1 when all fit
    const char* reasonHolds;
};

void PrintTo(const Row& row, std::ostream* os)
{
    *os << row.name;
}

class ZipLimits : public ::testing::TestWithParam<Row>
{
};

} // namespace

TEST_P(ZipLimits, DeclaredSizes)
{
    const Row& row = GetParam();
    ZipWriter zip;
    for (int i = 0; i < int(row.entries.size()); ++i) {
        const bool fits = zip.reserveEntry(row.entries[size_t(i)].nameBytes, row.entries[size_t(i)].dataBytes);
        EXPECT_EQ(fits, row.refusedAt < 0 || i < row.refusedAt) << "entry " << i;
    }
    if (row.refusedAt < 0) {
        EXPECT_TRUE(zip.errorString().isEmpty());
        return;
    }
    EXPECT_TRUE(zip.errorString().contains(QString::fromUtf8(row.reasonHolds))) << zip.errorString().toStdString();
    // Nothing more goes in, and nothing comes out.
    EXPECT_FALSE(zip.addFile(QStringLiteral("small.txt"), "abc"));
    EXPECT_TRUE(zip.entries().isEmpty());
    EXPECT_TRUE(zip.finish().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ZipLimits,
    ::testing::Values(
        Row{"ExactlyTheLimit", {{1, ZipWriter::kMaxArchiveBytes - kOverhead}}, -1, ""},
        Row{"OneByteOver", {{1, ZipWriter::kMaxArchiveBytes - kOverhead + 1}}, 0, "4 GiB"},
        Row{"OneEntryOfFiveGiB", {{10, 5 * kGiB}}, 0, "4 GiB"},
        Row{"TwoEntriesOfTwoGiB", {{10, 2 * kGiB}, {10, 2 * kGiB}}, 1, "4 GiB"},
        // 3,976 bytes left after the first: three entries of 1,096 bytes fit, the fourth does not.
        Row{"ManySmallAfterALargeOne", {{10, 4 * kGiB - 4096}, {10, 1000}, {10, 1000}, {10, 1000}, {10, 1000}}, 4,
            "4 GiB"},
        Row{"LongestName", {{0xFFFF, 10}}, -1, ""},
        Row{"NameTooLong", {{0x10000, 10}}, 0, "65535 bytes"}),
    [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

// Real entries after a declared one: the data counts against what is left.
TEST(ZipWriter, RealDataBeyondTheDeclaredSizesIsRefused)
{
    ZipWriter zip;
    ASSERT_TRUE(zip.reserveEntry(8, ZipWriter::kMaxArchiveBytes - kOverhead - 8 - 200));
    EXPECT_TRUE(zip.addFile(QStringLiteral("a"), QByteArray(10, 'x')));
    EXPECT_FALSE(zip.addFile(QStringLiteral("b"), QByteArray(200, 'x')));
    EXPECT_EQ(zip.entries().size(), 1);
    EXPECT_TRUE(zip.finish().isEmpty());
}

// The count is checked on real entries: 65,534 fit and are counted in full in the end record.
TEST(ZipWriter, EntryCountStopsBeforeTheZip64Marker)
{
    ZipWriter zip;
    for (qint64 i = 0; i < ZipWriter::kMaxEntries; ++i)
        ASSERT_TRUE(zip.addFile(QString::number(i), QByteArray())) << i;
    EXPECT_FALSE(zip.addFile(QStringLiteral("one-more"), QByteArray()));
    EXPECT_TRUE(zip.errorString().contains(QStringLiteral("65534 files"))) << zip.errorString().toStdString();
    EXPECT_EQ(zip.entries().size(), ZipWriter::kMaxEntries);
    EXPECT_TRUE(zip.finish().isEmpty()) << "a refused package is not finished";

    ZipWriter full;
    for (qint64 i = 0; i < ZipWriter::kMaxEntries; ++i)
        ASSERT_TRUE(full.addFile(QString::number(i), QByteArray()));
    const QByteArray archive = full.finish();
    ASSERT_GE(archive.size(), 22);
    const char* end = archive.constData() + archive.size() - 22;
    ASSERT_EQ(QByteArray(end, 4), QByteArray("PK\x05\x06", 4));
    EXPECT_EQ(qFromLittleEndian<quint16>(end + 8), 0xFFFE);
    EXPECT_EQ(qFromLittleEndian<quint16>(end + 10), 0xFFFE);
    EXPECT_EQ(qFromLittleEndian<quint32>(end + 16) + qFromLittleEndian<quint32>(end + 12) + 22,
              quint32(archive.size()));
}
