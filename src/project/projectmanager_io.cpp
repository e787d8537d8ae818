// Project save and load: the whole document, the ".bak" copy, the atomic write and a load that
// changes the model only once the whole file has been read.
#include "project/projectmanager.h"
#include "model/savedcomponent.h"

#include "model/footprintdata.h"
#include "foundation/fileutils.h"
#include "foundation/logging.h"
#include "foundation/outofmemory.h"
#include "model/designlimits.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QVersionNumber>

#include <algorithm>

namespace {

const QString kVersion = QStringLiteral("3.0");
const QString kApplication = QStringLiteral("Vantorquelle V2");
// Far above any real design (shapes included), far below what would exhaust memory.
constexpr qint64 kMaxProjectFileBytes = qint64(1) << 30;

} // namespace

QString ProjectManager::backupPathFor(const QString& path)
{
    return path + QStringLiteral(".bak");
}

QJsonObject ProjectManager::buildProjectJson(const QList<SavedComponent>& placed,
                                             const QList<FootprintData>& footprints,
                                             QString& error) const
{
    error.clear();
    QJsonObject root;
    root.insert(QStringLiteral("version"), kVersion);
    root.insert(QStringLiteral("application"), kApplication);

    QJsonObject metadata;
    metadata.insert(QStringLiteral("createdDate"),
                    QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")));
    metadata.insert(QStringLiteral("shapeCount"), int(m_shapes.size()));
    metadata.insert(QStringLiteral("componentCount"), int(m_netlist.components.size()));
    metadata.insert(QStringLiteral("connectionCount"), int(m_netlist.connections.size()));
    root.insert(QStringLiteral("metadata"), metadata);

    if (!writeShapes(root, error))
        return root;
    writeNetlist(root);
    writeFootprints(root, footprints);
    writePlacedComponents(root, placed);
    writeRoutingRules(root);
    writeRoutes(root);
    return root;
}

// The old backup is replaced in one step, never deleted first: a kill at any moment leaves a
// complete ".bak" of some earlier version. False, with the reason in error, when no backup
// could be made.
bool ProjectManager::keepBackupOf(const QString& path, QString& error)
{
    const QString backup = backupPathFor(path);
    const FileReadResult previous = FileUtils::readRegularFile(path, kMaxProjectFileBytes);
    if (!previous.ok()) {
        error = tr("The previous version could not be read to keep it as “%1”: %2")
                    .arg(backup, previous.errorString);
        return false;
    }
    const FileWriteResult written = FileUtils::writeFileAtomically(backup, previous.data);
    if (!written.ok()) {
        error = tr("The previous version could not be kept as “%1”: %2")
                    .arg(backup, FileUtils::describeWriteResult(written));
        return false;
    }
    qCDebug(lcProject) << "Previous version kept as" << backup;
    return true;
}

bool ProjectManager::saveProject(const QString& path, const QList<SavedComponent>& placed,
                                 const QList<FootprintData>& footprints, bool keepPreviousVersion)
{
    qCDebug(lcProject) << "\n=== SAVING PROJECT (single file) ===";
    qCDebug(lcProject) << "File:" << path;
    m_lastError.clear();

    QString error;
    const QJsonObject root = buildProjectJson(placed, footprints, error);
    if (!error.isEmpty()) {
        m_lastError = error;
        qWarning() << "✗ Save cancelled:" << m_lastError;
        return false;
    }
    const QByteArray bytes = QJsonDocument(root).toJson(QJsonDocument::Indented);

    // The user asked for the previous version to be kept: without its copy it stays in place.
    if (keepPreviousVersion && QFile::exists(path) && !keepBackupOf(path, error)) {
        m_lastError = error + QLatin1Char('\n') + tr("The project file was not replaced.");
        qWarning() << "✗ Save cancelled:" << m_lastError;
        return false;
    }

    const FileWriteResult result = FileUtils::writeFileAtomically(path, bytes);
    switch (result.status) {
    case FileWriteResult::Ok:
        qCDebug(lcProject) << "✓ Project saved (single file)";
        qCDebug(lcProject) << "  Shapes:" << m_shapes.size();
        qCDebug(lcProject) << "  Placed components:" << placed.size();
        qCDebug(lcProject) << "  Routes:" << m_routingManager.routes().size();
        qCDebug(lcProject) << "===========================\n";
        return true;
    case FileWriteResult::OpenFailed:
        m_lastError = tr("Unable to open the file: %1").arg(result.errorString);
        break;
    case FileWriteResult::ShortWrite:
        m_lastError = tr("Incomplete write: %1 of %2 bytes (disk full?)")
                          .arg(qMax<qint64>(result.bytesWritten, 0))
                          .arg(result.bytesExpected);
        if (!result.errorString.isEmpty())
            m_lastError += QStringLiteral(" — ") + result.errorString;
        break;
    default:
        m_lastError = tr("Unable to finalize the file: %1").arg(result.errorString);
        break;
    }
    qWarning() << "✗ Save cancelled:" << m_lastError;
    return false;
}

bool ProjectManager::readJsonFile(const QString& path, QJsonObject& out)
{
    const FileReadResult read = FileUtils::readRegularFile(path, kMaxProjectFileBytes);
    if (!read.ok()) {
        m_lastError = tr("Unable to open the file: %1").arg(read.errorString);
        return false;
    }
    const QByteArray& content = read.data;

    // Qt's parser ends the program when it cannot allocate: a shortage must show before it runs.
    if (OutOfMemory::inScope())
        OutOfMemory::ensureHeadroom(std::max<std::size_t>(std::size_t(16) << 20, std::size_t(content.size()) * 4));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(content, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        m_lastError = tr("JSON parsing error: %1").arg(parseError.errorString());
        return false;
    }
    if (!document.isObject()) {
        m_lastError = tr("This file is not a Vantorquelle project: its content is not a JSON object.");
        return false;
    }
    out = document.object();
    return true;
}

bool ProjectManager::checkProjectRoot(const QJsonObject& root)
{
    if (root.value(QStringLiteral("version")).isString()
        && root.value(QStringLiteral("shapes")).isArray())
        return true;
    m_lastError = tr("This file is not a Vantorquelle project: its \"version\" or \"shapes\" "
                     "entry is missing or invalid.");
    return false;
}

void ProjectManager::adoptLoaded(ProjectManager& loaded)
{
    // The routing model is built aside, from a copy of this one: identities come from this
    // model's counter, which never goes back, and the solids built aside come along. Running out
    // of memory on the way leaves this model as it was; nothing after the copy allocates.
    RoutingManager routing = m_routingManager;
    routing.clearRoutes();
    routing.clearNetPads();
    routing.setRoutingRules(loaded.m_routingManager.routingRules());
    for (const Route& route : loaded.m_routingManager.routes())
        routing.addRouteOf(loaded.m_routingManager, route);
    for (const UnbuiltRoute& kept : loaded.m_routingManager.unbuiltRoutes())
        routing.addUnbuiltRoute(kept.route, kept.place);

    m_shapes = std::move(loaded.m_shapes);
    m_mainShapeIndex = loaded.m_mainShapeIndex;
    m_netlist = std::move(loaded.m_netlist);
    m_lastError.clear();
    m_loadNotes = loaded.m_loadNotes;
    m_routingManager = std::move(routing);
    changed();
}

bool ProjectManager::loadProject(const QString& path, QList<QJsonObject>& placedOut,
                                 QList<FootprintData>& footprintsOut, const Message_ProgressRange& progress)
{
    bool ok = false;
    if (OutOfMemory::survive([&] { ok = readProject(path, placedOut, footprintsOut, progress); }))
        return ok;
    m_lastError = tr("Not enough memory to open this project.");
    return false;
}

// Counted before anything is built from them: beyond the limit the design would not fit in
// memory once placed.
bool ProjectManager::withinComponentLimit(const QJsonObject& root)
{
    const qsizetype placed = root.value(QStringLiteral("placedComponents")).toArray().size();
    const qsizetype listed =
        root.value(QStringLiteral("netlist")).toObject().value(QStringLiteral("components")).toArray().size();
    const qsizetype count = qMax(placed, listed);
    if (count <= DesignLimits::kMaxComponents)
        return true;
    m_lastError = tr("This project holds %1 components, beyond the limit of %2 components per design.")
                      .arg(count)
                      .arg(DesignLimits::kMaxComponents);
    return false;
}

bool ProjectManager::readProject(const QString& path, QList<QJsonObject>& placedOut,
                                 QList<FootprintData>& footprintsOut, const Message_ProgressRange& progress)
{
    qCDebug(lcProject) << "\n=== LOADING PROJECT ===";
    qCDebug(lcProject) << "File:" << path;
    m_lastError.clear();

    // Everything is read aside first: a file that cannot be loaded leaves the project as it was.
    QJsonObject root;
    if (!readJsonFile(path, root) || !checkProjectRoot(root) || !withinComponentLimit(root)) {
        qWarning() << "✗ Load cancelled:" << m_lastError;
        return false;
    }

    const QString version = root.value(QStringLiteral("version")).toString();
    // A newer format may hold what this version cannot read: loading it and saving it again
    // would silently drop that.
    const QVersionNumber fileFormat = QVersionNumber::fromString(version);
    if (!fileFormat.isNull() && fileFormat > QVersionNumber::fromString(kVersion)) {
        m_lastError = tr("This project was written by a newer version of Vantorquelle (file format "
                         "%1; this version reads format %2 and older). Open it with a newer "
                         "version.")
                          .arg(version, kVersion);
        qWarning() << "✗ Load cancelled:" << m_lastError;
        return false;
    }
    if (version != kVersion)
        qWarning() << "Different version detected:" << version << "(expected:"
                   << qUtf8Printable(kVersion) << ")";

    ProjectManager loaded;
    if (!loaded.readShapes(root, progress)) {
        m_lastError = loaded.m_lastError;
        qWarning() << "Failed to load the embedded 3D shapes:" << m_lastError;
        return false;
    }
    if (!loaded.readNetlist(root))
        qWarning() << "Failed to load the netlist";
    QList<FootprintData> footprints;
    loaded.readFootprints(root, footprints);
    QList<QJsonObject> placed;
    if (!readPlacedComponents(root, placed))
        qWarning() << "Failed to load the placed components";
    loaded.readRoutingRules(root);
    loaded.readRoutes(root);

    // What the caller receives is put together before the model changes: nothing allocates after.
    QList<QJsonObject> allPlaced = placedOut;
    allPlaced.append(placed);
    adoptLoaded(loaded);
    footprintsOut = std::move(footprints);
    placedOut = std::move(allPlaced);

    qCDebug(lcProject) << "✓ Project loaded successfully";
    qCDebug(lcProject) << "  Shapes:" << m_shapes.size();
    qCDebug(lcProject) << "  Components:" << m_netlist.components.size();
    qCDebug(lcProject) << "  Placed components:" << placedOut.size();
    qCDebug(lcProject) << "  Connections:" << m_netlist.connections.size();
    qCDebug(lcProject) << "  Routes:" << m_routingManager.routes().size();
    qCDebug(lcProject) << "===========================\n";
    return true;
}
