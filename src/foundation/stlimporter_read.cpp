#include "foundation/fileutils.h"
#include "foundation/stlimporter.h"
#include "foundation/stlmesh.h"

#include <Message_ProgressScope.hxx>

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr double kZero = 1e-7;
// No printable part reaches a kilometre from its origin; a point that far is damage, and
// it would blow the mesh's extent up for every later step.
constexpr double kFarAway = 1e6;
constexpr qint64 kBinaryHeaderSize = 84;
constexpr qint64 kBinaryFacetSize = 50;
// Files are taken for text when shorter than one binary facet or when their first bytes are all
// printable, as OpenCASCADE's reader and most tools take them.
constexpr qint64 kFormatProbeSize = kBinaryHeaderSize + kBinaryFacetSize;
constexpr qint64 kBlockSize = qint64(1) << 16;
// No line of an STL file comes near this; a longer one is damage, and is not held whole.
constexpr std::size_t kLongestLine = std::size_t(1) << 20;

bool looksAscii(const QByteArray& head, qint64 fileSize)
{
    if (fileSize < kFormatProbeSize)
        return true;
    return std::all_of(head.begin(), head.end(), [](char c) { return static_cast<unsigned char>(c) <= '~'; });
}

bool hasControlBytes(const QByteArray& bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u > '~' || (u < 0x20 && u != '\t' && u != '\n' && u != '\r');
    });
}

enum class StlLayout { Invalid, Ascii, Binary };

// The layout the file's first and last bytes show, or why it is no STL file at all. A binary
// header announcing more triangles than the file holds, or random bytes, never reach the read.
StlLayout layoutOf(const QString& path, QFile& file, qint64 size, QString& error)
{
    if (size == 0) {
        error = StlImporter::tr("The STL file contains no usable triangle.");
        return StlLayout::Invalid;
    }
    const QByteArray head = file.read(kFormatProbeSize);
    const bool printable = looksAscii(head, size);
    const bool startsAsAscii = head.trimmed().toLower().startsWith("solid");

    quint32 announced = 0;
    bool binaryLayout = false;
    if (size >= kBinaryHeaderSize && head.size() >= kBinaryHeaderSize) {
        announced = qFromLittleEndian<quint32>(head.constData() + 80);
        binaryLayout = kBinaryHeaderSize + kBinaryFacetSize * qint64(announced) == size;
    }
    if (startsAsAscii && printable) {
        const qint64 tail = 1024;
        file.seek(std::max<qint64>(0, size - tail));
        if (file.read(std::min(tail, size)).toLower().contains("endsolid"))
            return StlLayout::Ascii;
        if (!binaryLayout) {
            error = StlImporter::tr("The ASCII STL file is truncated (its closing \"endsolid\" is missing): %1").arg(path);
            return StlLayout::Invalid;
        }
    }
    if (binaryLayout)
        return StlLayout::Binary;
    if (size >= kBinaryHeaderSize && (startsAsAscii || hasControlBytes(head))) {
        // The translated count is an int: past its range the text takes the plural form of
        // the largest int, with the header's own count written in.
        const int count = int(std::min<quint32>(announced, INT_MAX));
        QString text = StlImporter::tr("The binary STL file is truncated or damaged: its header announces %n "
                                       "triangle(s) but the file holds %1 bytes.",
                                       nullptr, count);
        if (quint32(count) != announced)
            text.replace(QString::number(count), QString::number(announced));
        error = text.arg(size);
        return StlLayout::Invalid;
    }
    error = StlImporter::tr("The file is not an STL file (no \"solid\" header and no binary layout): %1").arg(path);
    return StlLayout::Invalid;
}

// The opened file's first bytes, as many as it held when opened, block by block: what it grows
// by meanwhile is not read, and a file that ends sooner changed while it was read.
class OpenedBytes
{
public:
    OpenedBytes(QFile& file, qint64 from, qint64 size, const Message_ProgressRange& progress)
        : m_file(file), m_at(from), m_size(size), m_scope(progress, nullptr, double(std::max<qint64>(1, size - from)))
    {
        m_file.seek(from);
        m_block.resize(std::size_t(kBlockSize));
    }

