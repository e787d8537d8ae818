#include "foundation/fileutils.h"
#include "foundation/occutils.h"
#include "foundation/stlimporter.h"
#include "foundation/stlmesh.h"

#include <Message_ProgressScope.hxx>
#include <Poly_Triangulation.hxx>
#include <RWStl_Reader.hxx>
#include <Standard_ReadLineBuffer.hxx>

#include <QFile>
#include <QTemporaryFile>

#include <algorithm>
#include <climits>
#include <cmath>
#include <istream>
#include <streambuf>
#include <vector>

namespace {

constexpr double kZero = 1e-7;
// No printable part reaches a kilometre from its origin; a point that far is damage, and
// it would blow the mesh's extent up for every later step.
constexpr double kFarAway = 1e6;
constexpr qint64 kBinaryHeaderSize = 84;
constexpr qint64 kBinaryFacetSize = 50;
// The reader takes a file for ASCII when it is shorter than one binary facet or when its
// first bytes are all printable; the checks below follow the same rule.
constexpr qint64 kFormatProbeSize = kBinaryHeaderSize + kBinaryFacetSize;

bool looksAscii(const QByteArray& head, qint64 fileSize)
{
    if (fileSize < kFormatProbeSize)
        return true;
    return std::all_of(head.begin(), head.end(), [](char c) { return static_cast<unsigned char>(c) <= '~'; });
}

enum class StlLayout { Invalid, Ascii, AsciiWithBlankLines, Binary };

struct StlFileCheck
{
    StlLayout layout = StlLayout::Invalid;
    bool readerGuessesAscii = false;  // the reader's own guess, which misses some binary files
    QString error;
};

bool isBlank(const QByteArray& line)
{
    return line.trimmed().isEmpty();
}

bool areNumbers(const QList<QByteArray>& words, int from)
{
    bool ok = words.size() == from + 3;
    for (int i = from; ok && i < words.size(); ++i)
        words[i].toDouble(&ok);
    return ok;
}

struct AsciiScan
{
    bool blankLines = false;
    int damagedLine = 0;  // 1-based; 0 when every facet is complete
    bool cancelled = false;
};

// The reader stops quietly at the first empty line or malformed facet and keeps only the
// facets before it. One pass finds both: empty lines are dropped from a copy before reading,
// a malformed facet refuses the file.
AsciiScan scanAscii(QFile& file, qint64 size, const Message_ProgressScope& stage)
{
    enum class State { Outside, InSolid, InFacet, InLoop, LoopDone };
    AsciiScan scan;
    State state = State::Outside;
    int vertices = 0;
    int lineNumber = 0;
    file.seek(0);
    while (file.pos() < size && !file.atEnd()) {
        const QByteArray line = file.readLine(size - file.pos() + 1); // a line of at most the bytes left
        if ((++lineNumber & 0xffff) == 0 && stage.UserBreak()) {
            scan.cancelled = true;
            return scan;
        }
        const QList<QByteArray> words = line.simplified().toLower().split(' ');
        if (words.first().isEmpty()) {
            scan.blankLines = scan.blankLines || (file.pos() < size && !file.atEnd());
            continue;
        }
        const QByteArray& word = words.first();
        bool ok = false;
        switch (state) {
        case State::Outside:
            // Text after the last solid is ignored, as the reader does.
            ok = true;
            if (word == "solid")
                state = State::InSolid;
            break;
        case State::InSolid:
            if (word == "endsolid") {
                ok = true;
                state = State::Outside;
            } else if (word == "facet" && words.size() == 5 && words[1] == "normal") {
                ok = true;
                state = State::InFacet;
            }
            break;
        case State::InFacet:
            ok = word == "outer";
            vertices = 0;
            state = State::InLoop;
            break;
        case State::InLoop:
            if (word == "vertex" && vertices < 3) {
                ok = areNumbers(words, 1);
                ++vertices;
            } else if (word == "endloop" && vertices == 3) {
                ok = true;
                state = State::LoopDone;
            }
            break;
        case State::LoopDone:
            ok = word == "endfacet";
            state = State::InSolid;
            break;
        }
        if (!ok) {
            scan.damagedLine = lineNumber;
            return scan;
        }
    }
    return scan;
}

bool copyWithoutBlankLines(QFile& source, qint64 size, QTemporaryFile& copy)
{
    if (!source.seek(0) || !copy.open())
        return false;
    while (source.pos() < size && !source.atEnd()) {
        const QByteArray line = source.readLine(size - source.pos() + 1);
        if (!isBlank(line) && copy.write(line) != line.size())
            return false;
    }
    return copy.flush();
}

bool hasControlBytes(const QByteArray& bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u > '~' || (u < 0x20 && u != '\t' && u != '\n' && u != '\r');
    });
}

