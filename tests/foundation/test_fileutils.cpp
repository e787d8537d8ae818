// Atomic writer: complete replacement or nothing, and the failure texts callers show.
#include "logcapture.h"

#include "foundation/fileutils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writePlain(const QString& path, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(data), data.size());
}

QStringList entriesOf(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

class AtomicWrite : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString target() const { return dir.filePath("board.vtq"); }
};

// size bytes of a repeating pattern, made as they are read; a read past failAfter fails.
class PatternSource : public QIODevice
{
public:
    PatternSource(qint64 size, qint64 failAfter) : m_size(size), m_failAfter(failAfter) { open(ReadOnly); }
    bool isSequential() const override { return true; }
    static char at(qint64 offset) { return char('a' + offset % 23); }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (m_given >= m_failAfter) {
            setErrorString(QStringLiteral("the network share went away"));
            return -1;
        }
        const qint64 n = qMin(maxSize, m_size - m_given);
        for (qint64 i = 0; i < n; ++i)
            data[i] = at(m_given + i);
        m_given += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    qint64 m_size;
    qint64 m_failAfter;
    qint64 m_given = 0;
};

long peakResidentKiB()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

TEST_F(AtomicWrite, WritesNewFileAndReplacesOldOne)
{
    FileWriteResult r = FileUtils::writeFileAtomically(target(), "first");
    EXPECT_EQ(r.status, FileWriteResult::Ok);
    EXPECT_EQ(readAll(target()), "first");

    r = FileUtils::writeFileAtomically(target(), "second, longer");
    EXPECT_EQ(r.status, FileWriteResult::Ok);
    EXPECT_TRUE(r.errorString.isEmpty());
    EXPECT_EQ(r.bytesWritten, 0);
    EXPECT_EQ(r.bytesExpected, 0);
    EXPECT_EQ(readAll(target()), "second, longer");
    EXPECT_EQ(entriesOf(dir.path()), QStringList({"board.vtq"})); // no temporary left behind
}

TEST_F(AtomicWrite, EmptyDataGivesEmptyFile)
{
    writePlain(target(), "old");
    EXPECT_EQ(FileUtils::writeFileAtomically(target(), QByteArray()).status, FileWriteResult::Ok);
    EXPECT_TRUE(QFileInfo::exists(target()));
    EXPECT_EQ(QFileInfo(target()).size(), 0);
}

TEST_F(AtomicWrite, MissingFolderFailsToOpenAndCreatesNothing)
{
    const QString path = dir.filePath("missing/sub/board.vtq");
    const FileWriteResult r = FileUtils::writeFileAtomically(path, "data");
    EXPECT_EQ(r.status, FileWriteResult::OpenFailed);
    EXPECT_FALSE(r.errorString.isEmpty());
    EXPECT_EQ(FileUtils::describeWriteResult(r), r.errorString);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("missing")));
}

TEST_F(AtomicWrite, TargetThatIsAFolderIsLeftAlone)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("board.vtq"));
    writePlain(dir.filePath("board.vtq/inside.txt"), "keep");
    const FileWriteResult r = FileUtils::writeFileAtomically(target(), "data");
    EXPECT_NE(r.status, FileWriteResult::Ok);
    EXPECT_FALSE(r.errorString.isEmpty());
    EXPECT_TRUE(QFileInfo(target()).isDir());
    EXPECT_EQ(readAll(dir.filePath("board.vtq/inside.txt")), "keep");
    EXPECT_EQ(entriesOf(dir.path()), QStringList({"board.vtq"}));
}

TEST_F(AtomicWrite, ParentThatIsAFileFails)
{
    writePlain(dir.filePath("plain"), "x");
    const FileWriteResult r = FileUtils::writeFileAtomically(dir.filePath("plain/board.vtq"), "data");
    EXPECT_EQ(r.status, FileWriteResult::OpenFailed);
    EXPECT_EQ(readAll(dir.filePath("plain")), "x");
}

// Root ignores permission bits: hand the folder to an unprivileged user and act as that user,
// so that the permission failures happen under CI's root too.
class UnprivilegedScope
{
public:
    explicit UnprivilegedScope(const QString& dir)
    {
        if (::geteuid() != 0)
            return;
        constexpr uid_t nobody = 65534;
        if (::chown(QFile::encodeName(dir).constData(), nobody, nobody) != 0)
            return;
        // Real and effective ids both, since access() checks the real one; the saved id
        // stays root so that the destructor can come back.
        if (::setresgid(nobody, nobody, 0) != 0)
            return;
        if (::setresuid(nobody, nobody, 0) != 0) {
            (void)::setresgid(0, 0, 0);
            return;
        }
        m_active = true;
    }
    ~UnprivilegedScope()
    {
        if (m_active) {
            (void)::setresuid(0, 0, 0);
            (void)::setresgid(0, 0, 0);
        }
    }
    bool usable() const { return m_active || ::geteuid() != 0; }

private:
    bool m_active = false;
};