    // The next block; false at the end, on Cancel, or when the file gave less than it held.
    bool next(std::string_view& block)
    {
        if (m_at >= m_size || m_scope.UserBreak())
            return false;
        const qint64 wanted = std::min(kBlockSize, m_size - m_at);
        const qint64 got = m_file.read(m_block.data(), wanted);
        if (got != wanted) {
            m_changed = true;
            return false;
        }
        m_at += got;
        m_scope.Next(double(got));
        block = std::string_view(m_block.data(), std::size_t(got));
        return true;
    }
    bool changed() const { return m_changed; }
    bool cancelled() const { return m_scope.UserBreak(); }

private:
    QFile& m_file;
    qint64 m_at;
    const qint64 m_size;
    Message_ProgressScope m_scope;
    std::vector<char> m_block;
    bool m_changed = false;
};

// Nodes merged where their coordinates are equal, as the file names the same point again at
// every triangle around it.
class NodeTable
{
public:
    explicit NodeTable(StlMesh& mesh, std::size_t expected) : m_mesh(mesh) { grow(std::max<std::size_t>(expected, 64)); }

    int node(double x, double y, double z)
    {
        x += 0.0, y += 0.0, z += 0.0; // -0 is 0
        if (2 * (m_mesh.nodes.size() + 1) > m_slots.size())
            grow(m_slots.size());
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = hash(x, y, z) & mask;; i = (i + 1) & mask) {
            const int n = m_slots[i];
            if (n < 0) {
                m_slots[i] = int(m_mesh.nodes.size());
                m_mesh.nodes.emplace_back(x, y, z);
                return m_slots[i];
            }
            const gp_XYZ& p = m_mesh.nodes[std::size_t(n)];
            if (p.X() == x && p.Y() == y && p.Z() == z)
                return n;
        }
    }

private:
    static std::size_t hash(double x, double y, double z)
    {
        std::uint64_t b[3];
        std::memcpy(&b[0], &x, 8), std::memcpy(&b[1], &y, 8), std::memcpy(&b[2], &z, 8);
        std::uint64_t h = b[0] * 0x9E3779B97F4A7C15ull;
        h ^= b[1] * 0xC2B2AE3D27D4EB4Full + (h << 6) + (h >> 2);
        h ^= b[2] * 0x165667B19E3779F9ull + (h << 6) + (h >> 2);
        return std::size_t(h ^ (h >> 29));
    }
    void grow(std::size_t atLeast)
    {
        std::size_t size = 64;
        while (size < 2 * atLeast)
            size *= 2;
        m_slots.assign(size, -1);
        const std::size_t mask = size - 1;
        for (std::size_t n = 0; n < m_mesh.nodes.size(); ++n) {
            const gp_XYZ& p = m_mesh.nodes[n];
            std::size_t i = hash(p.X(), p.Y(), p.Z()) & mask;
            while (m_slots[i] >= 0)
                i = (i + 1) & mask;
            m_slots[i] = int(n);
        }
    }

    StlMesh& m_mesh;
    std::vector<int> m_slots;
};

// What the file holds, in the file's order: triangles whose corners are three points.
struct ReadTriangles
{
    explicit ReadTriangles(StlMesh& mesh, std::size_t expected) : nodes(mesh, 3 * expected / 6), mesh(mesh)
    {
        mesh.triangles.reserve(expected);
    }
    void add(const double corner[9])
    {
        const int a = nodes.node(corner[0], corner[1], corner[2]);
        const int b = nodes.node(corner[3], corner[4], corner[5]);
        const int c = nodes.node(corner[6], corner[7], corner[8]);
        // Two corners on one point: no triangle, and not counted, as the reader never counted them.
        if (a != b && b != c && c != a)
            mesh.triangles.push_back({a, b, c});
    }

