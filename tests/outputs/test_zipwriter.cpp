// Stored ZIP writer: byte layout checked field by field, and the archive read back by an
// independent reader (Python's zipfile).
#include "logcapture.h"

#include "outputs/zipwriter.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

quint32 u32(const QByteArray& b, qsizetype at)
{
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 | quint32(quint8(b[at + 2])) << 16
           | quint32(quint8(b[at + 3])) << 24;
}
quint16 u16(const QByteArray& b, qsizetype at)
{
    return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8);
}

struct Entry
{
    QString name;
    QByteArray data;
};

const QList<Entry> kEntries = {
    {"[Content_Types].xml", "<Types/>"},
    {"empty.txt", QByteArray()},
    {"3D/3dmodel.model", QByteArray(1000, 'x') + QByteArray("\0\xff\x80", 3)},
};

QByteArray buildArchive()
{
    ZipWriter writer;
    for (const Entry& e : kEntries)
        writer.addFile(e.name, e.data);
    return writer.finish();
}

} // namespace

TEST(ZipCrc, MatchesTheStandardCheckValues)
{
    struct Row { QByteArray data; quint32 crc; };
    const Row rows[] = {
        {QByteArray(), 0u},
        {"123456789", 0xCBF43926u}, // the published check value of CRC-32/ISO-HDLC
        {"a", 0xE8B7BE43u},
        {QByteArray(1, '\0'), 0xD202EF8Du},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ZipWriter::crc32(row.data.constData(), row.data.size()), row.crc) << row.data.toStdString();
}

TEST(ZipWriterLayout, EmptyArchiveIsTheEndRecordAlone)
{
    ZipWriter writer;
    const QByteArray zip = writer.finish();
    ASSERT_EQ(zip.size(), 22);
    EXPECT_EQ(u32(zip, 0), 0x06054B50u);
    for (qsizetype at = 4; at < 22; ++at)
        EXPECT_EQ(zip[at], '\0') << "byte " << at;
}

TEST(ZipWriterLayout, LocalHeadersCentralDirectoryAndEndRecordAgree)
{
    const QByteArray zip = buildArchive();

    // Local headers, one after another, each at the offset the sizes before it give.
    qsizetype at = 0;
    QList<qsizetype> localOffsets;
    for (const Entry& e : kEntries) {
        localOffsets.append(at);
        const QByteArray name = e.name.toUtf8();
        ASSERT_EQ(u32(zip, at), 0x04034B50u) << e.name.toStdString();
        EXPECT_EQ(u16(zip, at + 4), 20);
        EXPECT_EQ(u16(zip, at + 6), 0);
        EXPECT_EQ(u16(zip, at + 8), 0);
        EXPECT_EQ(u16(zip, at + 10), 0);
        EXPECT_EQ(u16(zip, at + 12), 0x0021);
        EXPECT_EQ(u32(zip, at + 14), ZipWriter::crc32(e.data.constData(), e.data.size()));
        EXPECT_EQ(u32(zip, at + 18), quint32(e.data.size()));
        EXPECT_EQ(u32(zip, at + 22), quint32(e.data.size()));
        EXPECT_EQ(u16(zip, at + 26), name.size());
        EXPECT_EQ(u16(zip, at + 28), 0);
        EXPECT_EQ(zip.mid(at + 30, name.size()), name);
        EXPECT_EQ(zip.mid(at + 30 + name.size(), e.data.size()), e.data);
        at += 30 + name.size() + e.data.size();
    }

    const qsizetype directoryOffset = at;
    for (int i = 0; i < kEntries.size(); ++i) {
        const QByteArray name = kEntries[i].name.toUtf8();
        ASSERT_EQ(u32(zip, at), 0x02014B50u);
        EXPECT_EQ(u16(zip, at + 4), 20);
        EXPECT_EQ(u16(zip, at + 6), 20);
        EXPECT_EQ(u16(zip, at + 14), 0x0021);
        EXPECT_EQ(zip.mid(at + 16, 12), zip.mid(localOffsets[i] + 14, 12)) << "CRC and sizes as in the local header";
        EXPECT_EQ(u16(zip, at + 28), name.size());
        for (int field = 30; field < 42; field += 2)
            EXPECT_EQ(u16(zip, at + field), 0) << "field at " << field;
        EXPECT_EQ(u32(zip, at + 42), quint32(localOffsets[i]));
        EXPECT_EQ(zip.mid(at + 46, name.size()), name);
        at += 46 + name.size();
    }

    ASSERT_EQ(zip.size(), at + 22);
    EXPECT_EQ(u32(zip, at), 0x06054B50u);
    EXPECT_EQ(u16(zip, at + 8), kEntries.size());
    EXPECT_EQ(u16(zip, at + 10), kEntries.size());
    EXPECT_EQ(u32(zip, at + 12), quint32(at - directoryOffset));
    EXPECT_EQ(u32(zip, at + 16), quint32(directoryOffset));
    EXPECT_EQ(u16(zip, at + 20), 0);
}

TEST(ZipWriterConsumer, PythonZipfileListsAndVerifiesEveryEntry)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        GTEST_SKIP() << "python3 not installed";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("archive.zip"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(buildArchive());
    file.close();

    const QString script = QStringLiteral(
        "import sys, zipfile\n"
        "z = zipfile.ZipFile(sys.argv[1])\n"
        "assert z.testzip() is None\n"
        "for i in z.infolist():\n"
        "    print(i.filename, i.compress_type, i.date_time, i.file_size, len(z.read(i)))\n");
    QProcess process;
    process.start(python, {QStringLiteral("-c"), script, path});
    ASSERT_TRUE(process.waitForFinished(30000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), kEntries.size());
    for (int i = 0; i < kEntries.size(); ++i) {
        const QString size = QString::number(kEntries[i].data.size());
        EXPECT_EQ(lines[i], QStringLiteral("%1 0 (1980, 1, 1, 0, 0, 0) %2 %2").arg(kEntries[i].name, size));
    }
}