TEST_F(AtomicWrite, PermissionFailuresKeepTheOldFile)
{
    UnprivilegedScope unprivileged(dir.path());
    if (!unprivileged.usable())
        GTEST_SKIP() << "cannot act as an unprivileged user";
    writePlain(target(), "old contents");
    QFile::setPermissions(target(), QFileDevice::ReadOwner);
    FileWriteResult r = FileUtils::writeFileAtomically(target(), "new");
    EXPECT_EQ(r.status, FileWriteResult::OpenFailed);
    EXPECT_EQ(readAll(target()), "old contents");

    QFile::setPermissions(target(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    r = FileUtils::writeFileAtomically(target(), "new");
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_NE(r.status, FileWriteResult::Ok);
    EXPECT_EQ(readAll(target()), "old contents");
    EXPECT_EQ(entriesOf(dir.path()), QStringList({"board.vtq"}));
}

// A file-size limit makes the kernel refuse bytes past it, as a full disk would. The small
// case fits in Qt's write buffer, so the failure only shows when the buffer is flushed.
TEST_F(AtomicWrite, DiskFullMidWriteKeepsTheOldFile)
{
    struct Row { const char* name; qsizetype size; rlim_t limit; };
    const Row rows[] = {{"larger than the write buffer", 200 * 1024, 64 * 1024},
                        {"within the write buffer", 16000, 1024}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QByteArray old(3000, 'o');
        writePlain(target(), old);
        const QByteArray data(row.size, 'n');

        rlimit saved{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit limited = saved;
        limited.rlim_cur = row.limit;
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
        const FileWriteResult r = FileUtils::writeFileAtomically(target(), data);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        ASSERT_NE(r.status, FileWriteResult::Ok);
        if (r.status == FileWriteResult::ShortWrite) {
            EXPECT_EQ(r.bytesExpected, data.size());
            EXPECT_LT(r.bytesWritten, data.size());
            EXPECT_TRUE(FileUtils::describeWriteResult(r).startsWith(
                QStringLiteral("%1/%2 bytes written").arg(qMax<qint64>(0, r.bytesWritten)).arg(data.size())));
        } else {
            EXPECT_FALSE(r.errorString.isEmpty());
        }
        EXPECT_EQ(readAll(target()), old);
        EXPECT_EQ(entriesOf(dir.path()), QStringList({"board.vtq"}));
    }
}

struct DescribeRow
{
    const char* name;
    FileWriteResult result;
    const char* expected;
};

void PrintTo(const DescribeRow& row, std::ostream* os)
{
    *os << row.name;
}

class DescribeWriteResult : public ::testing::TestWithParam<DescribeRow>
{
};

TEST_P(DescribeWriteResult, Text)
{
    EXPECT_EQ(FileUtils::describeWriteResult(GetParam().result), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DescribeWriteResult,
    ::testing::Values(DescribeRow{"Ok", {FileWriteResult::Ok, QString(), 0, 0}, ""},
                      DescribeRow{"OkIgnoresFields", {FileWriteResult::Ok, "stale", 5, 9}, ""},
                      DescribeRow{"Short", {FileWriteResult::ShortWrite, QString(), 512, 2048}, "512/2048 bytes written"},
                      DescribeRow{"ShortWithError",
                                  {FileWriteResult::ShortWrite, "No space left on device", 4096, 10000},
                                  "4096/10000 bytes written \xE2\x80\x94 No space left on device"},
                      DescribeRow{"ShortNegative", {FileWriteResult::ShortWrite, QString(), -1, 70}, "0/70 bytes written"},
                      DescribeRow{"Open", {FileWriteResult::OpenFailed, "Permission denied", 0, 0}, "Permission denied"},
                      DescribeRow{"Commit", {FileWriteResult::CommitFailed, "Rename failed", 0, 0}, "Rename failed"}),
    [](const ::testing::TestParamInfo<DescribeRow>& info) { return std::string(info.param.name); });

// ---- Reading: regular files only, never past the cap ----

TEST(ReadRegularFile, RefusesWhatIsNoRegularFileOrTooLarge)
{
    QTemporaryDir dir;
    const QString small = dir.filePath("small.txt");
    writePlain(small, "0123456789");
    ASSERT_TRUE(QFile::link(small, dir.filePath("link.txt")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), dir.filePath("zero.kicad_mod")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("pipe")).constData(), 0600), 0);

    struct Case { const char* name; qint64 cap; int status; QByteArray data; };
    const Case cases[] = {
        {"small.txt", 100, FileReadResult::Ok, "0123456789"},
        {"small.txt", 10, FileReadResult::Ok, "0123456789"},
        {"small.txt", 9, FileReadResult::TooLarge, {}},
        {"link.txt", 100, FileReadResult::Ok, "0123456789"},
        {"zero.kicad_mod", 100, FileReadResult::NotRegularFile, {}},
        {"pipe", 100, FileReadResult::NotRegularFile, {}},
        {".", 100, FileReadResult::NotRegularFile, {}},
        {"missing.txt", 100, FileReadResult::OpenFailed, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " cap " + std::to_string(c.cap));
        const FileReadResult r = FileUtils::readRegularFile(dir.filePath(c.name), c.cap);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.data, c.data);
        EXPECT_EQ(r.errorString.isEmpty(), c.status == FileReadResult::Ok) << r.errorString.toStdString();
    }
}

// What is opened is what is checked and read: a pipe (even behind a link) is refused at once,
// without waiting for a writer, and a file swapped in at the path after the open is not read,
// by this program nor by a reader given the path of what was opened.
TEST(OpenRegularFile, ChecksWhatWasOpenedAndNeverWaitsOnAPipe)
{
    QTemporaryDir dir;
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("pipe")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(dir.filePath("pipe"), dir.filePath("link-to-pipe")));
    struct Case { const char* name; int status; };
    for (const Case& c : {Case{"pipe", OpenedFile::NotRegularFile}, Case{"link-to-pipe", OpenedFile::NotRegularFile},
                          Case{".", OpenedFile::NotRegularFile}, Case{"missing", OpenedFile::Missing}}) {
        SCOPED_TRACE(c.name);
        QFile file;
        EXPECT_EQ(FileUtils::openRegularFile(dir.filePath(c.name), file).status, c.status);
        EXPECT_FALSE(file.isOpen());
    }

    const QString part = dir.filePath("part.stl");
    writePlain(part, "the file that was opened");
    writePlain(dir.filePath("other"), "a file put in its place");
    QFile file;
    const OpenedFile opened = FileUtils::openRegularFile(part, file);
    ASSERT_TRUE(opened.ok());
    EXPECT_EQ(opened.size, 24);
    ASSERT_EQ(::rename(QFile::encodeName(dir.filePath("other")).constData(), QFile::encodeName(part).constData()), 0);
    EXPECT_EQ(readAll(FileUtils::pathOfOpenFile(file, part)), QByteArray("the file that was opened"));
    EXPECT_EQ(file.readAll(), QByteArray("the file that was opened"));
}

