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
    // Appends the local header, the name and the data. Names are taken as given:
    // relative, forward slashes, no leading slash.
    void addFile(const QString& name, const QByteArray& data);
    // Appends the central directory and the end record; returns the whole archive.
    // Call once, after the last addFile.
    QByteArray finish();

    const QList<ZipEntry>& entries() const { return m_entries; }

    // The ZIP (IEEE 802.3) checksum of the bytes; 0 for none.
    static std::uint32_t crc32(const char* data, qsizetype size);

private:
    QByteArray m_buffer;
    QList<ZipEntry> m_entries;
};