    NodeTable nodes;
    StlMesh& mesh;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The line's words, one at a time.
class Words
{
public:
    explicit Words(std::string_view line) : m_rest(line) {}
    bool next(std::string_view& word)
    {
        std::size_t i = 0;
        while (i < m_rest.size() && isBlank(m_rest[i]))
            ++i;
        std::size_t j = i;
        while (j < m_rest.size() && !isBlank(m_rest[j]))
            ++j;
        word = m_rest.substr(i, j - i);
        m_rest.remove_prefix(j);
        return !word.empty();
    }
    bool atEnd()
    {
        std::string_view word;
        return !next(word);
    }

private:
    std::string_view m_rest;
};

bool is(std::string_view word, std::string_view keyword)
{
    return word.size() == keyword.size()
        && std::equal(word.begin(), word.end(), keyword.begin(),
                      [](char a, char b) { return (a >= 'A' && a <= 'Z' ? char(a - 'A' + 'a') : a) == b; });
}

bool number(std::string_view word, double& value)
{
    if (!word.empty() && word.front() == '+')
        word.remove_prefix(1);
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return error == std::errc() && end == word.data() + word.size();
}

// Reads the text file's every solid, line by line: each facet its normal line, an outer loop of
// three vertices, and its ends; blank lines anywhere and text between solids are let be. A line
// that does not continue its facet refuses the file, as does a file that ends inside a solid.
bool readAscii(const QString& path, OpenedBytes& bytes, ReadTriangles& read, QString& error)
{
    enum class State { Outside, InSolid, InFacet, InLoop, LoopDone };
    State state = State::Outside;
    int vertices = 0;
    double corner[9];
    int lineNumber = 0;
    std::string carried; // a line begun in the previous block
    const auto damaged = [&] {
        error = StlImporter::tr("The ASCII STL file is damaged: line %1 does not continue a facet.").arg(lineNumber);
        return false;
    };
    const auto take = [&](std::string_view line) {
        ++lineNumber;
        Words words(line);
        std::string_view word;
        if (!words.next(word))
            return true;
        switch (state) {
        case State::Outside:
            if (is(word, "solid"))
                state = State::InSolid;
            return true;
        case State::InSolid:
            if (is(word, "endsolid")) {
                state = State::Outside;
                return true;
            }
            if (is(word, "facet")) {
                int count = 0;
                bool normal = words.next(word) && is(word, "normal");
                while (words.next(word))
                    ++count;
                if (normal && count == 3) {
                    state = State::InFacet;
                    return true;
                }
            }
            return damaged();
        case State::InFacet:
            if (!is(word, "outer"))
                return damaged();
            vertices = 0;
            state = State::InLoop;
            return true;
        case State::InLoop:
            if (is(word, "vertex") && vertices < 3) {
                for (int k = 0; k < 3; ++k)
                    if (!words.next(word) || !number(word, corner[3 * vertices + k]))
                        return damaged();
                if (!words.atEnd())
                    return damaged();
                ++vertices;
                return true;
            }
            if (is(word, "endloop") && vertices == 3) {
                read.add(corner);
                state = State::LoopDone;
                return true;
            }
            return damaged();
        case State::LoopDone:
            if (!is(word, "endfacet"))
                return damaged();
            state = State::InSolid;
            return true;
        }
        return damaged();
    };

    std::string_view block;
    while (bytes.next(block)) {
        for (;;) {
            const std::size_t end = block.find('\n');
            const std::size_t length = carried.size() + std::min(end, block.size());
            if (length > kLongestLine) {
                ++lineNumber;
                return damaged();
            }
            if (end == std::string_view::npos) {
                carried.append(block);
                break;
            }
            if (!carried.empty()) {
                carried.append(block.substr(0, end));
                if (!take(carried))
                    return false;
                carried.clear();
            } else if (!take(block.substr(0, end))) {
                return false;
            }
            block.remove_prefix(end + 1);
        }
    }
    if (bytes.changed() || bytes.cancelled())
        return false;
    if (!carried.empty() && !take(carried))
        return false;
    if (state != State::Outside) {
        error = StlImporter::tr("The ASCII STL file is truncated (its closing \"endsolid\" is missing): %1").arg(path);
        return false;
    }
    return true;
}

// The binary file's facets: after the 84-byte header, 50 bytes each, of which the three corners'
// single-precision coordinates are used.
bool readBinary(OpenedBytes& bytes, ReadTriangles& read)
{
    std::string partial; // a facet split between two blocks
    std::string_view block;
    double corner[9];
    const auto take = [&](const char* facet) {
        for (int k = 0; k < 9; ++k) {
            const quint32 bits = qFromLittleEndian<quint32>(facet + 12 + 4 * k);
            float value;
            std::memcpy(&value, &bits, 4);
            corner[k] = double(value);
        }
        read.add(corner);
    };
    while (bytes.next(block)) {
        if (!partial.empty()) {
            const std::size_t wanted = std::size_t(kBinaryFacetSize) - partial.size();
            const std::size_t taken = std::min(wanted, block.size());
            partial.append(block.substr(0, taken));
            block.remove_prefix(taken);
            if (partial.size() < std::size_t(kBinaryFacetSize))
                continue;
            take(partial.data());
            partial.clear();
        }
        while (block.size() >= std::size_t(kBinaryFacetSize)) {
            take(block.data());
            block.remove_prefix(std::size_t(kBinaryFacetSize));
        }
        partial.assign(block);
    }
    return !bytes.changed() && !bytes.cancelled();
}

} // namespace

