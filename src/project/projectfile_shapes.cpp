// Shapes section of the project file: BRep text in Base64, and the main part's index.
#include "project/projectfile.h"
#include "project/projectmanager.h"

#include "foundation/faulttrap.h"
#include "foundation/occutils.h"
#include "foundation/outofmemory.h"

#include <BRepTools.hxx>
#include <BRepTools_ShapeSet.hxx>
#include <BRep_Builder.hxx>
#include <Message_ProgressRange.hxx>
#include <Message_ProgressScope.hxx>
#include <TopoDS_Shape.hxx>

#include <QJsonArray>
#include <QJsonObject>
#include <QDebug>
#include <QStringList>

#include <algorithm>
#include <istream>
#include <memory>
#include <sstream>
#include <streambuf>
#include <string>

namespace {

// Whatever is not BRep text at all never reaches the BRep reader.
bool looksLikeBRepText(const QByteArray& bytes)
{
    const QByteArray head = bytes.left(256).trimmed();
    return head.startsWith("CASCADE Topology V") || head.startsWith("DBRep_DrawableShape");
}

// Reads the decoded bytes in place, without copying a large part's text twice more.
class ByteReader : public std::streambuf
{
public:
    explicit ByteReader(QByteArray& bytes)
    {
        char* begin = bytes.data();
        setg(begin, begin, begin + bytes.size());
    }
};

QString joinIndices(const QList<int>& indices)
{
    QStringList parts;
    for (int index : indices)
        parts << QString::number(index);
    return parts.join(QStringLiteral(", "));
}

// Base64 bytes of the shape's BRep text; empty on failure. Kept as bytes so that a large part
// goes into the document without a UTF-16 copy.
QByteArray encodeShapeBytes(const TopoDS_Shape& shape)
{
    return OccUtils::guardedCall(QByteArray(), "encodeShapeToBase64", [&]() {
        std::ostringstream stream;
        BRepTools::Write(shape, stream, Standard_True, Standard_False,
                         TopTools_FormatVersion_VERSION_3, Message_ProgressRange());
        const std::string text = stream.str();
        if (text.empty())
            return QByteArray();
        return QByteArray::fromRawData(text.data(), qsizetype(text.size())).toBase64();
    });
}

} // namespace

QString encodeShapeToBase64(const TopoDS_Shape& shape)
{
    return QString::fromLatin1(encodeShapeBytes(shape));
}

