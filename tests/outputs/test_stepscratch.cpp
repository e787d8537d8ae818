// The STEP writer's clean-up of the scratch folders that dead writers left in the temporary
// location, which other users and other programs share.
#include "childprocess.h"

#include "outputs/stepscratch.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

enum class Lock { None, Empty, DeadWriter, LiveWriter, Pipe };

struct Row
{
    const char* name;
    Lock lock;
    int ageHours;          // of the lock, or of the folder when it has none
    bool link = false;     // the entry is a link to a folder holding that lock and the partial file
    bool fileLink = false; // the entry is a link to a file
    bool otherUser = false;
    bool removed = false;
};

QByteArray deadWriterLock()
{
    QProcess gone;
    gone.start(QStringLiteral("/bin/true"), {});
    gone.waitForStarted(-1);
    const qint64 pid = gone.processId();
    gone.waitForFinished(-1);
    return QByteArray::number(pid) + "\nvantorquelle\n" + QSysInfo::machineHostName().toUtf8() + "\n";
}

bool age(const QString& path, int hours)
{
    const timeval then{::time(nullptr) - hours * 3600, 0};
    const timeval times[2] = {then, then};
    return ::lutimes(QFile::encodeName(path).constData(), times) == 0;
}

bool writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

class StepScratchCleanUp : public ::testing::TestWithParam<Row>
{
};

TEST_P(StepScratchCleanUp, OnlyADeadWritersOwnFolderGoes)
{
    const Row& row = GetParam();
    if (row.otherUser && ::geteuid() != 0)
        GTEST_SKIP() << "only the superuser can make another user's folder";
    QTemporaryDir temp, elsewhere;
    ASSERT_TRUE(temp.isValid() && elsewhere.isValid());
    const QString entry = temp.filePath(QStringLiteral("vantorquelle-step-") + QLatin1String(row.name));
    // The folder that holds the lock and the partial file: the entry itself, or a user's
    // folder elsewhere that the entry links to.
    const QString folder = row.link ? elsewhere.filePath(QStringLiteral("user-folder")) : entry;
    const QString lockPath = folder + QStringLiteral("/writer.lock");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(writeFile(folder + QStringLiteral("/board.step"), "ISO-10303-21;\nHEADER;\nFILE_NA"));
    std::unique_ptr<QLockFile> live;
    switch (row.lock) {
    case Lock::None: break;
    case Lock::Empty: ASSERT_TRUE(writeFile(lockPath, {})); break;
    case Lock::DeadWriter: ASSERT_TRUE(writeFile(lockPath, deadWriterLock())); break;
    case Lock::LiveWriter:
        live = std::make_unique<QLockFile>(lockPath);
        ASSERT_TRUE(live->tryLock(0));
        break;
    case Lock::Pipe: ASSERT_EQ(::mkfifo(QFile::encodeName(lockPath).constData(), 0600), 0); break;
    }
    if (row.lock != Lock::None) {
        ASSERT_TRUE(age(lockPath, row.ageHours));
    }
    if (row.otherUser) {
        for (const QString& path : {folder + QStringLiteral("/board.step"), lockPath, folder})
            ASSERT_EQ(::lchown(QFile::encodeName(path).constData(), 65534, 65534), 0);
    }
    ASSERT_TRUE(age(folder, row.ageHours));
    if (row.link) {
        ASSERT_TRUE(QFile::link(folder, entry));
    }
    if (row.fileLink) {
        ASSERT_TRUE(writeFile(elsewhere.filePath(QStringLiteral("notes.txt")), "the user's notes"));
        ASSERT_TRUE(QFile::link(elsewhere.filePath(QStringLiteral("notes.txt")), entry + QStringLiteral("-file")));
    }

    // In a child: reading a lock that is a pipe would wait for ever, and the export with it.
    const TestSupport::ChildOutcome outcome = TestSupport::runInChild([&] {
        StepScratch::removeAbandoned(temp.path());
        return 0;
    });
    ASSERT_TRUE(outcome.succeeded()) << outcome.describe();

    EXPECT_EQ(!QFileInfo(entry).exists() && !QFileInfo(entry).isSymLink(), row.removed);
    EXPECT_EQ(QFile::exists(folder + QStringLiteral("/board.step")), !row.removed);
    if (row.link) {
        EXPECT_TRUE(QFileInfo(entry).isSymLink()) << "a link is left as it is";
        EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name), QStringList({"board.step", "writer.lock"}))
            << "nothing is removed through a link";
    }
    if (row.fileLink) {
        EXPECT_TRUE(QFileInfo(entry + QStringLiteral("-file")).isSymLink());
        QFile notes(elsewhere.filePath(QStringLiteral("notes.txt")));
        ASSERT_TRUE(notes.open(QIODevice::ReadOnly));
        EXPECT_EQ(notes.readAll(), "the user's notes");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Leftovers, StepScratchCleanUp,
    ::testing::Values(Row{"killed", Lock::DeadWriter, 0, false, false, false, true},
                      Row{"working", Lock::LiveWriter, 0, false, false, false, false},
                      Row{"unlocked_young", Lock::None, 0, false, false, false, false},
                      Row{"unlocked_old", Lock::None, 2, false, false, false, true},
                      Row{"lock_being_written", Lock::Empty, 0, false, false, false, false},
                      Row{"lock_cut_off_long_ago", Lock::Empty, 48, false, false, false, true},
                      Row{"link_to_a_users_folder", Lock::DeadWriter, 48, true, false, false, false},
                      Row{"link_to_a_users_file", Lock::DeadWriter, 0, false, true, false, true},
                      Row{"another_users", Lock::DeadWriter, 48, false, false, true, false},
                      Row{"lock_is_a_pipe", Lock::Pipe, 48, false, false, false, false}),
    [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

} // namespace