bool readStlMesh(const QString& path, StlImportResult& result, StlMesh& mesh, const Message_ProgressRange& progress)
{
    Message_ProgressScope stage(progress, StlStage::kRead, 4.0);
    stage.Show();
    // Opened once, and what was opened is checked and read: a pipe swapped in at the path
    // neither blocks the open nor reaches the reader.
    QFile file;
    const OpenedFile opened = FileUtils::openRegularFile(path, file);
    if (!opened.ok()) {
        result.error = opened.status == OpenedFile::Missing ? StlImporter::tr("The STL file does not exist: %1").arg(path)
            : opened.status == OpenedFile::NotRegularFile // a pipe or a device would be read for ever, a folder not at all
            ? StlImporter::tr("The STL file is not a regular file: %1").arg(path)
            : StlImporter::tr("The STL file cannot be opened: %1").arg(opened.errorString);
        return false;
    }
    const StlLayout layout = layoutOf(path, file, opened.size, result.error);
    if (layout == StlLayout::Invalid)
        return false;

    {
        const bool binary = layout == StlLayout::Binary;
        const qint64 from = binary ? kBinaryHeaderSize : 0;
        // About a quarter of a kilobyte of text a facet.
        ReadTriangles read(mesh, std::size_t((opened.size - from) / (binary ? kBinaryFacetSize : 256)));
        OpenedBytes bytes(file, from, opened.size, stage.Next(3.0));
        const bool whole = binary ? readBinary(bytes, read) : readAscii(path, bytes, read, result.error);
        if (bytes.changed()) {
            result.error = StlImporter::tr("The STL file changed while it was read: it now holds less than when it was "
                                           "opened. Import it again once it is written whole: %1")
                               .arg(path);
            return false;
        }
        if (!whole)
            return false; // damaged, with its reason, or cancelled
    }
    if (mesh.triangles.empty()) {
        result.error = StlImporter::tr("The STL file contains no usable triangle.");
        return false;
    }
    result.triangleCount = int(std::min<std::size_t>(mesh.triangles.size(), INT_MAX));

    std::size_t kept = 0;
    StlLoopProgress loop(stage.Next(), mesh.triangles.size(), 16384);
    for (std::size_t i = 0; i < mesh.triangles.size(); ++i) {
        if (!loop.next())
            return false;
        const auto& n = mesh.triangles[i];
        const gp_XYZ& p1 = mesh.nodes[std::size_t(n[0])];
        const gp_XYZ& p2 = mesh.nodes[std::size_t(n[1])];
        const gp_XYZ& p3 = mesh.nodes[std::size_t(n[2])];
        const double d12 = (p2 - p1).Modulus();
        const double d23 = (p3 - p2).Modulus();
        const double d31 = (p1 - p3).Modulus();
        // Non-finite coordinates come from damaged files; no face can be built on them.
        if (!(d12 >= kZero) || !(d23 >= kZero) || !(d31 >= kZero) || !std::isfinite(d12 + d23 + d31))
            continue;
        // Corners in a line: a face without area, on which sewing recurses for minutes and
        // which could close a "solid" of no volume. Its height over the longest side tells.
        if (!((p2 - p1).Crossed(p3 - p1).Modulus() / std::max({d12, d23, d31}) >= kZero)) {
            ++result.flatTriangleCount;
            continue;
        }
        for (const gp_XYZ* p : {&p1, &p2, &p3}) {
            const double distance = std::max({std::abs(p->X()), std::abs(p->Y()), std::abs(p->Z())});
            if (distance > kFarAway) {
                result.error = StlImporter::tr("The STL file is damaged: facet %1 has a point %2 mm away from the "
                                               "origin, too far for a printable part.")
                                   .arg(i + 1)
                                   .arg(distance, 0, 'g', 3);
                return false;
            }
        }
        mesh.triangles[kept++] = n;
    }
    mesh.triangles.resize(kept);
    if (mesh.triangles.empty()) {
        result.error = result.flatTriangleCount > 0
            ? StlImporter::tr("No non-degenerate triangle in the STL: %n triangle(s) with their corners in a line "
                              "were left out.",
                              nullptr, result.flatTriangleCount)
            : StlImporter::tr("No non-degenerate triangle in the STL.");
        return false;
    }
    return true;
}
