// A stored (uncompressed) ZIP archive built in memory, one entry at a time.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

struct ZipEntry
{
    QByteArray name;                 // UTF-8
    std::uint32_t crc32 = 0;
    std::uint32_t size = 0;          // stored size, equal to the uncompressed size
    std::uint32_t localHeaderOffset = 0;
};

class ZipWriter
{
public:
    // What the format's fields can hold without ZIP64 (whose markers are the all-ones values):
    // 32-bit sizes and offsets, 16-bit entry count and name lengths.
    static constexpr qint64 kMaxArchiveBytes = 0xFFFFFFFELL;
    static constexpr qint64 kMaxEntries = 0xFFFE;
    static constexpr qint64 kMaxNameBytes = 0xFFFF;

    // Appends the local header, the name and the data. Names are taken as given:
    // relative, forward slashes, no leading slash. False, with nothing appended, when the
    // finished archive would no longer fit the limits above; every later call fails too.
    bool addFile(const QString& name, const QByteArray& data);
    // Appends the central directory and the end record; returns the whole archive, or
    // nothing after a refusal. Call once, after the last addFile.
    QByteArray finish();

    // Counts an entry of these sizes against the limits, as addFile does before writing it:
    // false (and errorString() set) when it does not fit. Lets sizes be checked that are
    // too large to be held.
    bool reserveEntry(qint64 nameBytes, qint64 dataBytes);

    // Translated reason of the refusal; empty while every entry fitted.
    const QString& errorString() const { return m_error; }
    const QList<ZipEntry>& entries() const { return m_entries; }

    // The ZIP (IEEE 802.3) checksum of the bytes; 0 for none.
    static std::uint32_t crc32(const char* data, qsizetype size);

private:
    QByteArray m_buffer;
    QList<ZipEntry> m_entries;
    qint64 m_reservedBytes = 22; // the end record
    qint64 m_reservedEntries = 0;
    QString m_error;
};
