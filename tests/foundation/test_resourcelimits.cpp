// The program at the edge of its resources, each case in a child process of its own: memory
// running out inside a guarded call, reads under an address-space limit, writes past a
// file-size limit.
#include "childprocess.h"

#include "foundation/fileutils.h"
#include "foundation/occutils.h"
#include "foundation/outofmemory.h"
#include "foundation/scopeguard.h"

#include <QFile>
#include <QTemporaryDir>

#include <Standard.hxx>
#include <Standard_OutOfMemory.hxx>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <new>
#include <stdexcept>

using TestSupport::runInChild;

namespace {

constexpr rlim_t kMiB = 1024 * 1024;

void* volatile g_sink = nullptr;

// Takes everything the address-space limit still allows, in ever smaller blocks; true when
// not even a small block is left.
bool exhaustMemory()
{
    for (std::size_t size = 64 * kMiB; size >= 8; size /= 2) {
        while (void* block = std::malloc(size))
            g_sink = block;
    }
    void* probe = std::malloc(64);
    g_sink = probe;
    return probe == nullptr;
}

// Runs body in a child whose memory is used up first; the child's exit code is body's.
TestSupport::ChildOutcome withExhaustedMemory(const std::function<int()>& body)
{
    return runInChild([&] {
        if (!TestSupport::setSoftLimit(RLIMIT_AS, TestSupport::addressSpaceInUse() + 64 * kMiB))
            return 90;
        if (!exhaustMemory())
            return 91;
        return body();
    });
}

volatile std::size_t g_hugeSize = std::size_t(1) << 45;

} // namespace

// A failed allocation is one more failure of the guarded call, even when not a byte is left
// to report it with: the fallback comes back and the program goes on.
TEST(OutOfMemory, GuardedCallsAndCleanUpsRefuseInsteadOfEndingTheProgram)
{
    if (TestSupport::kUnderSanitizer)
        GTEST_SKIP() << "address-space limits do not work under the sanitizers";
    struct Case { const char* name; std::function<int()> body; };
    const Case cases[] = {
        {"OpenCASCADE allocation", [] {
             const bool ok = OccUtils::guardedCall(false, "occ-allocation", [] {
                 g_sink = Standard::Allocate(g_hugeSize);
                 return true;
             });
             return ok ? 1 : 0;
         }},
        {"standard allocation", [] {
             const int value = OccUtils::guardedCall(7, "std-allocation", [] {
                 g_sink = ::operator new(g_hugeSize);
                 return 8;
             });
             return value == 7 ? 0 : 1;
         }},
        {"Qt allocation", [] {
             const qsizetype size = OccUtils::guardedCall(qsizetype(-1), "qt-allocation", [] {
                 return QByteArray(qsizetype(1) << 40, 'x').size();
             });
             return size == -1 ? 0 : 1;
         }},
        {"text of the failure", [] {
             try {
                 g_sink = Standard::Allocate(g_hugeSize);
             } catch (...) {
                 return OccUtils::currentExceptionMessage() == QLatin1String("out of memory") ? 0 : 1;
             }
             return 2;
         }},
        {"clean-up in a destructor", [] {
             {
                 ScopeGuard guard([] { g_sink = ::operator new(g_hugeSize); });
             }
             return 0;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TestSupport::ChildOutcome outcome = withExhaustedMemory(c.body);
        EXPECT_TRUE(outcome.succeeded()) << outcome.describe();
    }
}

// Each read used to reserve its whole cap: a small project could not be opened under an
// address-space limit well above what it needs.
TEST(ReadUnderAddressSpaceLimit, TakesWhatTheFileHoldsNotTheCap)
{
    if (TestSupport::kUnderSanitizer)
        GTEST_SKIP() << "address-space limits do not work under the sanitizers";
    QTemporaryDir dir;
    const QString path = dir.filePath("small.vtq");
    QByteArray content;
    for (int i = 0; i < 400; ++i)
        content += "{\"line\": " + QByteArray::number(i) + "}\n";
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(content), content.size());
    }
    const qint64 caps[] = {qint64(1) << 30, qint64(128) << 20, content.size()};
    for (const qint64 cap : caps) {
        SCOPED_TRACE(cap);
        const auto outcome = runInChild([&] {
            if (!TestSupport::setSoftLimit(RLIMIT_AS, TestSupport::addressSpaceInUse() + 512 * kMiB))
                return 90;
            const FileReadResult read = FileUtils::readRegularFile(path, cap);
            return read.ok() && read.data == content ? 0 : 1;
        });
        EXPECT_TRUE(outcome.succeeded()) << outcome.describe();
    }
}