// The reader trusts the file: a binary header announcing more triangles than the file holds,
// or random bytes taken for a mesh, must be refused before it runs. The file is checked and read
// as it was opened: what it grows by meanwhile is not looked at.
StlFileCheck checkStlFile(const QString& path, QFile& file, qint64 size, const Message_ProgressScope& stage)
{
    StlFileCheck check;
    if (size == 0) {
        check.error = StlImporter::tr("The STL file contains no usable triangle.");
        return check;
    }
    const QByteArray head = file.read(kFormatProbeSize);
    check.readerGuessesAscii = looksAscii(head, size);
    const bool startsAsAscii = head.trimmed().toLower().startsWith("solid");

    quint32 announced = 0;
    bool binaryLayout = false;
    if (size >= kBinaryHeaderSize) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(head.constData());
        announced = quint32(bytes[80]) | (quint32(bytes[81]) << 8) | (quint32(bytes[82]) << 16)
            | (quint32(bytes[83]) << 24);
        binaryLayout = kBinaryHeaderSize + kBinaryFacetSize * qint64(announced) == size;
    }

    if (startsAsAscii && check.readerGuessesAscii) {
        const qint64 tail = 1024;
        file.seek(std::max<qint64>(0, size - tail));
        if (file.read(std::min(tail, size)).toLower().contains("endsolid")) {
            const AsciiScan scan = scanAscii(file, size, stage);
            if (scan.cancelled)
                return check;
            if (scan.damagedLine > 0) {
                check.error = StlImporter::tr("The ASCII STL file is damaged: line %1 does not continue a facet.")
                                  .arg(scan.damagedLine);
                return check;
            }
            check.layout = scan.blankLines ? StlLayout::AsciiWithBlankLines : StlLayout::Ascii;
            return check;
        }
        if (!binaryLayout) {
            check.error = StlImporter::tr("The ASCII STL file is truncated (its closing \"endsolid\" is missing): %1")
                              .arg(path);
            return check;
        }
    }
    if (binaryLayout) {
        check.layout = StlLayout::Binary;
        return check;
    }
    if (size >= kBinaryHeaderSize && (startsAsAscii || hasControlBytes(head))) {
        // The translated count is an int: past its range the text takes the plural form of
        // the largest int, with the header's own count written in.
        const int count = int(std::min<quint32>(announced, INT_MAX));
        QString text = StlImporter::tr("The binary STL file is truncated or damaged: its header announces %n "
                                       "triangle(s) but the file holds %1 bytes.",
                                       nullptr, count);
        if (quint32(count) != announced)
            text.replace(QString::number(count), QString::number(announced));
        check.error = text.arg(size);
        return check;
    }
    check.error = StlImporter::tr("The file is not an STL file (no \"solid\" header and no binary layout): %1").arg(path);
    return check;
}

} // namespace

namespace {

// The opened file up to the size it had when opened, for the reader: it reads every solid up to
// the end of its file, so what the file grows by meanwhile would be read too, for ever if it
// keeps growing.
class OpenedFileBuffer : public std::streambuf
{
public:
    OpenedFileBuffer(QFile& file, qint64 size) : m_file(file), m_size(size) { fill(0); }

protected:
    int_type underflow() override
    {
        if (gptr() < egptr() || fill(m_start + (egptr() - eback())))
            return traits_type::to_int_type(*gptr());
        return traits_type::eof();
    }
    pos_type seekoff(off_type offset, std::ios_base::seekdir from, std::ios_base::openmode) override
    {
        const qint64 here = m_start + (gptr() - eback());
        return seekpos(pos_type(offset + (from == std::ios_base::beg ? 0 : from == std::ios_base::cur ? here : m_size)),
                       std::ios_base::in);
    }
    pos_type seekpos(pos_type position, std::ios_base::openmode) override
    {
        const qint64 to = qint64(position);
        if (to < 0 || to > m_size)
            return pos_type(off_type(-1));
        if (to >= m_start && to <= m_start + (egptr() - eback()))
            setg(eback(), eback() + (to - m_start), egptr());
        else
            fill(to);
        return position;
    }

private:
    bool fill(qint64 from)
    {
        m_start = from;
        qint64 n = 0;
        if (from < m_size && m_file.seek(from))
            n = std::max<qint64>(0, m_file.read(m_block, std::min<qint64>(qint64(sizeof m_block), m_size - from)));
        setg(m_block, m_block, m_block + n);
        return n > 0;
    }

