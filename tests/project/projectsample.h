// A project model filled with every kind of record the project file holds, and helpers to
// compare projects through their JSON form.
#pragma once

#include "model/footprintdata.h"
#include "model/savedcomponent.h"

#include <QJsonObject>
#include <QList>
#include <QString>

class ProjectManager;
class TopoDS_Shape;

namespace ProjectSample {

// A box with a pocket, passed once through the encoder so that it carries no state flag
// of a freshly built shape.
TopoDS_Shape part();
TopoDS_Shape secondaryPart();

// Two shapes (main index 1), a netlist, rules other than the defaults and two routes, one
// of which ends on a track.
void fill(ProjectManager& project);
QList<FootprintData> footprints();
QList<SavedComponent> placedComponents();

// The model as the file would hold it, without the save time, plus what the file does not
// hold: route identities and the routing model's net map.
QJsonObject snapshot(const ProjectManager& project);
QJsonObject withoutDate(QJsonObject root);

QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& bytes);

} // namespace ProjectSample