// A file whose size the system reports as 0 may still deliver endless content.
TEST(ReadRegularFile, StopsAtTheCapWhateverTheClaimedSize)
{
    if (!QFileInfo(QStringLiteral("/proc/self/status")).isFile())
        GTEST_SKIP() << "no /proc";
    const FileReadResult r = FileUtils::readRegularFile(QStringLiteral("/proc/self/status"), 16);
    EXPECT_EQ(r.status, FileReadResult::TooLarge);
    EXPECT_TRUE(r.data.isEmpty());
}

// A big file is copied by blocks: the process never holds it whole. A source that fails
// part-way leaves the previous file and says why.
TEST_F(AtomicWrite, DeviceIsCopiedByBlocksAndItsReadErrorKeepsTheOldFile)
{
    constexpr qint64 kMiB = 1024 * 1024;
    struct Row { const char* name; qint64 size; qint64 failAfter; int status; };
    const Row rows[] = {{"96 MB", 96 * kMiB, 1 << 30, FileWriteResult::Ok},
                        {"source failing after 3 MB", 8 * kMiB, 3 * kMiB, FileWriteResult::SourceReadFailed}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        writePlain(target(), "old contents");
        PatternSource source(row.size, row.failAfter);
        const long peakBefore = peakResidentKiB();
        const FileWriteResult r = FileUtils::writeFileAtomically(target(), source);
        EXPECT_LT(peakResidentKiB() - peakBefore, 16 * 1024) << "KiB more at the peak";
        ASSERT_EQ(r.status, row.status) << FileUtils::describeWriteResult(r).toStdString();
        EXPECT_EQ(entriesOf(dir.path()), QStringList({"board.vtq"}));
        if (!r.ok()) {
            EXPECT_EQ(FileUtils::describeWriteResult(r),
                      QStringLiteral("The data to write could not be read: the network share went away"));
            EXPECT_EQ(readAll(target()), "old contents");
            continue;
        }
        QFile written(target());
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        ASSERT_EQ(written.size(), row.size);
        QByteArray block(int(kMiB), Qt::Uninitialized);
        for (qint64 offset = 0; offset < row.size; offset += kMiB) {
            ASSERT_EQ(written.read(block.data(), kMiB), kMiB);
            ASSERT_EQ(block.at(0), PatternSource::at(offset));
            ASSERT_EQ(block.at(kMiB - 1), PatternSource::at(offset + kMiB - 1));
        }
    }
}