    QFile& m_file;
    const qint64 m_size;
    qint64 m_start = 0;
    char m_block[1 << 16];
};

// The reader's nodes (merged where they coincide) and triangles, as a triangulation.
class TriangulationReader : public RWStl_Reader
{
public:
    Standard_Integer AddNode(const gp_XYZ& point) override
    {
        m_nodes.push_back(point);
        return Standard_Integer(m_nodes.size());
    }
    void AddTriangle(Standard_Integer n1, Standard_Integer n2, Standard_Integer n3) override
    {
        m_triangles.push_back(Poly_Triangle(n1, n2, n3));
    }
    Handle(Poly_Triangulation) triangulation() const
    {
        if (m_triangles.empty())
            return {};
        Handle(Poly_Triangulation) made = new Poly_Triangulation(int(m_nodes.size()), int(m_triangles.size()), false);
        for (std::size_t i = 0; i < m_nodes.size(); ++i)
            made->SetNode(int(i + 1), gp_Pnt(m_nodes[i]));
        for (std::size_t i = 0; i < m_triangles.size(); ++i)
            made->SetTriangle(int(i + 1), m_triangles[i]);
        return made;
    }

private:
    std::vector<gp_XYZ> m_nodes;
    std::vector<Poly_Triangle> m_triangles;
};

// Reads the first size bytes of file as the reader reads a file of its own: each solid in turn,
// text or binary as its start says, or one binary block when told.
Handle(Poly_Triangulation) readTriangulation(QFile& file, qint64 size, bool binary, const Message_ProgressRange& progress)
{
    OpenedFileBuffer buffer(file, size);
    std::istream stream(&buffer);
    const Handle(TriangulationReader) reader = new TriangulationReader;
    reader->SetMergeAngle(M_PI / 2.0);
    if (binary) {
        reader->ReadBinary(stream, progress);
        return reader->triangulation();
    }
    const bool ascii = size < kFormatProbeSize || reader->IsAscii(stream, true);
    Standard_ReadLineBuffer lines(1024);
    Message_ProgressScope solids(progress, nullptr, 1, true);
    while (stream.good()) {
        if (!(ascii ? reader->ReadAscii(stream, lines, std::streampos(size), solids.Next(2))
                    : reader->ReadBinary(stream, solids.Next(2))))
            break;
        stream >> std::ws;
    }
    return reader->triangulation();
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
    const StlFileCheck check = checkStlFile(path, file, opened.size, stage);
    if (check.layout == StlLayout::Invalid) {
        result.error = check.error;
        return false;
    }

    QFile* source = &file;
    qint64 sourceSize = opened.size;
    QTemporaryFile cleaned;
    if (check.layout == StlLayout::AsciiWithBlankLines) {
        if (!copyWithoutBlankLines(file, opened.size, cleaned)) {
            result.error = StlImporter::tr("The STL file cannot be opened: %1").arg(cleaned.errorString());
            return false;
        }
        source = &cleaned;
        sourceSize = cleaned.size();
    }

    Handle(Poly_Triangulation) triangulation;
    try {
        // A binary file whose first bytes happen to be all printable (zero normals, round
        // coordinates) would be parsed as text by the reader's own guess.
        triangulation = readTriangulation(*source, sourceSize, check.layout == StlLayout::Binary && check.readerGuessesAscii,
                                          stage.Next(3.0));
    } catch (...) {
        result.error = StlImporter::tr("STL read failed: %1").arg(OccUtils::currentExceptionMessage());
        return false;
    }
    if (stage.UserBreak())
        return false;
    if (triangulation.IsNull() || triangulation->NbTriangles() < 1) {
        result.error = StlImporter::tr("The STL file contains no usable triangle.");
        return false;
    }
    result.triangleCount = triangulation->NbTriangles();

    const int nodeCount = triangulation->NbNodes();
    mesh.nodes.resize(std::size_t(nodeCount));
    for (int i = 1; i <= nodeCount; ++i)
        mesh.nodes[std::size_t(i - 1)] = triangulation->Node(i).XYZ();
    mesh.triangles.reserve(std::size_t(result.triangleCount));
    StlLoopProgress loop(stage.Next(), std::size_t(result.triangleCount), 16384);
    for (int i = 1; i <= result.triangleCount; ++i) {
        if (!loop.next())
            return false;
        int n[3];
        triangulation->Triangle(i).Get(n[0], n[1], n[2]);
        const gp_XYZ& p1 = mesh.nodes[std::size_t(n[0] - 1)];
        const gp_XYZ& p2 = mesh.nodes[std::size_t(n[1] - 1)];
        const gp_XYZ& p3 = mesh.nodes[std::size_t(n[2] - 1)];
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
                                   .arg(i)
                                   .arg(distance, 0, 'g', 3);
                return false;
            }
        }
        mesh.triangles.push_back({n[0] - 1, n[1] - 1, n[2] - 1});
    }
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