// Past a file-size limit the kernel sends SIGXFSZ, whose default action ends the program;
// ignored, the write fails like a full disk and the atomic writer keeps the old file.
TEST(WriteUnderFileSizeLimit, FailsWithTheWritersMessageOnceTheSignalIsIgnored)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("board.vtq");
    const QByteArray old(3000, 'o');
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(old), old.size());
    }
    const auto writeBeyondLimit = [&](bool ignoreSignal) {
        return runInChild([&] {
            if (ignoreSignal)
                FileUtils::ignoreFileSizeSignal();
            if (!TestSupport::setSoftLimit(RLIMIT_FSIZE, 64 * 1024))
                return 90;
            const FileWriteResult r = FileUtils::writeFileAtomically(path, QByteArray(200 * 1024, 'n'));
            if (r.status != FileWriteResult::ShortWrite)
                return 1;
            if (!FileUtils::describeWriteResult(r).contains(QLatin1String("/204800 bytes written")))
                return 2;
            return 0;
        });
    };
    const TestSupport::ChildOutcome killed = writeBeyondLimit(false);
    EXPECT_EQ(killed.signal, SIGXFSZ) << killed.describe();
    const TestSupport::ChildOutcome refused = writeBeyondLimit(true);
    EXPECT_TRUE(refused.succeeded()) << refused.describe();

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), old);
}

// Inside an operation that refuses itself when memory runs out, a shortage met by a nested
// guard goes on up to it: going on with a fallback would allocate again while memory is short.
TEST(OutOfMemory, AShortageInsideAnOperationRefusesTheWholeOperation)
{
    const auto shortage = [] { throw std::bad_alloc(); };
    const auto occShortage = [] { throw Standard_OutOfMemory("no memory"); };

    // Outside any operation: the guarded call's fallback, as before.
    EXPECT_EQ(OccUtils::guardedCall(7, "test", [&] { shortage(); return 1; }), 7);
    EXPECT_EQ(OccUtils::guardedCall(7, "test", [&] { occShortage(); return 1; }), 7);

    for (const std::function<void()>& fail : {std::function<void()>(shortage), std::function<void()>(occShortage)}) {
        bool wentOn = false;
        EXPECT_FALSE(OutOfMemory::survive([&] {
            OccUtils::guardedCall(0, "test", [&] { fail(); return 1; });
            wentOn = true;
        }));
        EXPECT_FALSE(wentOn) << "the guarded call's fallback must not let the operation go on";

        bool innerFallback = false;
        EXPECT_FALSE(OutOfMemory::survive([&] {
            innerFallback = !OutOfMemory::survive(fail);
        }));
        EXPECT_FALSE(innerFallback) << "a nested refusal must not take its own fallback";
        EXPECT_FALSE(OutOfMemory::inScope());
    }

    // Other failures keep their fallback inside an operation too.
    EXPECT_TRUE(OutOfMemory::survive([] {
        EXPECT_EQ(OccUtils::guardedCall(7, "test", [] { throw std::runtime_error("bad"); return 1; }), 7);
    }));
    EXPECT_NO_THROW(OutOfMemory::ensureHeadroom(1 << 20));
}
