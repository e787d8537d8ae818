// A project model filled with every kind of record the project file holds, and helpers to
// compare projects through their JSON form.
#pragma once

#include "components/footprintdata.h"
#include "project/savedcomponent.h"

#include <QJsonObject>
#include <QList>
#include <QString>

class ProjectManager;
class TopoDS_Shape;

namespace ProjectSample {

// A box with a cylindrical pocket, encoded and decoded once so that it carries no
// state flags of a freshly built shape.
TopoDS_Shape part();
TopoDS_Shape secondaryPart();

// Shapes (main index 1), a netlist, rules other than the defaults and two routes, one of
// which ends on a track.
void fill(ProjectManager& project);
QList<FootprintData> footprints();
QList<SavedComponent> placedComponents();

// Reads a stored placed-component object back into the record the writer takes.
SavedComponent savedFromJson(const QJsonObject& object);
QList<SavedComponent> savedFromJson(const QList<QJsonObject>& objects);

// The whole model as the file would hold it, without the save time, plus what the file
// does not hold: route identities and the routing model's net map.
QJsonObject snapshot(const ProjectManager& project);

// The document without its save time.
QJsonObject withoutDate(QJsonObject root);

QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& bytes);

} // namespace ProjectSample