namespace {

// A reader that ran out of memory on a text this long: true when memory is not short after all,
// with room left for many times what any shape of that text needs. The reader then asked for an
// absurd size, read from a damaged count, and the text is damaged; otherwise the shortage is real.
bool askedForAbsurdMemory(qsizetype textBytes)
{
    constexpr std::size_t kFloor = std::size_t(256) << 20;
    constexpr std::size_t kPerTextByte = 64;
    try {
        OutOfMemory::ensureHeadroom(std::max(kFloor, std::size_t(textBytes) * kPerTextByte));
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

TopoDS_Shape readShapeText(const QString& text, const Message_ProgressRange& progress)
{
    return OccUtils::guardedCall(TopoDS_Shape(), "decodeShapeFromBase64", [&]() {
        QByteArray bytes = QByteArray::fromBase64(text.toLatin1());
        if (!looksLikeBRepText(bytes))
            return TopoDS_Shape();
        // OpenCASCADE's curve readers take a failed allocation for a missing curve and read on:
        // a shortage must show before they run.
        if (OutOfMemory::inScope())
            OutOfMemory::ensureHeadroom(std::max<std::size_t>(std::size_t(16) << 20, std::size_t(bytes.size()) * 8));
        ByteReader buffer(bytes);
        std::istream stream(&buffer);
        // The reader keeps looping on a failed stream, so absurd counts in a damaged text would
        // run for ages: make the first failed extraction end the read.
        stream.exceptions(std::ios::failbit | std::ios::badbit);
        TopoDS_Shape shape;
        BRep_Builder builder;
        // A trimmed or offset curve or surface whose basis record is broken reaches the
        // reader's constructors as a null basis. What the reader built up to there (all the
        // geometry read so far) is held here, outside the trapped frames, and given back.
        auto read = std::make_unique<BRepTools_ShapeSet>(builder);
        const bool clean = FaultTrap::run(
            [&]() {
                read->Read(stream, progress);
                if (!progress.UserBreak())
                    read->Read(shape, stream);
            },
            [&]() { read.reset(); });
        return clean && !progress.UserBreak() ? shape : TopoDS_Shape();
    });
}

} // namespace

TopoDS_Shape decodeShapeFromBase64(const QString& text, const Message_ProgressRange& progress)
{
    if (text.isEmpty())
        return TopoDS_Shape();
    // A shortage that has passed is not the text's fault: the read is tried once more. A text
    // that asks for an absurd size asks for it again, and only then is called damaged, when
    // memory is plentiful.
    for (int attempt = 1;; ++attempt) {
        try {
            return readShapeText(text, attempt == 1 ? progress : Message_ProgressRange());
        } catch (const std::bad_alloc&) {
        } catch (const Standard_OutOfMemory&) {
        }
        if (!askedForAbsurdMemory(text.size()))
            throw std::bad_alloc();
        if (attempt == 2)
            break;
    }
    qWarning() << "decodeShapeFromBase64: the shape text asks for an absurd amount of memory";
    return TopoDS_Shape();
}

bool ProjectManager::writeShapes(QJsonObject& root, QString& error) const
{
    QJsonArray shapes;
    bool mainFailed = false;
    QList<int> secondaryFailed;
    for (int i = 0; i < m_shapes.size(); ++i) {
        const TopoDS_Shape& shape = m_shapes.at(i);
        QByteArray encoded;
        if (!shape.IsNull()) {
            encoded = encodeShapeBytes(shape);
            if (encoded.isEmpty()) {
                if (i == m_mainShapeIndex)
                    mainFailed = true;
                else
                    secondaryFailed << i;
            }
        }
        shapes.append(QJsonValue(QLatin1String(encoded)));
    }
    root.insert(QStringLiteral("shapes"), shapes);
    root.insert(QStringLiteral("mainShapeIndex"), m_mainShapeIndex);

    if (!mainFailed && secondaryFailed.isEmpty())
        return true;

    QStringList what;
    if (mainFailed)
        what << tr("main part (index %1)").arg(m_mainShapeIndex);
    if (!secondaryFailed.isEmpty())
        what << tr("secondary shapes (index %1)").arg(joinIndices(secondaryFailed));
    error = tr("Unable to encode 3D geometry: %1. Save cancelled to avoid producing an incomplete file.")
                .arg(what.join(tr(" and ")));
    return false;
}

bool ProjectManager::readShapes(const QJsonObject& root, const Message_ProgressRange& progress)
{
    if (!root.contains(QStringLiteral("shapes")))
        return true;

    const QJsonArray entries = root.value(QStringLiteral("shapes")).toArray();
    QList<TopoDS_Shape> shapes;
    shapes.reserve(entries.size());
    QList<int> failed;
    // Each shape's share is its text's length: the reader's time goes with it.
    double textLength = 1.0;
    for (const QJsonValue& entry : entries)
        textLength += double(entry.toString().size());
    Message_ProgressScope scope(progress, nullptr, textLength);
    for (int i = 0; i < entries.size(); ++i) {
        const QString text = entries.at(i).toString();
        const TopoDS_Shape shape = decodeShapeFromBase64(text, scope.Next(double(text.size())));
        if (!scope.More()) {
            m_lastError.clear(); // the caller, who broke it off, says so
            return false;
        }
        if (shape.IsNull() && !text.isEmpty())
            failed << i;
        shapes.append(shape);
    }
    const int storedIndex = root.value(QStringLiteral("mainShapeIndex")).toInt(-1);

    m_shapes.clear();
    m_mainShapeIndex = -1;
    if (!failed.isEmpty()) {
        m_lastError = tr("Corrupt project file: unable to decode 3D shapes at indices %1. "
                         "Loading aborted to prevent silent loss of geometry.")
                          .arg(joinIndices(failed));
        return false;
    }
    const bool stored = storedIndex >= 0 && storedIndex < shapes.size();
    if (stored && shapes.at(storedIndex).IsNull()) {
        m_lastError = tr("Corrupt project file: the main part (index %1) is missing or "
                         "unreadable. Loading aborted.")
                          .arg(storedIndex);
        return false;
    }
    m_shapes = shapes;
    if (stored) {
        m_mainShapeIndex = storedIndex;
        return true;
    }
    // Without a usable stored index, the first shape there is becomes the main part.
    for (int i = 0; i < m_shapes.size(); ++i) {
        if (!m_shapes.at(i).IsNull()) {
            m_mainShapeIndex = i;
            break;
        }
    }
    if (m_mainShapeIndex >= 0) {
        const QJsonValue index = root.value(QStringLiteral("mainShapeIndex"));
        const QString value = index.isDouble() ? QString::number(index.toDouble())
                                               : tr("(missing or not a number)");
        addLoadNote(tr("the main part's index %1 names no shape of the file (shapes 0 to %2): shape %3, the first "
                       "one there is, is taken as the main part")
                        .arg(value)
                        .arg(m_shapes.size() - 1)
                        .arg(m_mainShapeIndex));
    }
    return true;
}
